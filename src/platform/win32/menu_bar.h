// port::MenuBar on Win32: the main window's menu bar.
#pragma once

#include "platform/ports.h"
#include "platform/win32/context.h"

namespace win32 {

class MenuBar : public port::MenuBar {
 public:
  explicit MenuBar(Context& ctx) : ctx_(ctx) {}
  port::MenuRef load(int resourceId) override;
  int itemCount(port::MenuRef menu) override;
  std::string itemCaption(port::MenuRef menu, int position) override;
  port::MenuRef subMenu(port::MenuRef menu, int position) override;
  bool removeItem(port::MenuRef menu, int position) override;
  void install(port::MenuRef menu) override;
  void redrawFrame() override;

 private:
  Context& ctx_;
};

// Greys every item of a popup whose command nobody handles and enables the
// others (submenus and separators are left alone).
template <typename Enabled>
void updatePopup(HMENU popup, Enabled enabled) {
  const int n = GetMenuItemCount(popup);
  for (int i = 0; i < n; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (enabled(static_cast<int>(id)) ? MF_ENABLED : MF_GRAYED));
  }
}

}  // namespace win32
