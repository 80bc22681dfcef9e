// write and protect: the card image file onto the card, and SLE4442/SLE4428
// write protection. Both read the card first and touch only what differs.
#include <array>
#include <charconv>
#include <set>

#include "card_names.h"
#include "codes.h"
#include "commands.h"
#include "memview/card_image_file.h"
#include "memview/image_guard.h"
#include "memview/row_writes.h"
#include "reader/detection.h"

namespace cli {

namespace {

constexpr int kShownDifferences = 64;

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
  if (d.result == DetectResult::NoCard) return fail(kFailed, "未插入卡");
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

struct Difference {
  int address;
  int card;
  int file;
  const char* action;  // write, code, protected
};

std::vector<Difference> differences(Run& run, const std::vector<std::uint8_t>& bytes) {
  std::vector<Difference> out;
  for (int a = 0; a < run.st.byteCount; ++a) {
    const int card = run.doc.byteAt(a);
    const int file = bytes[static_cast<std::size_t>(a)];
    if (card == file) continue;
    const char* action = holdsCodeOrCounter(run.catalogue, run.st.cardType, run.st.zoneIndex, a) ? "code"
                         : protectedOnCard(run.st, a)                                          ? "protected"
                                                                                              : "write";
    out.push_back({a, card, file, action});
  }
  return out;
}

void reportDifferences(Run& run, const std::vector<Difference>& diffs) {
  std::vector<std::string> items;
  int shown = 0;
  for (const Difference& d : diffs) {
    items.push_back("{\"address\":" + std::to_string(d.address) + ",\"card\":" + std::to_string(d.card) +
                    ",\"file\":" + std::to_string(d.file) + ",\"action\":" + jsonString(d.action) + "}");
    if (shown++ >= kShownDifferences) continue;
    const std::string why = std::string(d.action) == "code"        ? "（密码/计数字节，不写）"
                            : std::string(d.action) == "protected" ? "（已写保护，不写）"
                                                                   : "";
    run.report.line(hexAddress(d.address) + ": " + hexByte(d.card) + " -> " + hexByte(d.file) + why);
  }
  if (shown > kShownDifferences)
    run.report.line("……另有 " + std::to_string(shown - kShownDifferences) + " 个不同的字节");
  run.report.raw("differences", jsonArray(items));
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
    if (outcome != memview::RowOutcome::Written) failed.push_back(a);
  }
  return done();
}

bool isSle(CardType t) { return t == CardType::Sle4442 || t == CardType::Sle4428; }

}  // namespace

Outcome writeCommand(Run& run) {
  CardType type{};
  if (Outcome r = run.requiredType(type); r.status != kDone) return r;
  if (type == CardType::Cpu) return fail(kUsage, "CPU 卡没有存储映像：请用 apdu 或 script");
  const std::string& path = run.o.operands.front();
  const int zone = type == CardType::At88sc1608 ? run.o.zone.value_or(0) : 0;
  const auto expected = static_cast<std::size_t>(byteCountFor(type, zone, 0));
  const auto file = run.files.readFile(path, expected);
  if (file.status == port::FileDialogs::ReadStatus::Failed) return fail(kUsage, "无法读取文件：" + path);
  if (file.status == port::FileDialogs::ReadStatus::TooLarge || file.bytes.size() != expected)
    return fail(kRefused, "文件大小为 " + std::to_string(file.size) + " 字节，与 " + nameOf(type) + " 的 " +
                              std::to_string(expected) + " 字节不符；没有写卡");
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  if (Outcome r = checkDetectedCard(run, type); r.status != kDone) return r;
  if (Outcome r = run.selectCardType(type); r.status != kDone) return r;
  if (Outcome r = run.readCard(); r.status != kDone) return r;

  const std::vector<Difference> diffs = differences(run, file.bytes);
  reportDifferences(run, diffs);
  run.report.flag("dryRun", run.o.dryRun);
  int toWrite = 0;
  for (const Difference& d : diffs) toWrite += std::string(d.action) == "write";
  run.report.number("toWrite", toWrite);
  run.report.number("skipped", static_cast<long long>(diffs.size()) - toWrite);
  if (toWrite == 0) {
    run.report.number("written", 0);
    run.report.line("没有要写入的字节：可写的字节与卡片相同。");
    return done();
  }
  if (run.o.dryRun) {
    run.report.line("共 " + std::to_string(toWrite) + " 个字节要写入（--dry-run：没有写卡）");
    return done();
  }
  const cardimage::LoadResult loaded = cardimage::loadIntoImage(run.cardContext(), file.bytes);
  if (isSle(type)) {
    if (Outcome r = presentCardCode(run); r.status != kDone) return r;
  }
  std::vector<int> failed;
  if (Outcome r = writeRows(run, failed); r.status != kDone) return r;
  std::vector<std::string> failedRows;
  for (int a : failed) failedRows.push_back(std::to_string(a));
  run.report.raw("failedRows", jsonArray(failedRows));
  if (!failed.empty()) {
    run.report.number("written", 0);
    std::string rowsText;
    for (int a : failed) {
      rowsText += ' ';
      rowsText += hexAddress(a);
    }
    return fail(kFailed, "写入没有成功（回读不符或卡片拒绝），起始地址：" + rowsText +
                             "。请用 read 重新读卡检查；SLE 卡须先核对正确的密码");
  }
  run.report.number("written", loaded.changed);
  run.report.line("已写入并回读确认 " + std::to_string(loaded.changed) + " 个字节");
  return done();
}

