// The "自动测卡型" command: the detection's outcome on screen and the menu
// bar of the card type found.
#include "view/card_detection.h"

#include <array>
#include <cstdint>

#include "cards/card_catalogue.h"
#include "memview/image_guard.h"
#include "view/pending_edits.h"
#include "reader/detection.h"
#include "view/app_state.h"
#include "view/card_type_menu.h"
#include "view/demo_view.h"
#include "view/view_painter.h"

namespace {

constexpr const char* kPleaseWait = "请稍候....";
// After the probe bytes left on the card: what the operator can do.
constexpr const char* kProbeRetryHint =
    "读写器恢复应答后再运行“自动测卡型”，会先把这些字节写回原值；也可以选定卡型、读卡，把它们改回原值。";

void showOutcome(ViewContext& ctx) {
  AppState& st = ctx.st;
  ViewPainter& p = ctx.painter;
  for (int i = 0; i < 5; ++i) ctx.shell.beep(1);
  if (st.detectResult == DetectResult::Found) {
    p.drawCardCaption(st.cardType);
    bool ready = true;
    if (st.cardType != CardType::Cpu) {
      capacityFor(st, p, st.cardType);
      p.drawPortName(st.port);
      ready = ctx.drv.IC_InitType(st.readerHandle, codeOf(driverTypeFor(st.cardType))) == 0;
    }
    st.detectResult = DetectResult::Unknown;
    p.eraseStatus(1, "正在自检");
    p.eraseStatus(2, kPleaseWait);  // all of it: a shorter erase would leave a dot
    p.showStatus(2, ready ? "检测成功" : "检测失败");
    return;
  }
  const char* reason = "未知卡型";
  if (st.detectResult == DetectResult::NoCard) {
    st.cardType = CardType::None;
    p.text(layout::cardNamePos, "AT88SC1604", colour::panelGrey, colour::panelGrey);
    p.eraseStatus(1, "正在读数据");
    p.eraseStatus(2, "  请稍等.....");
    reason = "未插入卡";
  } else if (st.detectResult == DetectResult::ReaderFailed) {
    p.eraseStatus(1, "正在读数据");
    p.text(layout::cardNamePos, "ATSC881604", colour::panelGrey, colour::panelGrey);
    p.eraseStatus(2, "  请稍等.....");
    reason = "未知串口";
  } else {
    p.eraseStatus(1, "正在读数据");
    p.text(layout::cardNamePos, "AT88SC1604", colour::panelGrey, colour::panelGrey);
    p.eraseStatus(2, "  请稍等.....");
  }
  p.showStatus(1, "检测失败");
  p.showStatus(2, reason);
  p.text(layout::cardNamePos, "未知卡型", colour::black, colour::panelGrey);
}

}  // namespace

DetectResult DetectCardType(ViewContext& ctx) {
  AppState& st = ctx.st;
  ViewPainter& p = ctx.painter;
  ctx.shell.setWaitCursor(true);
  p.drawBlankGrid();
  st.cardType = CardType::None;
  p.text(layout::pageNumberPos, "00", colour::panelGrey, colour::panelGrey);
  p.text(layout::pageTotalPos, "00", colour::panelGrey, colour::panelGrey);
  p.showStatus(1, "正在自检");
  p.showStatus(2, kPleaseWait);

  const DetectionOutcome outcome = probeCard(ctx);
  if (!outcome.readerAnswered) {
    ctx.shell.setWaitCursor(false);
    return st.detectResult;
  }
  showOutcome(ctx);
  if (!outcome.notRestored.empty()) {
    ctx.shell.setWaitCursor(false);
    ctx.shell.messageBox(probeNotRestoredText(outcome.notRestored) + kProbeRetryHint, "出错警告",
                         port::mb::kOk | port::mb::kIconExclamation);
  }
  if (st.cardType == CardType::At45d041) {
    std::array<std::uint8_t, 2> buffer{};
    ctx.drv.IC_DirectRead(st.readerHandle, 0, 0, 2, buffer.data());
  }
  ctx.shell.setWaitCursor(false);
  return st.detectResult;
}

void autoDetectCardType(CDemoView& view) {
  ViewContext& ctx = view.context();
  AppState& st = ctx.st;
  // The operator's own detection; the first one, at start, has no edits.
  if (!memview::askDiscardEdits(ctx)) return;
  memview::forgetCardImage(st);
  st.gridShown = 0;
  if (st.editActive == 1) {
    view.nestedKeyDown(port::vk::kEscape);
    if (st.editActive != 0) {
      ctx.window.hideCaret();
      st.editActive = 0;
    }
  }
  st.viewState = ViewState::NoCardData;
  DetectCardType(ctx);
  SwapMenuForCardType(ctx, st.cardType);
}
