// The steps of a write that write and personalise share: the card type
// check before and the row writes with their read-back.
#include "write_steps.h"

#include <array>
#include <charconv>

#include "card_names.h"
#include "memview/image_guard.h"
#include "memview/row_writes.h"
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

// Writes the edited rows of the image, each checked before and read back
// after; the failures' addresses in `failed`.
Outcome writeRows(Run& run, std::vector<int>& failed) {
  CardSession& st = run.st;
  memview::RowWriter rows(run.cardContext());
  if (st.cardType == CardType::At45d041 || st.cardType == CardType::Ssf1101) {
    std::array<std::uint8_t, 1024> image{};
    for (int i = 0; i < 1024; ++i) image[static_cast<std::size_t>(i)] = run.doc.byteAt(i);
    const memview::CardCheck check = rows.imageStillOnCard();
    if (check == memview::CardCheck::Differs) return fail(kFailed, memview::kOtherCard);
    const short h = static_cast<short>(st.cardType == CardType::At45d041 ? st.zoneIndex : st.blockIndex);
    const bool ok = check == memview::CardCheck::Same &&
                    (st.cardType == CardType::At45d041
                         ? run.drv.IC_DirectWrite(st.readerHandle, h, 0, 264, image.data()) == 0
                         : run.drv.IC_Write_1101(st.readerHandle, h, 0, 1024, image.data()) == 0);
    if (!ok || !rows.imageKept(image.data())) failed.push_back(0);
    return done();
  }
  for (int i = 1; i <= run.doc.editedRowCount; ++i) {
    const int a = run.doc.editedRows[static_cast<std::size_t>(i)];
    if (a < 0 || a >= st.byteCount) continue;
    const int length = st.byteCount - a < 16 ? st.byteCount - a : 16;
    const memview::RowOutcome outcome = rows.writeRow(a, length);
    // A card that no longer holds what was read is not written any further.
    if (outcome == memview::RowOutcome::OtherCard) return fail(kFailed, memview::kOtherCard);
    if (outcome == memview::RowOutcome::Aliased) return fail(kFailed, memview::aliasedWriteText(a, rows.aliased()));
    if (outcome != memview::RowOutcome::Written) failed.push_back(a);
  }
  return done();
}

bool parseAddress(std::string_view text, int& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

Outcome parseRanges(const std::vector<std::string>& operands, int last, std::set<int>& addresses) {
  for (const std::string& r : operands) {
    const auto dash = r.find('-');
    int first = 0, end = 0;
    const bool ok = dash == std::string::npos
                        ? parseAddress(r, first) && (end = first, true)
                        : parseAddress(std::string_view(r).substr(0, dash), first) &&
                              parseAddress(std::string_view(r).substr(dash + 1), end);
    if (!ok || end < first) return fail(kUsage, "地址范围“" + r + "”无效：写作 5、0-15 或 0x10-0x1F");
    if (end > last) return fail(kUsage, "地址范围“" + r + "”超出可写保护的 0 到 " + std::to_string(last));
    for (int a = first; a <= end; ++a) addresses.insert(a);
  }
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
