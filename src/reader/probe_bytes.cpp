#include "reader/probe_bytes.h"

#include <algorithm>

#include "reader/detection.h"
#include "reader/driver_trace.h"
#include "platform/hex_text.h"

namespace probe {

namespace {

using pelox::DriverType;

// Where a probe's bytes are, for the operator.
const char* placeOf(DriverType t) {
  switch (t) {
    case DriverType::I2c:
      return "24C01A-24C16";
    case DriverType::I2cTwoByteAddress:
      return "24C64";
    case DriverType::Ssf1101:
      return "SSF1101 第 0 块";
    case DriverType::At45d041:
      return "AT45D041 第 0 页";
    case DriverType::At88sc153:
      return "AT88SC153 配置区";
    case DriverType::At88sc1608:
      return "AT88SC1608 配置区";
    case DriverType::At88sc1604:
      return "AT88SC1604";
    case DriverType::At88sc102:
      return "AT88SC102";
    default:
      return "卡片";
  }
}

// Consecutive bytes of one protocol, in order: "type 64: 0000 21->63, ...".
template <typename Each>
std::string grouped(const std::vector<ProbeByte>& bytes, const std::string& groupSep, Each each) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const bool first = i == 0 || bytes[i - 1].driverType != bytes[i].driverType;
    out += each(bytes[i], first, i == 0 ? "" : first ? groupSep : std::string());
  }
  return out;
}

}  // namespace

short writeBytes(DriverTable& drv, int h, DriverType t, short address, short length, const std::uint8_t* data) {
  switch (t) {
    case DriverType::Ssf1101:
      return drv.IC_Write_1101(h, 0, address, length, data);
    case DriverType::At45d041:
      return drv.IC_DirectWrite(h, 0, address, length, data);
    case DriverType::At88sc153:
    case DriverType::At88sc1608:
      return drv.IC_WriteConfigZone(h, address, length, data);
    case DriverType::I2c:
      return drv.IC_Write24(h, address, length, data);
    case DriverType::I2cTwoByteAddress:
      return drv.IC_Write64(h, address, length, data);
    default:
      return drv.IC_Write(h, address, length, data);
  }
}

bool readBytes(DriverTable& drv, int h, DriverType t, short address, short length, std::uint8_t* out) {
  switch (t) {
    case DriverType::Ssf1101:
      return drv.IC_Read_1101(h, 0, address, length, out) == 0;
    case DriverType::At45d041:
      return drv.IC_DirectRead(h, 0, address, length, out) == 0;
    case DriverType::At88sc153:
    case DriverType::At88sc1608:
      return drv.IC_ReadConfigZone(h, address, length, out) == 0;
    default:
      // IC_Read answers the number of bytes read on some drivers: only a
      // negative result is a failed read.
      return drv.IC_Read(h, address, length, out) >= 0;
  }
}

bool erasedFirst(DriverType t) { return t == DriverType::At88sc1604 || t == DriverType::At88sc102; }

void Ledger::wrote(DriverType t, int address, int length, const std::uint8_t* before, const std::uint8_t* written) {
  for (int i = 0; i < length; ++i) {
    const auto it = std::find_if(open_.begin(), open_.end(), [&](const ProbeByte& b) {
      return b.driverType == t && b.address == address + i;
    });
    if (it != open_.end()) {
      it->written = written[i];
    } else {
      open_.push_back({t, address + i, before[i], written[i]});
    }
  }
}

void Ledger::putBack(DriverType t, int address, int length) {
  std::erase_if(open_, [&](const ProbeByte& b) {
    return b.driverType == t && b.address >= address && b.address < address + length;
  });
}

std::vector<ProbeByte> putBackLeftovers(ReaderContext ctx, const std::vector<ProbeByte>& left) {
  DriverTable& drv = ctx.drv;
  const int h = ctx.session.readerHandle;
  std::vector<ProbeByte> kept;
  std::vector<ProbeByte> back;
  std::vector<ProbeByte> changed;
  bool typeSet = false;
  // Newest first, as the probes undo their writes: where two probe writes
  // met in one byte (a chip that ignores an address bit), the older value
  // is the one that stays.
  for (std::size_t i = left.size(); i-- > 0;) {
    ProbeByte b = left[i];
    if (i + 1 == left.size() || left[i + 1].driverType != b.driverType)
      typeSet = drv.IC_InitType(h, pelox::codeOf(b.driverType)) == 0;
    std::uint8_t now = 0;
    if (!typeSet || !readBytes(drv, h, b.driverType, static_cast<short>(b.address), 1, &now)) {
      kept.push_back(b);
      continue;
    }
    if (now == b.written) {
      // The card holds what the probe wrote: put the byte back as the
      // probe would have.
      static constexpr std::uint8_t kErased = 0xFF;
      const auto a = static_cast<short>(b.address);
      if (erasedFirst(b.driverType)) writeBytes(drv, h, b.driverType, a, 1, &kErased);
      writeBytes(drv, h, b.driverType, a, 1, &b.before);
      if (!readBytes(drv, h, b.driverType, a, 1, &now)) {
        kept.push_back(b);
        continue;
      }
      if (now != b.before) {
        b.written = now;
        kept.push_back(b);
        continue;
      }
    }
    if (now == b.before) {
      back.push_back(b);
    } else {
      b.written = now;  // what the card now holds there
      changed.push_back(b);
    }
  }
  std::reverse(kept.begin(), kept.end());
  std::reverse(back.begin(), back.end());
  std::reverse(changed.begin(), changed.end());
  if (!back.empty()) traceNote("probe bytes put back, " + traceText(back));
  if (!changed.empty()) traceNote("probe bytes changed since, left alone, " + traceText(changed));
  if (!kept.empty()) traceNote("probe bytes still not restored, " + traceText(kept));
  return kept;
}

std::string traceText(const std::vector<ProbeByte>& bytes) {
  return grouped(bytes, "; ", [](const ProbeByte& b, bool first, const std::string& sep) {
    std::string s = sep + (first ? "type " + std::to_string(pelox::codeOf(b.driverType)) + ": " : ", ");
    return s + hexText(b.address, 4) + " " + hexText(b.before, 2) + "->" + hexText(b.written, 2);
  });
}

}  // namespace probe

std::string probeNotRestoredText(const std::vector<ProbeByte>& bytes) {
  std::string text = std::string(kProbeNotRestored) + "。";
  text += probe::grouped(bytes, "。", [](const ProbeByte& b, bool first, const std::string& sep) {
    std::string s = sep + (first ? std::string(probe::placeOf(b.driverType)) + " " : "；");
    return s + "地址 " + hexText(b.address, 4) + "：原值 " + hexText(b.before, 2) + "，测试写入 " +
           hexText(b.written, 2);
  });
  return text + "。";
}
