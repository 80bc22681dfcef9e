#include "batch/card_steps.h"

#include "cards/card_names.h"
#include "memview/alias_check.h"
#include "memview/card_read.h"
#include "memview/image_guard.h"
#include "memview/row_writes.h"
#include "platform/wait_cursor.h"
#include "reader/detection.h"

namespace batch {

namespace {

// A card's code as a run presents it: digits, counter and presentation.
struct CodeForm {
  int digits = 0;
  short (*readCount)(DriverTable&, int handle) = nullptr;
  short (*check)(DriverTable&, int handle, const std::uint8_t* packed) = nullptr;
};

const CodeForm kSle4442{6, [](DriverTable& d, int h) { return d.IC_ReadCount_SLE4442(h); },
                        [](DriverTable& d, int h, const std::uint8_t* c) { return d.IC_CheckPass_SLE4442(h, c); }};
const CodeForm kSle4428{4, [](DriverTable& d, int h) { return d.IC_ReadCount_SLE4428(h); },
                        [](DriverTable& d, int h, const std::uint8_t* c) { return d.IC_CheckPass_SLE4428(h, c); }};
const CodeForm kAt88sc102{4, [](DriverTable& d, int h) { return d.IC_ReadCount_102(h); },
                          [](DriverTable& d, int h, const std::uint8_t* c) { return d.IC_CheckPass_102(h, c); }};

const CodeForm* formFor(CardType type) {
  switch (type) {
    case CardType::Sle4442: return &kSle4442;
    case CardType::Sle4428: return &kSle4428;
    case CardType::At88sc102: return &kAt88sc102;
    default: return nullptr;
  }
}

int digitValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

}  // namespace

std::string confirmCardType(BatchContext& ctx, CardType type) {
  DetectionOutcome d = probeCardByReading(ctx.readerContext());
  if (d.readerAnswered && d.result != DetectResult::Found && d.result != DetectResult::NoCard)
    d = probeCard(ctx.readerContext());
  ctx.card.st.cardType = CardType::None;
  if (!d.readerAnswered) return "连接错误：读写器没有应答";
  // Bytes the detection could not put back: the operator must see them,
  // and the run must not go on writing.
  if (!d.notRestored.empty()) return probeNotRestoredText(d.notRestored) + "请把这些字节改回原值；没有写卡";
  if (d.result == DetectResult::NoCard) return kNoCard;
  if (d.result != DetectResult::Found) return "检测不出卡型，无法确认是 " + nameOf(type) + "；没有写卡";
  if (d.cardType != type) return "检测到的卡是 " + nameOf(d.cardType) + "，不是 " + nameOf(type) + "；没有写卡";
  return {};
}

std::string selectCardType(CardSession& st, DriverTable& drv, CardType type, int zoneIndex, int blockIndex) {
  st.cardType = type;
  st.zoneIndex = zoneIndex;
  st.blockIndex = blockIndex;
  st.byteCount = byteCountFor(type, st.zoneIndex, 0);
  st.pageCount = pageCountFor(st.byteCount);
  const int h = st.readerHandle;
  if (drv.IC_InitType(h, pelox::codeOf(driverTypeFor(type))) != 0)
    return "设卡失败：读写器不接受卡型 " + nameOf(type) + "（卡没有插好，或不是这种卡？）";
  if (type == CardType::At88sc1608 && zoneIndex < kAt88sc1608ConfigZone &&
      drv.IC_SetUserZone(h, static_cast<short>(zoneIndex)) != 0)
    return "选择用户区 " + std::to_string(zoneIndex) + " 失败";
  return {};
}

std::string readCard(BatchContext& ctx) {
  WaitCursor cursor(ctx.card.shell);
  memview::readImage(ctx.card, cursor, ctx.card.st.cardType);
  switch (ctx.card.st.viewState) {
    case ViewState::CardData:
      ctx.card.st.gridShown = 1;
      return {};
    case ViewState::NoCard: return "读卡失败：未插入卡";
    case ViewState::StatusError: return "读卡失败：读写器没有应答，请检查连接";
    default: return "读卡失败：卡片不接受 " + nameOf(ctx.card.st.cardType) + " 的读命令";
  }
}

std::string writeEditedRows(const memview::CardContext& ctx, std::vector<int>& failed) {
  CardSession& st = ctx.st;
  memview::RowWriter rows(ctx);
  if (st.cardType == CardType::At45d041 || st.cardType == CardType::Ssf1101) {
    const memview::RowOutcome outcome = rows.writeWholeImage();
    if (outcome == memview::RowOutcome::OtherCard) return memview::kOtherCard;
    if (outcome != memview::RowOutcome::Written) failed.push_back(0);
    return {};
  }
  for (int i = 1; i <= ctx.doc.editedRowCount; ++i) {
    const int a = ctx.doc.editedRows[static_cast<std::size_t>(i)];
    if (a < 0 || a >= st.byteCount) continue;
    const int length = st.byteCount - a < 16 ? st.byteCount - a : 16;
    const memview::RowOutcome outcome = rows.writeRow(a, length);
    // A card that no longer holds what was read is not written any further.
    if (outcome == memview::RowOutcome::OtherCard) return memview::kOtherCard;
    // A chip smaller than its type took the row elsewhere (and was put back).
    if (outcome == memview::RowOutcome::Aliased) return memview::aliasedWriteText(a, rows.aliased());
    if (outcome != memview::RowOutcome::Written) failed.push_back(a);
  }
  return {};
}

int codeDigits(CardType type) {
  const CodeForm* form = formFor(type);
  return form ? form->digits : 0;
}

CodeCheck presentCode(BatchContext& ctx, const std::string& code) {
  const CodeForm* form = formFor(ctx.card.st.cardType);
  if (!form) return {};
  const int h = ctx.card.st.readerHandle;
  const short before = form->readCount(ctx.card.drv, h);
  if (before < 0) return {"读错误计数失败（" + std::to_string(before) + "）：卡没有插好？"};
  if (before == 0) return {"错误：该卡已经报废！（没有剩余尝试次数）"};
  if (before == 1 && !ctx.lastAttempt) return {"只剩最后一次尝试机会，输错将锁死此卡！没有核对"};
  if (static_cast<int>(code.size()) != form->digits) return {"密码应为 " + std::to_string(form->digits) + " 位", true};
  std::vector<std::uint8_t> packed(code.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < code.size(); i += 2)
    packed[i / 2] = static_cast<std::uint8_t>(digitValue(code[i]) << 4 | digitValue(code[i + 1]));
  const short result = form->check(ctx.card.drv, h, packed.data());
  const short after = form->readCount(ctx.card.drv, h);
  // The counter is the judge: a presentation's own result can be wrong.
  if (result != 0 || after < before)
    return {"错误：密码错误！ 剩余尝试次数：" + std::to_string(after < 0 ? 0 : after) + "（批量写卡停止：请先核对密码）",
            true};
  return {};
}

}  // namespace batch
