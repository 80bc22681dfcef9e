#include "view/card_type_menu.h"

#include "cards/card_catalogue.h"
#include "memview/image_guard.h"
#include "view/app_state.h"
#include "view/view_painter.h"

namespace {

constexpr const char* kCardTypePopup = "卡型选择(&T)";
constexpr const char* kDeviceItem = "设备操作";
constexpr const char* kMenuError = "Error pNewMenu";

// Card types whose manual choice also asks the reader for the card status.
bool checksStatusAfterSelect(CardType cardType) {
  return cardType == CardType::At24c01a || cardType == CardType::Sle4442 || cardType == CardType::Sle4428;
}

}  // namespace

int menuResourceFor(CardType cardType) {
  switch (cardType) {
    case CardType::Sle4428:
    case CardType::Sle4442:
      return IDR_MENU_SLE;
    case CardType::Cpu:
    case CardType::Sam:
      return IDR_MENU_CPU;
    case CardType::At88sc102:
      return IDR_MENU_AT88SC102;
    case CardType::At24c01a:
    case CardType::At24c02:
    case CardType::At24c04:
    case CardType::At24c08:
    case CardType::At24c16:
    case CardType::At45d041:
    case CardType::At24c64:
      return IDR_MENU_I2C;
    case CardType::At88sc1604:
    case CardType::At88sc1604b:
      return IDR_MENU_AT88SC1604;
    case CardType::At88sc1608:
    case CardType::At88sc153:
      return IDR_MENU_AT88SC1608;
    default:
      return IDR_MAINFRAME;
  }
}

int FindMenuItem(port::MenuBar& bar, port::MenuRef menu, std::string_view caption) {
  if (menu == 0) return -1;
  const int count = bar.itemCount(menu);
  for (int i = 0; i < count; ++i) {
    const std::string text = bar.itemCaption(menu, i);
    if (text.empty()) continue;  // separators never match
    if (text == caption) return i;
  }
  return -1;
}

void SwapMenuForCardType(ViewContext& ctx, CardType cardType) {
  const port::MenuRef bar = ctx.menu.load(menuResourceFor(cardType));
  if (bar == 0) {
    // The old bar stays; the operator is told the new one could not be made.
    ctx.shell.messageBox(kMenuError, kAppTitle, port::mb::kOk);
    return;
  }
  ctx.menu.install(bar);
  if (ctx.st.port == ReaderPort::Usb) {
    // The device operation dialog is only offered on a serial connection.
    const int popupPos = FindMenuItem(ctx.menu, bar, kCardTypePopup);
    const port::MenuRef popup = popupPos >= 0 ? ctx.menu.subMenu(bar, popupPos) : 0;
    if (popup == 0) {
      ctx.shell.messageBox(kMenuError, kAppTitle, port::mb::kOk);
      return;
    }
    const int devicePos = FindMenuItem(ctx.menu, popup, kDeviceItem);
    if (devicePos >= 0) ctx.menu.removeItem(popup, devicePos);
  }
  ctx.st.editActive = 0;
  ctx.window.hideCaret();
  ctx.st.viewState = ViewState::NoCardData;
  ctx.menu.redrawFrame();
}

void chooseMemoryCardType(ViewContext& ctx, CardType cardType) {
  AppState& st = ctx.st;
  memview::forgetCardImage(st);
  st.cardType = cardType;
  SwapMenuForCardType(ctx, cardType);
  ctx.painter.drawCardCaption(cardType);
  capacityFor(st, ctx.painter, cardType);
  bool ok = ctx.drv.IC_InitType(st.readerHandle, codeOf(driverTypeFor(cardType))) == 0;
  if (ok && checksStatusAfterSelect(cardType)) ok = ctx.drv.IC_Status(st.readerHandle) == 0;
  ctx.painter.eraseStatus(1, "正在读数据.");
  ctx.painter.eraseStatus(2, "  请稍等.....");
  ctx.painter.showStatus(2, ok ? "设卡成功" : "设卡失败");
}

void chooseCpuCard(ViewContext& ctx) {
  memview::forgetCardImage(ctx.st);
  ctx.st.cardType = CardType::Cpu;
  SwapMenuForCardType(ctx, CardType::Cpu);
}
