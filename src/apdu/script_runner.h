// Runs a parsed APDU script on the card, line by line, and checks each
// answer against the line's expectation.
#pragma once

#include <string>
#include <vector>

#include "apdu/apdu_script.h"
#include "apdu/cpu_card_link.h"

namespace apdu {

struct RunOptions {
  bool stopAtFirstDifference = true;  // else run on to the end
  bool completeT0 = false;            // GET RESPONSE for 61 xx, resend for 6C xx
};

struct LineOutcome {
  enum class Verdict {
    Done,  // sent, nothing to compare
    Pass,
    Fail,
    Error,  // the driver refused: the run stops
  };
  int line = 0;
  Verdict verdict = Verdict::Done;
  std::string text;  // "第2行 通过：00A4000002EEEE -> 6A82（...）"
};

struct RunReport {
  std::vector<LineOutcome> outcomes;
  int passed = 0;
  int failed = 0;
  int unchecked = 0;
  int stoppedAt = 0;  // the line the run stopped at, 0 when it ran to the end
  // "共执行3行：通过1行，不符1行，未检查1行"
  std::string summary() const;
  // Every outcome and the summary, CR LF after each line.
  std::string text() const;
};

RunReport runScript(const std::vector<ScriptLine>& lines, CpuCardLink& link, const RunOptions& options);

}  // namespace apdu
