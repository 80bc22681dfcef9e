// The dialog template statements of the resource-script reader: DIALOG and
// DIALOGEX with their controls.
#include "support/rc_parser.h"

namespace rc::detail {

namespace {

// Statements whose arguments are: "text", id, x, y, w, h [, style [, exstyle]].
const char* const kTextControls[] = {"LTEXT",        "CTEXT",        "RTEXT",          "PUSHBUTTON",
                                     "DEFPUSHBUTTON", "PUSHBOX",     "CHECKBOX",       "AUTOCHECKBOX",
                                     "RADIOBUTTON",  "AUTORADIOBUTTON", "STATE3",     "AUTO3STATE",
                                     "GROUPBOX"};
// Statements whose arguments are: id, x, y, w, h [, style [, exstyle]].
const char* const kPlainControls[] = {"EDITTEXT", "COMBOBOX", "LISTBOX", "SCROLLBAR"};

}  // namespace

Dialog Parser::dialog(int id, bool extended) {
  Dialog d;
  d.id = id;
  rect(d.x, d.y, d.w, d.h);
  if (extended && accept(",")) num();  // help id
  for (;;) {
    if (isIdent("STYLE")) {
      ++pos_;
      d.styles = styles();
    } else if (isIdent("EXSTYLE")) {
      ++pos_;
      styles();
    } else if (isIdent("CAPTION")) {
      ++pos_;
      d.caption = str();
    } else if (isIdent("FONT")) {
      ++pos_;
      d.fontSize = num();
      expectComma();
      d.fontName = str();
      while (accept(",")) num();  // weight, italic, character set
    } else if (isIdent("LANGUAGE")) {
      ++pos_;
      num();
      expectComma();
      num();
    } else {
      break;
    }
  }
  begin();
  while (!end()) d.controls.push_back(control());
  return d;
}

void Parser::rect(int& x, int& y, int& w, int& h) {
  x = num();
  expectComma();
  y = num();
  expectComma();
  w = num();
  expectComma();
  h = num();
}

void Parser::trailingStyles(Control& c) {
  if (!accept(",")) return;
  c.styles = styles();
  if (accept(",")) styles();  // extended styles
}

Control Parser::control() {
  Control c;
  c.kind = word();
  if (oneOf(c.kind, kTextControls)) {
    c.text = str();
    expectComma();
    c.id = num();
    expectComma();
    position(c);
    trailingStyles(c);
  } else if (oneOf(c.kind, kPlainControls)) {
    c.id = num();
    expectComma();
    position(c);
    trailingStyles(c);
  } else if (c.kind == "ICON") {
    c.text = cur().kind == Tok::String ? str() : std::to_string(num());
    expectComma();
    c.id = num();
    expectComma();
    c.x = num();
    expectComma();
    c.y = num();
    if (accept(",")) {
      c.w = num();
      expectComma();
      c.h = num();
      trailingStyles(c);
    }
  } else if (c.kind == "CONTROL") {
    c.text = cur().kind == Tok::String ? str() : std::to_string(num());
    expectComma();
    c.id = num();
    expectComma();
    c.className = cur().kind == Tok::String ? str() : word();
    expectComma();
    c.styles = styles();
    expectComma();
    position(c);
    if (accept(",")) styles();
  } else {
    fail("unknown control statement " + c.kind);
  }
  return c;
}

}  // namespace rc::detail
