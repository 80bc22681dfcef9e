// The steps of a write that write and personalise share: the card type
// check before and the row writes with their read-back.
#include "write_steps.h"

#include "cards/card_names.h"
#include "batch/card_steps.h"
#include "memview/image_guard.h"
#include "reader/detection.h"

namespace cli {

// The card in the reader must be the card type of --type. The detection
// that only reads comes first; the window's detection, with its probe
// writes (put back), only where that cannot decide and the operator asked
// for a write. The dry run goes on undecided.
Outcome checkDetectedCard(Run& run, CardType type) {
  DetectionOutcome d = probeCardByReading(run.readerContext());
  if (d.readerAnswered && d.result != DetectResult::Found && d.result != DetectResult::NoCard && !run.o.dryRun)
    d = probeCard(run.readerContext());
  run.st.cardType = CardType::None;
  if (!d.readerAnswered) return fail(kFailed, "连接错误：读写器没有应答");
  if (!d.notRestored.empty()) return fail(kFailed, probeNotRestoredText(d.notRestored) + "请把这些字节改回原值；没有写卡");
  if (d.result == DetectResult::NoCard) return fail(kFailed, kNoCard);
  if (d.result == DetectResult::Found) {
    run.report.text("detected", nameOf(d.cardType));
    if (d.cardType != type)
      return fail(kRefused, "检测到的卡是 " + nameOf(d.cardType) + "，不是 --type 给出的 " + nameOf(type) +
                                "；没有写卡");
    return done();
  }
  if (run.o.dryRun) {
    run.report.line("（只读检测无法确认卡型，按 " + nameOf(type) + " 比较）");
    return done();
  }
  return fail(kRefused, "检测不出卡型，无法确认是 " + nameOf(type) + "；没有写卡");
}

Outcome writeRows(Run& run, std::vector<int>& failed) {
  const std::string stopped = batch::writeEditedRows(run.cardContext(), failed);
  if (!stopped.empty()) return fail(kFailed, stopped);
  return done();
}

Outcome parseRanges(const std::vector<std::string>& operands, int last, std::set<int>& addresses) {
  if (std::string why = batch::parseRanges(operands, last, addresses); !why.empty()) return fail(kUsage, why);
  return done();
}

Outcome readImageFile(Run& run, CardType type, ImageFile& file) {
  const std::string& path = run.o.operands.front();
  const int zone = type == CardType::At88sc1608 ? run.o.zone.value_or(0) : 0;
  const auto expected = static_cast<std::size_t>(byteCountFor(type, zone, 0));
  const auto read = run.files.readFile(path, expected);
  if (read.status == port::FileDialogs::ReadStatus::Failed) return fail(kUsage, "无法读取文件：" + path);
  if (read.status == port::FileDialogs::ReadStatus::TooLarge || read.bytes.size() != expected)
    return fail(kRefused, "文件大小为 " + std::to_string(read.size) + " 字节，与 " + nameOf(type) + " 的 " +
                              std::to_string(expected) + " 字节不符；没有写卡");
  file.bytes = read.bytes;
  return done();
}

bool isSle(CardType t) { return t == CardType::Sle4442 || t == CardType::Sle4428; }

}  // namespace cli
