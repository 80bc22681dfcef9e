// APDU scripts: a plain text file, one command a line.
//
//   # a comment; blank lines are skipped
//   RESET                         reset the card (IC_InitType, IC_CpuReset); also 复位
//   RESET = 3B02XXXX              ... and compare the answer to reset
//   00 84 00 00 08                send, compare nothing
//   0084000008 = XXXXXXXXXXXXXXXX9000   compare the whole answer
//   00A4000002EEEE SW=6A82        compare the status word only
//
// Hexadecimal digits of either case, blanks anywhere between them; X in an
// expected value stands for any digit. `#` starts a comment anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apdu/hex_bytes.h"

namespace apdu {

struct ScriptLine {
  enum class Check { None, Answer, StatusWord };
  int number = 0;  // in the text, from 1
  bool reset = false;
  Bytes command;  // empty for a reset
  Check check = Check::None;
  HexPattern expected;
};

struct ScriptProblem {
  int line = 0;         // 0: the file as a whole
  std::string message;  // "第3行：命令的十六进制数字个数为奇数。"
};

struct ParsedScript {
  std::vector<ScriptLine> lines;
  std::optional<ScriptProblem> problem;  // the first one; `lines` is then empty
  bool ok() const { return !problem.has_value(); }
};

inline constexpr std::size_t kMaxScriptBytes = 64 * 1024;
inline constexpr std::size_t kMaxLineCharacters = 1024;

// The text of a script file: UTF-8, with or without a byte order mark.
// Anything else (control characters, UTF-16, broken UTF-8) is refused with
// the reason in `problem`.
struct ScriptText {
  std::string text;
  std::string problem;
};
ScriptText scriptFileText(const std::vector<std::uint8_t>& bytes);

// The bytes of a command typed in hexadecimal (blanks allowed), or why it
// cannot be sent ("命令的十六进制数字个数为奇数"): "" when it can.
std::string readCommand(std::string_view text, Bytes& command);

// Lines end with CR LF, LF or CR. The whole script is refused at its first
// faulty line.
ParsedScript parseScript(std::string_view text);

}  // namespace apdu
