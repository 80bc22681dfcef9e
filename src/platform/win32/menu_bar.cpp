#include "platform/win32/menu_bar.h"

#include "platform/win32/text.h"

namespace win32 {
namespace {

HMENU handle(port::MenuRef m) { return reinterpret_cast<HMENU>(m); }
port::MenuRef ref(HMENU m) { return reinterpret_cast<port::MenuRef>(m); }

}  // namespace

port::MenuRef MenuBar::load(int resourceId) {
  HMENU m = LoadMenuW(ctx_.instance, MAKEINTRESOURCEW(resourceId));
  if (m == nullptr) {
    const std::string text = "菜单资源 " + std::to_string(resourceId) + " 无法加载（" + errorText(GetLastError()) + "）。";
    MessageBoxW(ctx_.frame, wide(text).c_str(), L"Kv310型读写器演示系统", MB_OK | MB_ICONSTOP);
  }
  return ref(m);
}

int MenuBar::itemCount(port::MenuRef menu) { return menu ? GetMenuItemCount(handle(menu)) : 0; }

std::string MenuBar::itemCaption(port::MenuRef menu, int position) {
  if (!menu) return "";
  wchar_t buffer[256] = {};
  const int n = GetMenuStringW(handle(menu), static_cast<UINT>(position), buffer, 256, MF_BYPOSITION);
  return n > 0 ? narrow(std::wstring_view(buffer, static_cast<std::size_t>(n))) : std::string();
}

port::MenuRef MenuBar::subMenu(port::MenuRef menu, int position) {
  return menu ? ref(GetSubMenu(handle(menu), position)) : 0;
}

bool MenuBar::removeItem(port::MenuRef menu, int position) {
  return menu && RemoveMenu(handle(menu), static_cast<UINT>(position), MF_BYPOSITION);
}

void MenuBar::install(port::MenuRef menu) {
  if (!menu || ctx_.frame == nullptr) return;
  HMENU old = GetMenu(ctx_.frame);
  if (!SetMenu(ctx_.frame, handle(menu))) return;
  // The replaced bar is no longer referenced by anyone: destroy it.
  if (old != nullptr && old != handle(menu)) DestroyMenu(old);
}

void MenuBar::redrawFrame() {
  if (ctx_.frame == nullptr) return;
  DrawMenuBar(ctx_.frame);
  RedrawWindow(ctx_.frame, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  UpdateWindow(ctx_.frame);
  ShowWindow(ctx_.frame, SW_SHOWNORMAL);
}

}  // namespace win32
