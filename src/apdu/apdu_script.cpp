#include "apdu/apdu_script.h"

#include "apdu/cpu_card_link.h"
#include "platform/utf.h"

namespace apdu {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool startsWithWord(std::string_view s, std::string_view word) {
  if (s.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

bool endsWithSw(std::string_view s) {
  return s.size() >= 2 && (s[s.size() - 2] == 'S' || s[s.size() - 2] == 's') &&
         (s.back() == 'W' || s.back() == 'w');
}

std::size_t characters(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

// The character (a whole UTF-8 sequence) at an offset.
std::string characterAt(std::string_view s, std::size_t at) {
  std::size_t end = at + 1;
  while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
  return std::string(s.substr(at, end - at));
}

std::string hexFault(const HexParse& r, std::string_view text, const char* what) {
  if (r.problem == HexProblem::NotHex)
    return std::string(what) + "中有非十六进制字符“" + characterAt(text, r.at) + "”";
  return std::string(what) + "的十六进制数字个数为奇数";
}

class LineParser {
 public:
  LineParser(int number, std::string_view text) : number_(number), text_(text) {}

  // False with `problem` set when the line is faulty; `line` empty (number
  // 0) for a line without a command.
  bool parse(std::optional<ScriptLine>& line, std::string& problem) {
    if (characters(text_) > kMaxLineCharacters)
      return fail(problem, "行太长，超过" + std::to_string(kMaxLineCharacters) + "个字符");
    std::string_view s = text_.substr(0, text_.find('#'));
    s = trim(s);
    if (s.empty()) return true;
    ScriptLine out;
    out.number = number_;
    const std::size_t equals = s.find('=');
    std::string_view command = trim(s.substr(0, equals));
    if (equals != std::string_view::npos && endsWithSw(command)) {
      out.check = ScriptLine::Check::StatusWord;
      command = trim(command.substr(0, command.size() - 2));
    } else if (equals != std::string_view::npos) {
      out.check = ScriptLine::Check::Answer;
    }
    if ((startsWithWord(command, "RESET") && trim(command.substr(5)).empty()) || command == "复位") {
      out.reset = true;
      if (out.check == ScriptLine::Check::StatusWord)
        return fail(problem, "复位没有状态字，只能用“=”给出期望的复位应答");
    } else if (!parseCommand(command, out.command, problem)) {
      return false;
    }
    if (out.check != ScriptLine::Check::None && !parseExpected(trim(s.substr(equals + 1)), out, problem))
      return false;
    line = std::move(out);
    return true;
  }

 private:
  bool fail(std::string& problem, const std::string& what) {
    problem = "第" + std::to_string(number_) + "行：" + what + "。";
    return false;
  }

  bool parseCommand(std::string_view text, Bytes& command, std::string& problem) {
    const std::string why = readCommand(text, command);
    return why.empty() || fail(problem, why);
  }

  bool parseExpected(std::string_view text, ScriptLine& out, std::string& problem) {
    if (text.empty()) return fail(problem, "“=”之后没有期望值");
    HexParse r;
    out.expected = HexPattern::parse(text, &r);
    if (!r.ok()) return fail(problem, hexFault(r, text, "期望值"));
    if (out.check == ScriptLine::Check::StatusWord && out.expected.size() != 2)
      return fail(problem, "期望的状态字应为4位十六进制数字");
    if (out.check == ScriptLine::Check::Answer && !out.reset && out.expected.size() < 2)
      return fail(problem, "期望的应答至少要有2字节（SW1 SW2）");
    return true;
  }

  int number_;
  std::string_view text_;
};

}  // namespace

std::string readCommand(std::string_view text, Bytes& command) {
  const HexParse r = parseHex(text);
  if (!r.ok()) return hexFault(r, text, "命令");
  // Appended, not "literal" + std::string: GCC 12 (MinGW i686, -O2) warns
  // falsely about overlapping copies there.
  std::string problem;
  if (r.bytes.size() < kMinCommandBytes)
    return problem.append("命令只有")
        .append(std::to_string(r.bytes.size()))
        .append("字节，至少要4字节（CLA INS P1 P2）");
  if (r.bytes.size() > kMaxCommandBytes)
    return problem.append("命令有")
        .append(std::to_string(r.bytes.size()))
        .append("字节，超过读写器驱动能发送的261字节");
  command = r.bytes;
  return "";
}

ScriptText scriptFileText(const std::vector<std::uint8_t>& bytes) {
  ScriptText out;
  if (bytes.size() >= 2 &&
      ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    out.problem = "脚本文件是UTF-16编码的，请以UTF-8编码保存后再打开。";
    return out;
  }
  std::size_t start = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
  for (std::size_t i = start; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F) {
      out.problem = "所选文件不是文本文件（第" + std::to_string(i + 1) + "字节是控制字符）。";
      return out;
    }
  }
  std::string text(bytes.begin() + static_cast<long>(start), bytes.end());
  if (utf::toUtf16(text).invalid > 0) {
    out.problem = "所选文件不是UTF-8编码的文本文件。";
    return out;
  }
  out.text = std::move(text);
  return out;
}

ParsedScript parseScript(std::string_view text) {
  ParsedScript script;
  int number = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    ++number;
    std::optional<ScriptLine> line;
    std::string problem;
    if (!LineParser(number, text.substr(pos, end - pos)).parse(line, problem)) {
      script.lines.clear();
      script.problem = ScriptProblem{number, problem};
      return script;
    }
    if (line) script.lines.push_back(std::move(*line));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') {
      ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    } else if (pos < text.size()) {
      ++pos;  // LF
    }
  }
  return script;
}

}  // namespace apdu
