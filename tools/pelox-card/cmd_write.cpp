// write and protect: the card image file onto the card, and SLE4442/SLE4428
// write protection. Both read the card first and touch only what differs.
#include <set>

#include "cards/card_names.h"
#include "codes.h"
#include "commands.h"
#include "memview/card_image_file.h"
#include "memview/image_guard.h"
#include "memview/row_writes.h"
#include "write_steps.h"

namespace cli {

namespace {

constexpr int kShownDifferences = 64;

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

}  // namespace

Outcome writeCommand(Run& run) {
  CardType type{};
  if (Outcome r = run.requiredType(type); r.status != kDone) return r;
  if (type == CardType::Cpu) return fail(kUsage, "CPU 卡没有存储映像：请用 apdu 或 script");
  ImageFile file;
  if (Outcome r = readImageFile(run, type, file); r.status != kDone) return r;
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
