// The menu statements of the resource-script reader: MENU and MENUEX.
#include "support/rc_parser.h"

namespace rc::detail {

void Parser::menuItems(std::vector<MenuItem>& items) {
  begin();
  while (!end()) {
    MenuItem item;
    std::string kind = word();
    if (kind == "MENUITEM" && isIdent("SEPARATOR")) {
      ++pos_;
      item.separator = true;
    } else if (kind == "MENUITEM") {
      item.caption = str();
      expectComma();
      item.id = num();
      menuFlags(item);
    } else if (kind == "POPUP") {
      item.popup = true;
      item.caption = str();
      menuFlags(item);
      menuItems(item.children);
    } else {
      fail("MENUITEM or POPUP expected, got " + kind);
    }
    items.push_back(std::move(item));
  }
}

void Parser::menuFlags(MenuItem& item) {
  for (;;) {
    accept(",");
    if (isIdent("GRAYED")) item.grayed = true;
    else if (!(isIdent("INACTIVE") || isIdent("CHECKED") || isIdent("MENUBARBREAK") ||
               isIdent("MENUBREAK") || isIdent("HELP")))
      return;
    ++pos_;
  }
}

}  // namespace rc::detail
