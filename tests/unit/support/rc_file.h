// Reads the program's resource script (src/resources/demo.rc) so tests see
// the real menus, dialog templates and strings.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rc {

struct MenuItem {
  std::string caption;  // UTF-8, escapes resolved ("\t" etc.), "" for a separator
  int id = 0;           // 0 for popups and separators
  bool separator = false;
  bool popup = false;
  bool grayed = false;
  std::vector<MenuItem> children;  // popups only
};

struct Menu {
  int id = 0;
  std::vector<MenuItem> items;
};

struct Control {
  std::string kind;  // the statement: "EDITTEXT", "PUSHBUTTON", "CONTROL", ...
  std::string className;  // for CONTROL statements: "Button", "Static", ...
  std::string text;
  int id = -1;  // -1 (IDC_STATIC) for controls without an id
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<std::string> styles;  // style flags as written (ES_UPPERCASE, NOT WS_VISIBLE -> "!WS_VISIBLE", ...)
  bool hasStyle(const std::string& s) const;
  bool visible() const;  // false when "NOT WS_VISIBLE" was given
};

struct Dialog {
  int id = 0;
  std::string caption;
  std::string fontName;
  int fontSize = 0;
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<std::string> styles;
  std::vector<Control> controls;
  const Control* control(int id) const;
};

struct Accelerator {
  std::string key;  // as written: "N", "VK_F6", ...
  int id = 0;
  std::vector<std::string> flags;  // VIRTKEY, CONTROL, SHIFT, ALT
};

class File {
 public:
  // Loads and parses the file; throws std::runtime_error with the line
  // number on a syntax the reader does not know.
  static File load(const std::string& path);
  // The program's own resource script.
  static const File& program();

  const Menu* menu(int id) const;
  const Dialog* dialog(int id) const;
  std::optional<std::string> string(int id) const;
  const std::vector<Accelerator>* accelerators(int id) const;
  bool hasIcon(int id) const;
  bool hasBitmap(int id) const;

  std::vector<Menu> menus;
  std::vector<Dialog> dialogs;
  std::vector<std::pair<int, std::string>> strings;
  std::vector<std::pair<int, std::vector<Accelerator>>> acceleratorTables;
  std::vector<int> icons;
  std::vector<int> bitmaps;
};

}  // namespace rc
