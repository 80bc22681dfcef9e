// A reader of the resource-script subset that demo.rc uses: menus, dialog
// templates, the string table, accelerators, icons and bitmaps, with the
// numeric #defines of the headers it includes.
#include "support/rc_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

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

namespace {

enum class Tok { End, Ident, Number, String, Punct };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifier, resolved string, punctuation or number text
  long value = 0;    // numbers
  int line = 0;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot open");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string directoryOf(const std::string& path) {
  auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void appendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | ((cp >> 12) & 0x0F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Splits the script into tokens; preprocessor lines are handled here.
class Lexer {
 public:
  Lexer(std::string path, std::map<std::string, long>& defines)
      : path_(std::move(path)), src_(readFile(path_)), defines_(defines) {}

  std::vector<Token> run() {
    std::vector<Token> out;
    bool lineStart = true;
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
        lineStart = true;
        continue;
      }
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
        continue;
      }
      if (c == '/' && peek(1) == '/') {
        skipToLineEnd();
        continue;
      }
      if (c == '/' && peek(1) == '*') {
        auto end = src_.find("*/", pos_ + 2);
        if (end == std::string::npos) fail("unterminated comment");
        line_ += static_cast<int>(std::count(src_.begin() + pos_, src_.begin() + end, '\n'));
        pos_ = end + 2;
        continue;
      }
      if (c == '#' && lineStart) {
        directive();
        continue;
      }
      lineStart = false;
      Token t;
      t.line = line_;
      if (c == '"' || ((c == 'L' || c == 'l') && peek(1) == '"')) {
        if (c != '"') ++pos_;
        t.kind = Tok::String;
        t.text = string();
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        t.kind = Tok::Number;
        t.value = number(t.text);
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        t.kind = Tok::Ident;
        while (pos_ < src_.size() &&
               (std::isalnum(static_cast<unsigned char>(src_[pos_])) || src_[pos_] == '_'))
          t.text += src_[pos_++];
      } else if (std::string("{},|()+-~").find(c) != std::string::npos) {
        t.kind = Tok::Punct;
        t.text = std::string(1, c);
        ++pos_;
      } else {
        fail(std::string("unexpected character '") + c + "'");
      }
      out.push_back(std::move(t));
    }
    return out;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error(path_ + ":" + std::to_string(line_) + ": " + what);
  }
  char peek(size_t ahead) const {
    return pos_ + ahead < src_.size() ? src_[pos_ + ahead] : '\0';
  }
  void skipToLineEnd() {
    while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
  }

  long number(std::string& text) {
    size_t start = pos_;
    long v = 0;
    if (src_[pos_] == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
      pos_ += 2;
      size_t digits = pos_;
      while (pos_ < src_.size() && std::isxdigit(static_cast<unsigned char>(src_[pos_])))
        ++pos_;
      if (pos_ == digits) fail("bad hexadecimal number");
      v = std::stol(src_.substr(digits, pos_ - digits), nullptr, 16);
    } else {
      while (pos_ < src_.size() && std::isdigit(static_cast<unsigned char>(src_[pos_]))) ++pos_;
      v = std::stol(src_.substr(start, pos_ - start));
    }
    text = src_.substr(start, pos_ - start);
    while (pos_ < src_.size() && (src_[pos_] == 'L' || src_[pos_] == 'l' || src_[pos_] == 'U' ||
                                  src_[pos_] == 'u'))
      ++pos_;
    return v;
  }

  // A quoted string: C escapes, and "" stands for one quote.
  std::string string() {
    ++pos_;  // opening quote
    std::string out;
    for (;;) {
      if (pos_ >= src_.size() || src_[pos_] == '\n') fail("unterminated string");
      char c = src_[pos_++];
      if (c == '"') {
        if (peek(0) == '"') {
          out += '"';
          ++pos_;
          continue;
        }
        return out;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= src_.size()) fail("unterminated string");
      char e = src_[pos_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case '\'': out += '\''; break;
        case 'x': {
          unsigned long v = 0;
          int n = 0;
          while (n < 4 && std::isxdigit(static_cast<unsigned char>(peek(0)))) {
            char d = src_[pos_++];
            v = v * 16 + static_cast<unsigned long>(
                             std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                                                                         : (std::tolower(d) - 'a' + 10));
            ++n;
          }
          if (n == 0) fail("bad \\x escape");
          appendUtf8(out, v);
          break;
        }
        default:
          if (e >= '0' && e <= '7') {
            unsigned long v = static_cast<unsigned long>(e - '0');
            for (int n = 1; n < 3 && peek(0) >= '0' && peek(0) <= '7'; ++n)
              v = v * 8 + static_cast<unsigned long>(src_[pos_++] - '0');
            appendUtf8(out, v);
          } else {
            fail(std::string("unknown escape \\") + e);
          }
      }
    }
  }

  void directive() {
    size_t start = pos_;
    skipToLineEnd();
    std::istringstream line(src_.substr(start + 1, pos_ - start - 1));
    std::string word;
    line >> word;
    if (word == "pragma") return;
    if (word == "define") {
      std::string name, value;
      line >> name >> value;
      if (name.empty()) fail("#define without a name");
      if (value.empty()) return;  // include guards and flags
      try {
        size_t used = 0;
        long v = std::stol(value, &used, 0);
        defines_[name] = v;
      } catch (const std::exception&) {
        auto known = defines_.find(value);
        if (known != defines_.end()) defines_[name] = known->second;
      }
      return;
    }
    if (word == "include") {
      std::string rest;
      std::getline(line, rest);
      auto open = rest.find('"');
      if (open == std::string::npos) return;  // <windows.h> and other system headers
      auto close = rest.find('"', open + 1);
      if (close == std::string::npos) fail("bad #include");
      std::string file = directoryOf(path_) + "/" + rest.substr(open + 1, close - open - 1);
      Lexer inner(file, defines_);
      if (!inner.run().empty()) fail(file + " holds more than preprocessor lines");
      return;
    }
    fail("unknown directive #" + word);
  }

  std::string path_;
  std::string src_;
  std::map<std::string, long>& defines_;
  size_t pos_ = 0;
  int line_ = 1;
};

