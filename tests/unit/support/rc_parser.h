// The statement parsers of the resource-script reader. One Parser reads the
// tokens of one script into a File; its menu and dialog statements are
// parsed in rc_parser_menus.cpp and rc_parser_dialogs.cpp, the rest in
// rc_parser.cpp.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/rc_file.h"
#include "support/rc_lexer.h"

namespace rc::detail {

template <size_t N>
bool oneOf(const std::string& s, const char* const (&list)[N]) {
  return std::find(std::begin(list), std::end(list), s) != std::end(list);
}

class Parser {
 public:
  Parser(std::string path, std::vector<Token> tokens, Defines defines)
      : path_(std::move(path)), toks_(std::move(tokens)), defines_(std::move(defines)) {}

  File run() {
    File f;
    while (!atEnd()) statement(f);
    return f;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    int line = pos_ < toks_.size() ? toks_[pos_].line : (toks_.empty() ? 0 : toks_.back().line);
    throw std::runtime_error(path_ + ":" + std::to_string(line) + ": " + what);
  }
  bool atEnd() const { return pos_ >= toks_.size(); }
  const Token& cur() const {
    static const Token end;
    return atEnd() ? end : toks_[pos_];
  }
  bool isIdent(const char* word) const { return cur().kind == Tok::Ident && cur().text == word; }
  bool isPunct(const char* p) const { return cur().kind == Tok::Punct && cur().text == p; }
  bool accept(const char* p) {
    if (!isPunct(p)) return false;
    ++pos_;
    return true;
  }
  void expectComma() {
    if (!accept(",")) fail("',' expected");
  }
  std::string word() {
    if (cur().kind != Tok::Ident) fail("keyword expected");
    return toks_[pos_++].text;
  }
  std::string str() {
    if (cur().kind != Tok::String) fail("string expected");
    return toks_[pos_++].text;
  }
  void begin() {
    if (isIdent("BEGIN") || isPunct("{")) {
      ++pos_;
      return;
    }
    fail("BEGIN expected");
  }
  bool end() {
    if (isIdent("END") || isPunct("}")) {
      ++pos_;
      return true;
    }
    if (atEnd()) fail("END expected");
    return false;
  }

  long primary();
  long expr();
  int num() { return static_cast<int>(expr()); }

  // A style expression kept as written: WS_TABSTOP | NOT WS_VISIBLE.
  std::vector<std::string> styles();
  void skipMemoryOptions();
  void statement(File& f);

  // Menus (rc_parser_menus.cpp).
  void menuItems(std::vector<MenuItem>& items);
  void menuFlags(MenuItem& item);

  // Dialog templates (rc_parser_dialogs.cpp).
  Dialog dialog(int id, bool extended);
  // x, y, width and height, comma-separated.
  void rect(int& x, int& y, int& w, int& h);
  void position(Control& c) { rect(c.x, c.y, c.w, c.h); }
  void trailingStyles(Control& c);
  Control control();

  std::vector<Accelerator> accelerators();
  void stringTable(File& f);

  std::string path_;
  std::vector<Token> toks_;
  Defines defines_;
  size_t pos_ = 0;
};

}  // namespace rc::detail
