// Reading a card into the card image: the read core and the Read command.
#include "view/read_command.h"

#include "memview/card_read.h"
#include "memview/image_guard.h"
#include "view/pending_edits.h"
#include "platform/wait_cursor.h"
#include "view/app_state.h"
#include "view/editor_caret.h"
#include "view/view_painter.h"
#include "view/zone_select_dlg.h"

namespace {

constexpr const char* kInfoCaption = "提示信息";
constexpr const char* kReading = "正在读数据";
constexpr const char* kPleaseWait = " 请稍等.......";

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

int readCore(ViewContext& ctx, ReaderPort port, CardType cardType) {
  AppState& st = ctx.st;
  WaitCursor cursor(ctx.shell);
  // Whatever happens below, the image stands for no card until the read
  // succeeds.
  memview::forgetCardImage(st);
  if (codeOf(port) < 0 || codeOf(cardType) <= 0) {  // no reader or no card type
    if (st.editActive) {
      st.editActive = 0;
      st.caretInAscii = 0;
      ctx.window.hideCaret();
    }
    return 1;
  }
  capacityFor(st, ctx.painter, cardType);
  st.pageCount = pageCountFor(st.byteCount);
  st.currentPage = 0;
  ctx.painter.drawCaretInfo();

  return memview::readImage(ctx, cursor, cardType);
}

namespace {

// Opens the page/zone dialog pre-filled with `number`; false on cancel.
bool askNumber(ViewContext& ctx, CardType cardType, int& number) {
  CZoneSelectDlg dlg;
  dlg.m_pageNumber = number;
  dlg.m_cardType = cardType;
  if (ctx.dialogs.runModal(dlg) != port::mb::kIdOk) return false;
  number = dlg.m_pageNumber;
  return true;
}

// Selects the card type for the read; false (after telling) when refused.
bool initTypeOrTell(ViewContext& ctx, pelox::DriverType driverType) {
  if (ctx.drv.IC_InitType(ctx.st.readerHandle, codeOf(driverType)) == 0) return true;
  ctx.shell.messageBox("init card is fail.!", kInfoCaption, port::mb::kIconInformation);
  return false;
}

enum class Selection { Chosen, Cancelled, Refused };

// The page, block or zone to read, asked for where the card has them and
// selected on the card; st keeps the old number until the read succeeds.
Selection choosePart(ViewContext& ctx, int& number) {
  AppState& st = ctx.st;
  switch (st.cardType) {
    case CardType::At45d041:
      if (!initTypeOrTell(ctx, pelox::DriverType::At45d041)) return Selection::Refused;
      number = st.zoneIndex;
      if (!askNumber(ctx, st.cardType, number)) return Selection::Cancelled;
      number = number > 2047 ? 2047 : number;
      return Selection::Chosen;
    case CardType::Ssf1101:
      if (!initTypeOrTell(ctx, pelox::DriverType::Ssf1101)) return Selection::Refused;
      number = st.blockIndex;
      if (!askNumber(ctx, st.cardType, number)) return Selection::Cancelled;
      number = number > 511 ? 511 : number;
      return Selection::Chosen;
    case CardType::At88sc1608:
      number = st.zoneIndex;
      if (!askNumber(ctx, st.cardType, number)) return Selection::Cancelled;
      number = number > kAt88sc1608ConfigZone ? kAt88sc1608ConfigZone : number;
      if (number < kAt88sc1608ConfigZone && ctx.drv.IC_SetUserZone(st.readerHandle, toShort(number)) != 0) {
        ctx.shell.messageBox("IC_SetUserZone is fail.!", kInfoCaption, port::mb::kIconInformation);
        return Selection::Refused;
      }
      return Selection::Chosen;
    default:
      return Selection::Chosen;
  }
}

// Reads the card's part `number` (zone, page or block where the card type
// has them). The number is kept only when the read succeeds: a failed read
// leaves the old one, which the image on screen belongs to.
void readPart(ViewContext& ctx, int number) {
  AppState& st = ctx.st;
  const int oldZone = st.zoneIndex;
  const int oldBlock = st.blockIndex;
  if (st.cardType == CardType::Ssf1101) {
    st.blockIndex = number;
  } else if (st.cardType == CardType::At45d041 || st.cardType == CardType::At88sc1608) {
    st.zoneIndex = number;
  }
  if (readCore(ctx, st.port, st.cardType) == 0) return;
  st.zoneIndex = oldZone;
  st.blockIndex = oldBlock;
  st.byteCount = byteCountFor(st.cardType, st.zoneIndex, st.byteCount);
  st.pageCount = pageCountFor(st.byteCount);
}

void runRead(ViewContext& ctx, bool byOperator) {
  AppState& st = ctx.st;
  if (byOperator && !memview::askDiscardEdits(ctx)) return;
  const bool pending = memview::hasPendingEdits(ctx.st, ctx.doc);
  if (st.editActive) {
    ctx.window.hideCaret();
    st.editActive = 0;
    memview::eraseEditHints(ctx.painter);
  }
  int number = 0;
  const Selection selection = choosePart(ctx, number);
  if (selection == Selection::Cancelled) return;

  ViewPainter& p = ctx.painter;
  p.showStatus(1, kReading);
  p.showStatus(2, kPleaseWait);
  st.caretInAscii = 0;
  if (selection == Selection::Refused) {
    // The card did not take the selection: whatever it would read is not
    // the part asked for.
    memview::forgetCardImage(st);
    st.viewState = ViewState::ReadFailed;
  } else {
    readPart(ctx, number);
  }

  p.eraseStatus(1, kReading);
  p.eraseStatus(2, kPleaseWait);
  switch (st.viewState) {
    case ViewState::NoCard:
      p.showStatus(1, "读卡失败");
      p.showStatus(2, "未插入卡");
      break;
    case ViewState::CardData:
      st.gridShown = 1;
      // The repaint clears the status area, so the outcome comes after it.
      ctx.window.invalidate(true);
      p.showStatus(2, "读卡成功");
      if (pending) memview::reportEditsDropped(p);
      break;
    case ViewState::StatusError:
      p.showStatus(1, "读卡失败");
      p.showStatus(2, "未知串口");
      break;
    default:
      p.showStatus(1, "读卡失败");
      p.showStatus(2, "未知错误");
      break;
  }
  for (int i = 0; i < 4; ++i) ctx.shell.beep(1);
}

}  // namespace

void runReadCommand(ViewContext& ctx) { runRead(ctx, true); }

void rereadCard(ViewContext& ctx) { runRead(ctx, false); }

namespace memview {

void reportEditsDropped(ViewPainter& painter) { painter.showStatus(1, kEditsDropped); }

}  // namespace memview
