#include "view/write_command.h"

#include <cstdint>
#include <string>

#include "memview/demo_doc.h"
#include "view/app_state.h"
#include "view/read_command.h"
#include "view/view_painter.h"

namespace memview {

namespace {

constexpr const char* kInfoCaption = "提示信息";

short toShort(int v) { return static_cast<short>(v); }

bool isProtectedCard(CardType cardType) {
  return cardType == CardType::Sle4442 || cardType == CardType::Sle4428;
}

}  // namespace

bool CardWriter::imageWritable() {
  if (holdsCurrentRead(ctx_.st)) return true;
  ctx_.shell.messageBox(kReadFirst, kInfoCaption, port::mb::kIconExclamation);
  return false;
}

void CardWriter::enterEditMode() {
  AppState& st = ctx_.st;
  if (st.gridShown != 1) return;
  // A grid on screen may still be an earlier card's, zone's or page's.
  if (!imageWritable()) return;
  ViewPainter& p = ctx_.painter;
  p.showStatus(1, kHintWrite);
  p.showStatus(2, kHintEscape);
  if (isProtectedCard(st.cardType)) p.showStatus(3, kHintProtect);
  ctx_.window.createCaret(st.charWidth - 1, st.lineHeight);
  editor_.moveTo({false, 0, 0, false});
  ctx_.window.showCaret();
  editor_.caretParked = false;
  st.editActive = 1;
  st.caretInAscii = 0;
  p.drawCaretInfo();
}

void CardWriter::leaveEditMode() {
  AppState& st = ctx_.st;
  st.editActive = 0;
  st.caretInAscii = 0;
  if (!editor_.caretParked) ctx_.window.hideCaret();
  editor_.caretParked = false;
  eraseEditHints(ctx_.painter);
}

void CardWriter::toggleMark() {
  AppState& st = ctx_.st;
  if (!st.editActive || editor_.caretParked || st.caretInAscii || !isProtectedCard(st.cardType)) return;
  if (!imageWritable()) return;
  const int a = addressOf(st, editor_.caret());
  if (a < 0 || a >= st.byteCount) return;
  std::uint8_t* flag = nullptr;
  if (st.cardType == CardType::Sle4442) {
    if (a >= 32 || st.protect4442Saved[static_cast<std::size_t>(a)] == kProtectedFlag) return;
    flag = &st.protect4442[static_cast<std::size_t>(a)];
  } else {
    if (a >= 1021 || flag4428(st.pages4428Saved, a) == kProtectedFlag) return;
    flag = &flag4428(st.pages4428, a);
  }
  *flag = *flag == kProtectedFlag ? kWritableFlag : kProtectedFlag;
  if (!editor_.caretParked) ctx_.window.hideCaret();
  ctx_.painter.drawCell(a, ctx_.painter.byteColour(a));
  if (!editor_.caretParked) ctx_.window.showCaret();
}

bool CardWriter::rereadAfterFailure() {
  const bool pending = hasPendingEdits(ctx_.st, ctx_.doc);
  if (rereadCore() != 0) {
    ctx_.shell.messageBox("没有插入卡！", kInfoCaption, port::mb::kIconInformation);
    return false;
  }
  ctx_.window.invalidate(true);
  if (pending) reportEditsDropped(ctx_.painter);
  return true;
}

void CardWriter::writeEditedRows() {
  if (!imageWritable()) return;
  const bool written = writeRows();
  // Rows the card took leave the list; rows it refused stay for the next
  // F5. A re-read has emptied it.
  ctx_.doc.pruneRows();
  redrawPage();
  if (!written) return;
  // Protection only after every data write was taken: a mark set while the
  // failure was on screen, or before a write that did not happen, waits for
  // the next F5.
  AppState& st = ctx_.st;
  if (st.cardType == CardType::Sle4428 && !rows_.writeMarks4428()) return;
  if (st.cardType == CardType::Sle4442 && !rows_.writeMarks4442()) return;
  ctx_.painter.drawCaretInfo();
}

bool CardWriter::writeRows() {
  AppState& st = ctx_.st;
  CDemoDoc& doc = ctx_.doc;
  bool failed = false;
  for (int i = 1; i <= doc.editedRowCount; ++i) {
    const int a = doc.editedRows[static_cast<std::size_t>(i)];
    // No row at or beyond the card's end is ever written.
    if (a < 0 || a >= st.byteCount) continue;
    const int length = st.byteCount - a < 16 ? st.byteCount - a : 16;
    // The AT45D041 page and the SSF1101 block are written whole, once.
    const bool wholeImage = st.cardType == CardType::At45d041 || st.cardType == CardType::Ssf1101;
    const RowOutcome outcome = wholeImage ? rows_.writeWholeImage() : rows_.writeRow(a, length);
    if (outcome == RowOutcome::OtherCard) {
      reportOtherCard();
      return false;
    }
    if (outcome == RowOutcome::Aliased) {
      rows_.reportAliased(a);
      return false;
    }
    if (outcome == RowOutcome::Written) {
      recordWritten(st, doc, wholeImage ? 0 : a, wholeImage ? st.byteCount : length);
      if (!wholeImage) continue;
      rows_.beep(4);
      break;
    }
    // A failed row is always reported by the question below; a later
    // successful row does not hide it.
    failed = true;
    // A write that the card answered but did not keep is only reported:
    // the question below offers the re-read.
    if (outcome == RowOutcome::NotKept) {
      if (wholeImage) break;
      continue;
    }
    const bool rereads = wholeImage || st.cardType == CardType::Sle4442 || st.cardType == CardType::At88sc102 ||
                         st.cardType == CardType::At24c01a;
    if (rereads) {
      if (!rereadAfterFailure()) return false;
      // The card image now holds what the card holds: the edits of the
      // remaining rows are gone, and writing the freshly read bytes back
      // would only risk the card's codes.
      break;
    }
  }
  rows_.beep(1);
  if (failed && ctx_.shell.messageBox("写入没有成功，要重新读卡吗？", "操作提示",
                                      port::mb::kYesNo | port::mb::kIconStop) == port::mb::kIdYes) {
    const bool pending = hasPendingEdits(ctx_.st, ctx_.doc);
    const bool read = rereadCore() == 0;
    ctx_.window.invalidate(true);
    if (read && pending) reportEditsDropped(ctx_.painter);
  }
  return !failed;
}

void CardWriter::redrawPage() {
  // Written bytes lose the pending colour.
  // The error counter page stays until the operator leaves it.
  if (!holdsCurrentRead(ctx_.st) || editor_.caretParked) return;
  const bool caret = ctx_.st.editActive != 0;
  if (caret) ctx_.window.hideCaret();
  ctx_.painter.drawGrid();
  if (caret) ctx_.window.showCaret();
}

int CardWriter::rereadCore() {
  AppState& st = ctx_.st;
  // An AT88SC1608 reads the user zone it has selected, which after a swap
  // or a power cycle is not the one on screen: select it as Read does.
  if (st.cardType == CardType::At88sc1608 && st.zoneIndex < kAt88sc1608ConfigZone &&
      ctx_.drv.IC_SetUserZone(st.readerHandle, toShort(st.zoneIndex)) != 0) {
    forgetCardImage(st);
    st.viewState = ViewState::ReadFailed;
    return 1;
  }
  return readCore(ctx_, st.port, st.cardType);
}

void CardWriter::reportOtherCard() {
  // Nothing of the row was written; the edits stay for a write after the
  // operator has read the card again.
  rows_.beep(1);
  ctx_.shell.messageBox(kOtherCard, kInfoCaption, port::mb::kIconExclamation);
}

void CardWriter::showErrorCounterPage() {
  AppState& st = ctx_.st;
  if (st.editActive && !editor_.caretParked) {
    ctx_.window.hideCaret();
    editor_.caretParked = true;
  }
  const int count = st.cardType == CardType::Sle4442 ? ctx_.drv.IC_ReadCount_SLE4442(st.readerHandle)
                                                     : ctx_.drv.IC_ReadCount_SLE4428(st.readerHandle);
  ctx_.painter.drawBlankGrid();
  ctx_.painter.text({60, 90}, "错误计数：" + std::to_string(count), colour::red, colour::navy);
}

}  // namespace memview
