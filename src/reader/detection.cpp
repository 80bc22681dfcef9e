#include "reader/detection.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "reader/driver_trace.h"
#include "reader/probe_bytes.h"

namespace {

using Bytes2 = std::array<std::uint8_t, 2>;
using Bytes8 = std::array<std::uint8_t, 8>;

// Test data of the probes.
constexpr Bytes2 kLowerWp{0x77, 0x70};  // "wp"
constexpr Bytes2 kUpperWp{0x57, 0x50};  // "WP"
constexpr Bytes2 kErased{0xFF, 0xFF};
constexpr std::uint8_t k153First = 0xFF;
constexpr std::uint8_t k153Second = 0xAA;
constexpr Bytes8 k1608First{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Bytes8 k1608Second{0x31, 0x36, 0x30, 0x38, 0xAA, 0x55, 0x16, 0x08};  // "1608" AA 55 16 08
constexpr Bytes2 kSle4404Signature{0xB7, 0xA0};
constexpr Bytes2 kAt1604bSignature{0x16, 0x04};
constexpr std::uint8_t kI2cMarker = 0x63;  // "c"
constexpr Bytes2 kAliasA{0x66, 0x77};
constexpr Bytes2 kAliasB{0x88, 0x99};

// The I2C size steps: two addresses 256 bytes apart that a smaller chip
// cannot tell apart (or cannot address at all), and the type they prove.
struct SizeStep {
  short high;
  short low;
  CardType cardType;
};
constexpr SizeStep kSizeSteps[] = {
    {2046, 1790, CardType::At24c16}, {1022, 766, CardType::At24c08}, {510, 254, CardType::At24c04}};

enum class Step { Next, Found, Stop };

class ProbeChain {
 public:
  explicit ProbeChain(ReaderContext ctx) : st_(ctx.session), d_(ctx.drv), h_(ctx.session.readerHandle) {}

  void run() {
    static constexpr Probe kProbes[] = {
        &ProbeChain::cpu,     &ProbeChain::ssf1101, &ProbeChain::at45d041, &ProbeChain::at88sc153,
        &ProbeChain::at1608,  &ProbeChain::sle4404, &ProbeChain::sle4442,  &ProbeChain::sle4428,
        &ProbeChain::i2c,     &ProbeChain::c24c64,  &ProbeChain::at1604,   &ProbeChain::at102,
    };
    runProbes(kProbes);
  }
  // The probes that only reset and read: the answer to reset and the
  // signature bytes of the SLE cards.
  void runReadOnly() {
    static constexpr Probe kProbes[] = {&ProbeChain::cpu, &ProbeChain::sle4404, &ProbeChain::sle4442,
                                        &ProbeChain::sle4428};
    runProbes(kProbes);
  }
  // The probe bytes on the card that differ from what they held before.
  std::vector<ProbeByte> notRestored() const {
    std::vector<ProbeByte> left = ledger_.open();
    std::erase_if(left, [](const ProbeByte& b) { return b.written == b.before; });
    return left;
  }

 private:
  using Probe = Step (ProbeChain::*)();
  template <std::size_t N>
  void runProbes(const Probe (&probes)[N]) {
    for (Probe p : probes) {
      if ((this->*p)() != Step::Next) return;
    }
  }

  Step found(CardType cardType) {
    st_.cardType = cardType;
    st_.detectResult = DetectResult::Found;
    return Step::Found;
  }
  Step unknown(Step s) {
    st_.detectResult = DetectResult::Unknown;
    return s;
  }
  bool initType(pelox::DriverType driverType) {
    type_ = driverType;
    return d_.IC_InitType(h_, codeOf(driverType)) == 0;
  }
  // IC_Read answers the number of bytes read on some drivers: only a
  // negative result is a failed read.
  bool readBytes(short address, short length, std::uint8_t* out) {
    return d_.IC_Read(h_, address, length, out) >= 0;
  }
  // Called for its effect on the reader; the answer is not looked at.
  void touchStatus() { d_.IC_Status(h_); }

  // A probe's test write in the protocol set last, of bytes that held
  // `before`; recorded until they are put back.
  bool probeWrite(short address, short length, const std::uint8_t* data, const std::uint8_t* before) {
    if (probe::writeBytes(d_, h_, type_, address, length, data) != 0) return false;
    ledger_.wrote(type_, address, length, before, data);
    return true;
  }
  // Puts bytes back, tried a second time if the first write fails. The
  // probe write it undoes was made at `probed` (the same card bytes).
  void putBack(short address, short length, const std::uint8_t* bytes, short probed) {
    const auto write = [&] { return probe::writeBytes(d_, h_, type_, address, length, bytes); };
    if (write() == 0 || write() == 0) ledger_.putBack(type_, probed, length);
  }
  void putBack(short address, short length, const std::uint8_t* bytes) { putBack(address, length, bytes, address); }

  Step cpu() {
    if (!initType(pelox::DriverType::Cpu)) return unknown(Step::Next);
    unsigned char length = 0;
    std::array<std::uint8_t, 256> answer{};  // room for any length byte
    if (d_.IC_CpuReset(h_, &length, answer.data()) == 0 && length > 3) {
      st_.cpuProtocol = static_cast<CpuProtocol>(d_.IC_CpuGetProtocol(h_));
      return found(CardType::Cpu);
    }
    return Step::Next;
  }

  Step ssf1101() {
    if (!initType(pelox::DriverType::Ssf1101)) return unknown(Step::Next);
    touchStatus();
    Bytes2 save{};
    if (d_.IC_Read_1101(h_, 0, 0, 2, save.data()) != 0) return unknown(Step::Next);
    if (!probeWrite(0, 2, kLowerWp.data(), save.data())) return Step::Next;
    putBack(0, 2, save.data());
    return found(CardType::Ssf1101);
  }

  Step at45d041() {
    if (!initType(pelox::DriverType::At45d041)) return unknown(Step::Next);
    touchStatus();
    Bytes2 save{};
    d_.IC_DirectRead(h_, 0, 0, 2, save.data());
    if (d_.IC_DirectRead(h_, 0, 0, 2, save.data()) != 0) return unknown(Step::Next);
    if (!probeWrite(0, 2, kLowerWp.data(), save.data())) return Step::Next;
    putBack(0, 2, save.data());
    return found(CardType::At45d041);
  }

  // CryptoMemory probe: write two patterns into configuration bytes and
  // read the second back. The bytes are saved first and put back after;
  // a card whose bytes cannot be saved is not written.
  template <std::size_t N>
  Step configZoneProbe(pelox::DriverType driverType, short address, const std::array<std::uint8_t, N>& first,
                       const std::array<std::uint8_t, N>& second, CardType cardType) {
    if (!initType(driverType)) return unknown(Step::Next);
    touchStatus();
    const short len = static_cast<short>(N);
    std::array<std::uint8_t, N> save{};
    if (d_.IC_ReadConfigZone(h_, address, len, save.data()) != 0) return Step::Next;
    bool wrote = false;
    bool passed = false;
    if (probeWrite(address, len, first.data(), save.data())) {
      wrote = true;
      std::array<std::uint8_t, N> back{};
      passed = probeWrite(address, len, second.data(), save.data()) &&
               d_.IC_ReadConfigZone(h_, address, len, back.data()) == 0 && back == second;
    }
    if (wrote) putBack(address, len, save.data());
    return passed ? found(cardType) : Step::Next;
  }
  Step at88sc153() {
    return configZoneProbe<1>(pelox::DriverType::At88sc153, 15, std::array<std::uint8_t, 1>{k153First},
                              std::array<std::uint8_t, 1>{k153Second}, CardType::At88sc153);
  }
  Step at1608() {
    return configZoneProbe<8>(pelox::DriverType::At88sc1608, 56, k1608First, k1608Second, CardType::At88sc1608);
  }

  // Memory cards told apart by the bytes they hold: reads only.
  Step signatureProbe(pelox::DriverType driverType, short address, CardType cardType,
                      bool (*matches)(const Bytes2&)) {
    if (!initType(driverType)) return unknown(Step::Stop);
    touchStatus();
    Bytes2 bytes{};
    readBytes(address, 2, bytes.data());  // the bytes decide, not the result
    return matches(bytes) ? found(cardType) : Step::Next;
  }
  Step sle4404() {
    return signatureProbe(pelox::DriverType::Sle4404, 0, CardType::Sle4404,
                          [](const Bytes2& b) { return b == kSle4404Signature; });
  }
  Step sle4442() {
    return signatureProbe(pelox::DriverType::Sle4442, 6, CardType::Sle4442,
                          [](const Bytes2& b) { return b[1] == 0x15; });
  }
  Step sle4428() {
    return signatureProbe(pelox::DriverType::Sle4428, 6, CardType::Sle4428,
                          [](const Bytes2& b) { return b[1] == 0x13; });
  }

  // 24C01A to 24C16: the size is found by address aliasing.
  Step i2c() {
    if (!initType(pelox::DriverType::I2c)) return unknown(Step::Stop);
    touchStatus();
    std::uint8_t first = 0;
    if (!readBytes(0, 1, &first)) return unknown(Step::Stop);
    if (!probeWrite(0, 1, &kI2cMarker, &first)) return Step::Next;
    // The probe never writes what it could not save first, and a failed
    // read never passes for an answer. A chip smaller than a step does not
    // answer at its high address (read and write are tried twice there, so
    // that one bad transfer is not taken for a smaller chip); any other
    // failed read stops the probe.
    const auto giveUp = [&] {
      putBack(0, 1, &first);
      return unknown(Step::Stop);
    };
    for (const SizeStep& s : kSizeSteps) {
      Bytes2 saveHigh{};
      Bytes2 saveLow{};
      const bool highSaved = readBytes(s.high, 2, saveHigh.data()) || readBytes(s.high, 2, saveHigh.data());
      if (!highSaved) {
        putBack(0, 1, &first);
        continue;
      }
      if (!readBytes(s.low, 2, saveLow.data())) return giveUp();
      if (!probeWrite(s.high, 2, kAliasA.data(), saveHigh.data()) &&
          !probeWrite(s.high, 2, kAliasA.data(), saveHigh.data())) {
        putBack(0, 1, &first);
        putBack(s.low, 2, saveLow.data());
        putBack(s.high, 2, saveHigh.data());
        continue;
      }
      probeWrite(s.low, 2, kAliasB.data(), saveLow.data());
      Bytes2 back{};
      const bool answered = readBytes(s.high, 2, back.data());
      putBack(s.high, 2, saveHigh.data());
      putBack(0, 1, &first);
      putBack(s.low, 2, saveLow.data());
      if (!answered) return unknown(Step::Stop);
      if (back == kAliasA) return found(s.cardType);
    }
    // 24C01A or 24C02: does address 128 land on address 0? The marker goes
    // back to address 0 first, so the answer never depends on what byte 0
    // held before.
    Bytes2 save128{};
    if (!probeWrite(0, 1, &kI2cMarker, &first) || !readBytes(128, 2, save128.data())) {
      return giveUp();
    }
    if (!probeWrite(128, 2, kUpperWp.data(), save128.data())) {
      putBack(0, 1, &first);
      return Step::Stop;
    }
    std::uint8_t back = 0;
    const bool answered = readBytes(0, 1, &back);
    const bool aliases = answered && back == 0x57;
    putBack(aliases ? 0 : 128, 2, save128.data(), 128);
    putBack(0, 1, &first);
    if (!answered) return unknown(Step::Stop);
    return found(aliases ? CardType::At24c01a : CardType::At24c02);
  }

  Step c24c64() {
    if (!initType(pelox::DriverType::I2cTwoByteAddress)) return unknown(Step::Stop);
    touchStatus();
    Bytes2 save{};
    if (!readBytes(6720, 2, save.data())) return unknown(Step::Stop);
    if (!probeWrite(6720, 2, kUpperWp.data(), save.data())) return Step::Next;
    putBack(6720, 2, save.data());
    return found(CardType::At24c64);
  }

  // Test zones of the 1604 and 102: erased (FF FF) and then rewritten, as
  // the probe itself does.
  void restoreTestZone(short address, const Bytes2& save) {
    probeWrite(address, 2, kErased.data(), save.data());
    putBack(address, 2, save.data());
  }

  Step at1604() {
    if (!initType(pelox::DriverType::At88sc1604)) return unknown(Step::Stop);
    touchStatus();
    Bytes2 head{};
    if (!readBytes(0, 2, head.data())) return unknown(Step::Stop);
    if (head == kAt1604bSignature) return found(CardType::At88sc1604b);
    Bytes2 save{};
    if (!readBytes(2005, 2, save.data())) return Step::Next;
    if (!probeWrite(2005, 2, kUpperWp.data(), save.data())) return Step::Next;
    restoreTestZone(2005, save);
    return found(CardType::At88sc1604);
  }

  Step at102() {
    if (!initType(pelox::DriverType::At88sc102)) return unknown(Step::Stop);
    touchStatus();
    Bytes2 save{};
    if (!readBytes(176, 2, save.data())) return Step::Stop;
    const bool erased = probeWrite(176, 2, kErased.data(), save.data());
    const bool passed = probeWrite(176, 2, kUpperWp.data(), save.data());
    if (erased || passed) restoreTestZone(176, save);
    return passed ? found(CardType::At88sc102) : Step::Stop;
  }

  ReaderSession& st_;
  DriverTable& d_;
  const int h_;
  pelox::DriverType type_ = pelox::DriverType::None;  // the protocol set last
  probe::Ledger ledger_;
};

// Adds this run's probe bytes left on the card to those of earlier runs; a
// byte already there keeps its value before the first probe that wrote it.
void keepLeft(std::vector<ProbeByte>& kept, const std::vector<ProbeByte>& left) {
  for (const ProbeByte& b : left) {
    const auto it = std::find_if(kept.begin(), kept.end(), [&](const ProbeByte& k) {
      return k.driverType == b.driverType && k.address == b.address;
    });
    if (it != kept.end()) {
      it->written = b.written;
    } else {
      kept.push_back(b);
    }
  }
}

DetectionOutcome runDetection(ReaderContext ctx, bool readOnly) {
  ReaderSession& st = ctx.session;
  const short status = ctx.drv.IC_Status(st.readerHandle);
  if (status < 0) {
    ctx.shell.messageBox("连接错误!", "提示信息", port::mb::kOk | port::mb::kIconInformation);
    st.detectResult = DetectResult::ReaderFailed;
    return {false, st.detectResult, st.cardType};
  }
  // A card is in the reader: what an earlier detection found (no card, a
  // failed reader) is no answer for it; the probes that find nothing leave
  // the card undetermined.
  if (status == 0) st.detectResult = DetectResult::Undetermined;
  if (status == 1) {
    st.detectResult = DetectResult::NoCard;
  } else if (status == 0 && readOnly) {
    ProbeChain(ctx).runReadOnly();
  } else if (status == 0) {
    if (!st.probeBytesLeft.empty()) st.probeBytesLeft = probe::putBackLeftovers(ctx, st.probeBytesLeft);
    ProbeChain chain(ctx);
    chain.run();
    const std::vector<ProbeByte> left = chain.notRestored();
    if (!left.empty()) traceNote("probe bytes not restored, " + probe::traceText(left));
    keepLeft(st.probeBytesLeft, left);
    return {true, st.detectResult, st.cardType, st.probeBytesLeft};
  }
  return {true, st.detectResult, st.cardType, {}};
}

}  // namespace

DetectionOutcome probeCard(ReaderContext ctx) { return runDetection(ctx, false); }

DetectionOutcome probeCardByReading(ReaderContext ctx) { return runDetection(ctx, true); }
