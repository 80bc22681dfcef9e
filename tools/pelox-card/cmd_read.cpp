// detect and read.
#include <algorithm>
#include <ostream>

#include "cards/card_names.h"
#include "commands.h"
#include "apdu/hex_bytes.h"
#include "memview/card_image_file.h"
#include "reader/detection.h"

namespace cli {

namespace {

// The image as lines of at most 16 bytes with their characters, each zone
// of the memory map under its name.
std::string hexDump(Run& run) {
  CardSession& st = run.st;
  if (st.cardType == CardType::At88sc1608) run.catalogue.build1608Map(st.zoneIndex);
  const CardDescriptor& map = run.catalogue.findDescriptor(st.cardType);
  std::string out;
  const ZoneEntry* shown = nullptr;
  int a = 0;
  while (a < st.byteCount) {
    const ZoneEntry* zone = CardCatalogue::zoneOf(map, a);
    if (zone != nullptr && zone != shown) {
      out += "-- " + std::string(zone->name) + " (" + hexAddress(zone->first) + "-" + hexAddress(zone->last) + ")\n";
      shown = zone;
    }
    const int rowEnd = std::min({a - a % 16 + 16, st.byteCount, zone != nullptr ? zone->last + 1 : st.byteCount});
    std::string hex, text;
    for (int i = a - a % 16; i < rowEnd; ++i) {
      if (i < a) {
        hex += "   ";
        text += ' ';
        continue;
      }
      const int v = run.doc.byteAt(i);
      hex += hexByte(v) + " ";
      text += v >= 0x20 && v < 0x7F ? static_cast<char>(v) : '.';
    }
    hex.resize(48, ' ');
    out += hexAddress(a - a % 16) + "  " + hex + " |" + text + "|\n";
    a = rowEnd;
  }
  return out;
}

std::vector<int> protectedAddresses(const CardSession& st) {
  std::vector<int> out;
  for (int a = 0; a < st.byteCount; ++a)
    if (protectedOnCard(st, a)) out.push_back(a);
  return out;
}

}  // namespace

Outcome detectCommand(Run& run) {
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  const DetectionOutcome d = run.o.readOnly ? probeCardByReading(run.readerContext()) : probeCard(run.readerContext());
  run.report.flag("readOnly", run.o.readOnly);
  if (!d.readerAnswered) return fail(kFailed, "连接错误：读写器没有应答，请检查连接和 --port");
  if (!d.notRestored.empty()) return fail(kFailed, probeNotRestoredText(d.notRestored) + "请把这些字节改回原值。");
  if (d.result == DetectResult::NoCard) {
    run.report.text("card", "none");
    return fail(kFailed, "检测失败：未插入卡");
  }
  if (d.result != DetectResult::Found) {
    run.report.flag("decided", false);
    if (run.o.readOnly)
      return fail(kFailed,
                  "只读检测无法判定卡型：不是 CPU 卡、SLE4404、SLE4442 或 SLE4428。其他卡型（24Cxx、AT88SC、"
                  "AT45D041、SSF1101）只能靠写入并恢复探测字节来区分：去掉 --read-only 再运行，或用 --type 指定");
    return fail(kFailed, "检测失败：未知卡型");
  }
  run.report.flag("decided", true);
  run.report.text("card", nameOf(d.cardType));
  run.report.text("caption", captionFor(d.cardType, run.st.cpuProtocol));
  std::string line = "卡型：" + captionFor(d.cardType, run.st.cpuProtocol) + "（" + nameOf(d.cardType) + "）";
  if (d.cardType == CardType::Cpu) {
    const int t = static_cast<int>(run.st.cpuProtocol);
    run.report.number("protocol", t);
  } else {
    run.report.number("bytes", byteCountFor(d.cardType, 0, 0));
    line += "，" + std::to_string(byteCountFor(d.cardType, 0, 0)) + " 字节";
  }
  run.report.line(line);
  return done();
}

Outcome readCommand(Run& run, std::ostream& out) {
  CardType type{};
  if (Outcome r = run.requiredType(type); r.status != kDone) return r;
  if (type == CardType::Cpu) return fail(kUsage, "CPU 卡没有存储映像：请用 atr、apdu 或 script");
  std::string format = run.o.format;
  if (format.empty()) format = !run.o.output.empty() ? "bin" : run.o.json ? "json" : "hex";
  if (format != "hex" && format != "bin" && format != "json")
    return fail(kUsage, "未知格式“" + format + "”：可用 hex、bin、json");
  if (format == "bin" && run.o.json && run.o.output.empty())
    return fail(kUsage, "--format bin 与 --json 不能同时输出到标准输出：请用 -o FILE");
  if (format == "json" && run.o.output.empty()) run.o.json = true;
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  if (Outcome r = run.selectCardType(type); r.status != kDone) return r;
  if (Outcome r = run.readCard(); r.status != kDone) return r;

  const CardSession& st = run.st;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.byteCount));
  for (int a = 0; a < st.byteCount; ++a) bytes[static_cast<std::size_t>(a)] = run.doc.byteAt(a);
  run.report.text("card", nameOf(type));
  run.report.number("bytes", st.byteCount);
  if (type == CardType::At88sc1608) run.report.number("zone", st.zoneIndex);
  if (type == CardType::At45d041) run.report.number("page", st.zoneIndex);
  if (type == CardType::Ssf1101) run.report.number("block", st.blockIndex);
  std::vector<std::string> prot;
  for (int a : protectedAddresses(st)) prot.push_back(std::to_string(a));
  if (type == CardType::Sle4442 || type == CardType::Sle4428) run.report.raw("protected", jsonArray(prot));

  std::string text;
  if (format == "bin") {
    text.assign(bytes.begin(), bytes.end());
  } else if (format == "hex") {
    text = hexDump(run);
    if (!prot.empty()) text += "写保护字节：" + std::to_string(prot.size()) + " 个\n";
  }
  if (!run.o.output.empty()) {
    if (format == "json") {
      run.report.text("data", upperHex(bytes.data(), bytes.size()));
      text = run.report.json(true, "") + "\n";
    }
    const std::vector<std::uint8_t> file(text.begin(), text.end());
    if (!run.files.writeFile(run.o.output, file))
      return fail(kFailed, "保存文件失败，原有文件没有改变：" + run.o.output);
    run.report.text("file", run.o.output);
    run.report.line("已保存" + cardimage::partName(st) + "的卡片映像（" + std::to_string(st.byteCount) +
                    " 字节）：" + run.o.output);
    return done();
  }
  if (run.o.json) {
    run.report.text("data", upperHex(bytes.data(), bytes.size()));
    return done();
  }
  out << text;
  out.flush();
  return done();
}

}  // namespace cli
