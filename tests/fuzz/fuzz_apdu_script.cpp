// The APDU script file check and parser on any bytes: never a crash, and
// what they accept holds together (commands the driver takes, expectations
// of the right size, line numbers in order).
#include <cstdint>
#include <string>
#include <vector>

#include "apdu/apdu_script.h"
#include "apdu/cpu_card_link.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  const apdu::ScriptText file = apdu::scriptFileText(bytes);
  FUZZ_CHECK(file.problem.empty() || file.text.empty());

  // The parser sees the file's text, or the raw bytes when the file check
  // refused them (an edit control can hold what a file check refuses).
  const std::string text = file.problem.empty() ? file.text : std::string(bytes.begin(), bytes.end());
  const apdu::ParsedScript script = apdu::parseScript(text);
  if (!script.ok()) {
    FUZZ_CHECK(script.lines.empty());
    FUZZ_CHECK(script.problem->line >= 1);
    FUZZ_CHECK(script.problem->message.rfind("第" + std::to_string(script.problem->line) + "行：", 0) == 0);
    return 0;
  }
  int previous = 0;
  for (const apdu::ScriptLine& line : script.lines) {
    FUZZ_CHECK(line.number > previous);
    previous = line.number;
    if (line.reset) {
      FUZZ_CHECK(line.command.empty());
      FUZZ_CHECK(line.check != apdu::ScriptLine::Check::StatusWord);
    } else {
      FUZZ_CHECK(line.command.size() >= apdu::kMinCommandBytes &&
                 line.command.size() <= apdu::kMaxCommandBytes);
    }
    if (line.check == apdu::ScriptLine::Check::StatusWord) FUZZ_CHECK(line.expected.size() == 2);
    if (line.check == apdu::ScriptLine::Check::Answer) FUZZ_CHECK(!line.expected.empty());
    if (line.check == apdu::ScriptLine::Check::None) FUZZ_CHECK(line.expected.empty());
    // A pattern matches the bytes it spells with its wildcards as zeros.
    if (!line.expected.empty()) {
      std::string zeros = line.expected.text();
      for (char& ch : zeros)
        if (ch == 'X') ch = '0';
      FUZZ_CHECK(line.expected.matches(apdu::parseHex(zeros).bytes));
    }
  }
  return 0;
}