const char* const kMemoryOptions[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE", "DISCARDABLE",
                                      "PURE",    "IMPURE",     "SHARED", "NONSHARED"};

// Statements whose arguments are: "text", id, x, y, w, h [, style [, exstyle]].
const char* const kTextControls[] = {"LTEXT",        "CTEXT",        "RTEXT",          "PUSHBUTTON",
                                     "DEFPUSHBUTTON", "PUSHBOX",     "CHECKBOX",       "AUTOCHECKBOX",
                                     "RADIOBUTTON",  "AUTORADIOBUTTON", "STATE3",     "AUTO3STATE",
                                     "GROUPBOX"};
// Statements whose arguments are: id, x, y, w, h [, style [, exstyle]].
const char* const kPlainControls[] = {"EDITTEXT", "COMBOBOX", "LISTBOX", "SCROLLBAR"};

template <size_t N>
bool oneOf(const std::string& s, const char* const (&list)[N]) {
  return std::find(std::begin(list), std::end(list), s) != std::end(list);
}

class Parser {
 public:
  Parser(std::string path, std::vector<Token> tokens, std::map<std::string, long> defines)
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

  long primary() {
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
  long expr() {
    long v = primary();
    for (;;) {
      if (accept("|")) v |= primary();
      else if (accept("+")) v += primary();
      else if (accept("-")) v -= primary();
      else return v;
    }
  }
  int num() { return static_cast<int>(expr()); }

  // A style expression kept as written: WS_TABSTOP | NOT WS_VISIBLE.
  std::vector<std::string> styles() {
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

  void skipMemoryOptions() {
    while (cur().kind == Tok::Ident && oneOf(cur().text, kMemoryOptions)) ++pos_;
  }

  void statement(File& f) {
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

  void menuItems(std::vector<MenuItem>& items) {
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
  void menuFlags(MenuItem& item) {
    for (;;) {
      accept(",");
      if (isIdent("GRAYED")) item.grayed = true;
      else if (!(isIdent("INACTIVE") || isIdent("CHECKED") || isIdent("MENUBARBREAK") ||
                 isIdent("MENUBREAK") || isIdent("HELP")))
        return;
      ++pos_;
    }
  }

  Dialog dialog(int id, bool extended) {
    Dialog d;
    d.id = id;
    d.x = num();
    expectComma();
    d.y = num();
    expectComma();
    d.w = num();
    expectComma();
    d.h = num();
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

  void position(Control& c) {
    c.x = num();
    expectComma();
    c.y = num();
    expectComma();
    c.w = num();
    expectComma();
    c.h = num();
  }
  void trailingStyles(Control& c) {
    if (!accept(",")) return;
    c.styles = styles();
    if (accept(",")) styles();  // extended styles
  }

  Control control() {
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

  std::vector<Accelerator> accelerators() {
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

  void stringTable(File& f) {
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

  std::string path_;
  std::vector<Token> toks_;
  std::map<std::string, long> defines_;
  size_t pos_ = 0;
};

}  // namespace

File File::load(const std::string& path) {
  // The names every script may use without including anything.
  std::map<std::string, long> defines = {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
  std::vector<Token> tokens = Lexer(path, defines).run();
  return Parser(path, std::move(tokens), std::move(defines)).run();
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