namespace {

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

}  // namespace

Outcome protectCommand(Run& run) {
  CardType type{};
  if (Outcome r = run.requiredType(type); r.status != kDone) return r;
  if (!isSle(type)) return fail(kUsage, "写保护只用于 sle4442 和 sle4428");
  std::set<int> addresses;
  if (Outcome r = parseRanges(run.o.operands, type == CardType::Sle4442 ? 31 : 1020, addresses); r.status != kDone)
    return r;
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  if (Outcome r = run.selectCardType(type); r.status != kDone) return r;
  if (Outcome r = run.readCard(); r.status != kDone) return r;
  std::vector<int> todo;
  std::vector<std::string> already;
  for (int a : addresses) {
    if (protectedOnCard(run.st, a))
      already.push_back(std::to_string(a));
    else
      todo.push_back(a);
  }
  run.report.raw("alreadyProtected", jsonArray(already));
  std::vector<std::string> items;
  std::string list;
  for (int a : todo) {
    items.push_back(std::to_string(a));
    list += ' ';
    list += hexAddress(a) + "=" + hexByte(run.doc.byteAt(a));
  }
  run.report.raw("toProtect", jsonArray(items));
  if (!already.empty()) run.report.line(std::to_string(already.size()) + " 个字节已经写保护");
  if (todo.empty()) {
    run.report.line("没有要写保护的字节");
    return done();
  }
  run.report.line("将以当前内容写保护（不可恢复）：" + list);
  if (!run.o.yes) return fail(kRefused, "写保护不可恢复，没有执行：确认上面的字节和内容后加 --yes 再运行");
  if (Outcome r = presentCardCode(run); r.status != kDone) return r;
  for (int a : todo) {
    if (type == CardType::Sle4442)
      run.st.protect4442[static_cast<std::size_t>(a)] = kProtectedFlag;
    else
      flag4428(run.st.pages4428, a) = kProtectedFlag;
  }
  memview::RowWriter rows(run.cardContext());
  const bool ok = type == CardType::Sle4442 ? rows.writeMarks4442() : rows.writeMarks4428();
  std::vector<std::string> done_;
  for (int a : todo)
    if (protectedOnCard(run.st, a)) done_.push_back(std::to_string(a));
  run.report.raw("protected", jsonArray(done_));
  if (!ok) return fail(kFailed, "写保护没有成功：已保护 " + std::to_string(done_.size()) + " 个字节，其余没有");
  run.report.line("已写保护并回读确认 " + std::to_string(done_.size()) + " 个字节");
  return done();
}

}  // namespace cli
