// A reader of the resource-script subset that demo.rc uses: menus, dialog
// templates, the string table, accelerators, icons and bitmaps, with the
// numeric #defines of the headers it includes.
#include "support/rc_file.h"

#include <algorithm>

#include "support/rc_lexer.h"
#include "support/rc_parser.h"

namespace rc {

bool Control::hasStyle(const std::string& s) const {
  return std::find(styles.begin(), styles.end(), s) != styles.end();
}

bool Control::visible() const { return !hasStyle("!WS_VISIBLE"); }

const Control* Dialog::control(int wanted) const {
  for (const Control& c : controls)
    if (c.id == wanted) return &c;
  return nullptr;
}

File File::load(const std::string& path) {
  // The names every script may use without including anything.
  detail::Defines defines = {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
  std::vector<detail::Token> tokens = detail::tokenize(path, defines);
  return detail::Parser(path, std::move(tokens), std::move(defines)).run();
}

const File& File::program() {
  static const File file = load(DEMO_SOURCE_DIR "/src/resources/demo.rc");
  return file;
}

const Menu* File::menu(int wanted) const {
  for (const Menu& m : menus)
    if (m.id == wanted) return &m;
  return nullptr;
}

const Dialog* File::dialog(int wanted) const {
  for (const Dialog& d : dialogs)
    if (d.id == wanted) return &d;
  return nullptr;
}

std::optional<std::string> File::string(int wanted) const {
  for (const auto& [id, text] : strings)
    if (id == wanted) return text;
  return std::nullopt;
}

const std::vector<Accelerator>* File::accelerators(int wanted) const {
  for (const auto& [id, table] : acceleratorTables)
    if (id == wanted) return &table;
  return nullptr;
}

bool File::hasIcon(int wanted) const {
  return std::find(icons.begin(), icons.end(), wanted) != icons.end();
}

bool File::hasBitmap(int wanted) const {
  return std::find(bitmaps.begin(), bitmaps.end(), wanted) != bitmaps.end();
}

}  // namespace rc
