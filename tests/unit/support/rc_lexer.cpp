// The lexer of the resource-script reader, with its preprocessor: #define
// lines become names, quoted #includes are read in place.
#include "support/rc_lexer.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace rc::detail {

namespace {

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

}  // namespace

std::vector<Token> tokenize(const std::string& path, Defines& defines) { return Lexer(path, defines).run(); }

}  // namespace rc::detail
