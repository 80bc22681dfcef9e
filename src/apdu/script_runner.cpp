#include "apdu/script_runner.h"

#include "apdu/status_words.h"

namespace apdu {
namespace {

bool matches(const ScriptLine& line, const Bytes& answer) {
  if (line.check == ScriptLine::Check::StatusWord)
    return answer.size() >= 2 && line.expected.matchesTail(answer);
  return line.expected.matches(answer);
}

std::string expectation(const ScriptLine& line) {
  return (line.check == ScriptLine::Check::StatusWord ? "；期望SW=" : "；期望=") + line.expected.text();
}

LineOutcome outcomeOf(const ScriptLine& line, const CardReply& reply) {
  LineOutcome o;
  o.line = line.number;
  const std::string at = "第" + std::to_string(line.number) + "行 ";
  const std::string sent = line.reset ? std::string("复位") : hex(line.command);
  if (!reply.ok()) {
    o.verdict = LineOutcome::Verdict::Error;
    o.text = at + "出错：" + sent + " -> " +
             (reply.initTypeFailed ? std::string("IC_InitType error")
                                   : "ERR_CODE=" + std::to_string(reply.result));
    return o;
  }
  std::string answer = hex(reply.answer);
  answer += line.reset ? "（复位应答）" : "（" + answerStatusText(reply.answer) + "）";
  if (line.check == ScriptLine::Check::None) {
    o.verdict = LineOutcome::Verdict::Done;
    o.text = at + "已执行：" + sent + " -> " + answer;
  } else if (matches(line, reply.answer)) {
    o.verdict = LineOutcome::Verdict::Pass;
    o.text = at + "通过：" + sent + " -> " + answer;
  } else {
    o.verdict = LineOutcome::Verdict::Fail;
    o.text = at + "不符：" + sent + " -> " + answer + expectation(line);
  }
  return o;
}

}  // namespace

RunReport runScript(const std::vector<ScriptLine>& lines, CpuCardLink& link, const RunOptions& options) {
  RunReport report;
  for (const ScriptLine& line : lines) {
    const CardReply reply = line.reset ? link.reset() : exchangeApdu(link, line.command, options.completeT0);
    LineOutcome o = outcomeOf(line, reply);
    const LineOutcome::Verdict v = o.verdict;
    report.outcomes.push_back(std::move(o));
    if (v == LineOutcome::Verdict::Pass) ++report.passed;
    if (v == LineOutcome::Verdict::Fail) ++report.failed;
    if (v == LineOutcome::Verdict::Done) ++report.unchecked;
    if (v == LineOutcome::Verdict::Error ||
        (v == LineOutcome::Verdict::Fail && options.stopAtFirstDifference)) {
      report.stoppedAt = line.number;
      break;
    }
  }
  return report;
}

std::string RunReport::summary() const {
  std::string s = "共执行" + std::to_string(outcomes.size()) + "行：通过" + std::to_string(passed) +
                  "行，不符" + std::to_string(failed) + "行，未检查" + std::to_string(unchecked) + "行";
  if (stoppedAt != 0) s += "；在第" + std::to_string(stoppedAt) + "行停止";
  return s;
}

std::string RunReport::text() const {
  std::string s;
  for (const LineOutcome& o : outcomes) s += o.text + "\r\n";
  return s + summary() + "\r\n";
}

}  // namespace apdu
