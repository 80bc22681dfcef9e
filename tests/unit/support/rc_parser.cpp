// The parser's expressions and styles, the dispatch on the resource type,
// and the statements other than menus and dialogs: accelerators, the string
// table, icons and bitmaps.
#include "support/rc_parser.h"

namespace rc::detail {

namespace {

const char* const kMemoryOptions[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE", "DISCARDABLE",
                                      "PURE",    "IMPURE",     "SHARED", "NONSHARED"};

}  // namespace

long Parser::primary() {
  if (accept("-")) return -primary();
  if (accept("~")) return ~primary();
  if (accept("(")) {
    long v = expr();
    if (!accept(")")) fail("')' expected");
    return v;
  }
  if (cur().kind == Tok::Number) return toks_[pos_++].value;
  if (cur().kind == Tok::Ident) {
    auto d = defines_.find(cur().text);
    if (d == defines_.end()) fail("unknown name " + cur().text);
    ++pos_;
    return d->second;
  }
  fail("number expected");
}

long Parser::expr() {
  long v = primary();
  for (;;) {
    if (accept("|")) v |= primary();
    else if (accept("+")) v += primary();
    else if (accept("-")) v -= primary();
    else return v;
  }
}

std::vector<std::string> Parser::styles() {
  std::vector<std::string> out;
  do {
    bool negated = false;
    if (isIdent("NOT")) {
      ++pos_;
      negated = true;
    }
    std::string term;
    if (cur().kind == Tok::Ident || cur().kind == Tok::Number) term = toks_[pos_++].text;
    else fail("style expected");
    out.push_back(negated ? "!" + term : term);
  } while (accept("|"));
  return out;
}

void Parser::skipMemoryOptions() {
  while (cur().kind == Tok::Ident && oneOf(cur().text, kMemoryOptions)) ++pos_;
}

void Parser::statement(File& f) {
  if (isIdent("STRINGTABLE")) {
    ++pos_;
    stringTable(f);
    return;
  }
  if (isIdent("LANGUAGE")) {
    ++pos_;
    num();
    expectComma();
    num();
    return;
  }
  int id = num();
  std::string type;
  if (cur().kind == Tok::Number) type = toks_[pos_++].text;
  else type = word();
  skipMemoryOptions();
  if (type == "MENU" || type == "MENUEX") {
    Menu m;
    m.id = id;
    menuItems(m.items);
    f.menus.push_back(std::move(m));
  } else if (type == "DIALOG" || type == "DIALOGEX") {
    f.dialogs.push_back(dialog(id, type == "DIALOGEX"));
  } else if (type == "ACCELERATORS") {
    f.acceleratorTables.emplace_back(id, accelerators());
  } else if (type == "ICON") {
    str();
    f.icons.push_back(id);
  } else if (type == "BITMAP") {
    str();
    f.bitmaps.push_back(id);
  } else if (type == "24" || type == "RT_MANIFEST") {
    str();
  } else {
    fail("unknown resource type " + type);
  }
}

std::vector<Accelerator> Parser::accelerators() {
  std::vector<Accelerator> out;
  begin();
  while (!end()) {
    Accelerator a;
    if (cur().kind == Tok::String || cur().kind == Tok::Ident || cur().kind == Tok::Number)
      a.key = toks_[pos_++].text;
    else
      fail("accelerator key expected");
    expectComma();
    a.id = num();
    while (accept(",")) a.flags.push_back(word());
    out.push_back(std::move(a));
  }
  return out;
}

void Parser::stringTable(File& f) {
  skipMemoryOptions();
  while (isIdent("LANGUAGE") || isIdent("CHARACTERISTICS") || isIdent("VERSION")) {
    ++pos_;
    num();
    if (accept(",")) num();
  }
  begin();
  while (!end()) {
    int id = num();
    accept(",");
    f.strings.emplace_back(id, str());
  }
}

}  // namespace rc::detail
