// atr, apdu and script: the CPU card through the workbench's engine.
#include "apdu/apdu_script.h"
#include "apdu/atr_decoder.h"
#include "apdu/cpu_card_link.h"
#include "apdu/script_runner.h"
#include "apdu/status_words.h"
#include "commands.h"

namespace cli {

namespace {

// Lines ended by CR LF as lines for the report.
void addLines(Run& run, const std::string& text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    run.report.line(line);
    start = end + 1;
  }
}

}  // namespace

Outcome atrCommand(Run& run) {
  apdu::History history;
  // The handle is known once the reader is open: the link is made after.
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  apdu::CpuCardLink link(run.drv, run.st.readerHandle, history, apdu::Origin::Console);
  const apdu::CardReply reply = link.reset();
  if (reply.initTypeFailed) return fail(kFailed, "设卡失败：读写器不接受 CPU 卡");
  if (reply.result != 0)
    return fail(kFailed, "CPU 卡复位失败（" + std::to_string(reply.result) + "）：卡没有插好，或不是 CPU 卡？");
  const apdu::AtrDecoding d = apdu::decodeAtr(reply.answer);
  run.report.text("atr", apdu::hex(reply.answer));
  std::vector<std::string> protocols, errors;
  for (int t : d.protocols) protocols.push_back(std::to_string(t));
  for (const std::string& e : d.errors) errors.push_back(jsonString(e));
  run.report.raw("protocols", jsonArray(protocols));
  run.report.flag("complete", d.complete());
  run.report.raw("errors", jsonArray(errors));
  run.report.line("复位应答：" + apdu::spacedHex(reply.answer));
  addLines(run, apdu::atrReport(d));
  return d.errors.empty() && d.complete() ? done() : fail(kFailed, "复位应答有错误（见上）");
}

Outcome apduCommand(Run& run) {
  std::vector<apdu::Bytes> commands;
  for (const std::string& text : run.o.operands) {
    apdu::Bytes command;
    const std::string problem = apdu::readCommand(text, command);
    if (!problem.empty()) return fail(kUsage, "命令“" + text + "”：" + problem + "（什么也没有发送）");
    commands.push_back(command);
  }
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  apdu::History history;
  apdu::CpuCardLink link(run.drv, run.st.readerHandle, history, apdu::Origin::Console);
  const apdu::CardReply reset = link.reset();
  if (!reset.ok()) return fail(kFailed, "CPU 卡复位失败：卡没有插好，或不是 CPU 卡？");
  run.report.text("atr", apdu::hex(reset.answer));
  std::vector<std::string> items;
  Outcome outcome = done();
  for (const apdu::Bytes& command : commands) {
    const apdu::CardReply reply = apdu::exchangeApdu(link, command, run.o.t0);
    if (reply.result != 0) {
      outcome = fail(kFailed, "发送 " + apdu::hex(command) + " 失败（" + std::to_string(reply.result) + "）");
      break;
    }
    const std::string meaning = apdu::answerStatusText(reply.answer);
    items.push_back("{\"command\":" + jsonString(apdu::hex(command)) + ",\"answer\":" +
                    jsonString(apdu::hex(reply.answer)) + ",\"meaning\":" + jsonString(meaning) + "}");
    run.report.line("> " + apdu::spacedHex(command));
    run.report.line("< " + apdu::spacedHex(reply.answer) + "  " + meaning);
  }
  run.report.raw("exchanges", jsonArray(items));
  return outcome;
}

Outcome scriptCommand(Run& run) {
  const std::string& path = run.o.operands.front();
  const auto file = run.files.readFile(path, apdu::kMaxScriptBytes);
  if (file.status == port::FileDialogs::ReadStatus::Failed) return fail(kUsage, "无法读取脚本文件：" + path);
  if (file.status == port::FileDialogs::ReadStatus::TooLarge)
    return fail(kUsage, "脚本文件超过 " + std::to_string(apdu::kMaxScriptBytes) + " 字节：" + path);
  const apdu::ScriptText text = apdu::scriptFileText(file.bytes);
  if (!text.problem.empty()) return fail(kUsage, text.problem + "（什么也没有发送）");
  const apdu::ParsedScript script = apdu::parseScript(text.text);
  if (!script.ok()) return fail(kUsage, script.problem->message + "（什么也没有发送）");
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  apdu::History history;
  apdu::CpuCardLink link(run.drv, run.st.readerHandle, history, apdu::Origin::Script);
  if (!link.reset().ok()) return fail(kFailed, "CPU 卡复位失败：卡没有插好，或不是 CPU 卡？");
  apdu::RunOptions options;
  options.stopAtFirstDifference = !run.o.keepGoing;
  options.completeT0 = run.o.t0;
  const apdu::RunReport report = apdu::runScript(script.lines, link, options);
  std::vector<std::string> items;
  bool error = false;
  for (const apdu::LineOutcome& l : report.outcomes) {
    static const char* const kVerdicts[] = {"done", "pass", "fail", "error"};
    items.push_back("{\"line\":" + std::to_string(l.line) + ",\"verdict\":" +
                    jsonString(kVerdicts[static_cast<int>(l.verdict)]) + ",\"text\":" + jsonString(l.text) + "}");
    error = error || l.verdict == apdu::LineOutcome::Verdict::Error;
  }
  run.report.raw("lines", jsonArray(items));
  run.report.number("passed", report.passed);
  run.report.number("failed", report.failed);
  run.report.number("unchecked", report.unchecked);
  run.report.number("stoppedAt", report.stoppedAt);
  addLines(run, report.text());
  if (error) return fail(kFailed, "驱动拒绝了第 " + std::to_string(report.stoppedAt) + " 行，脚本停止");
  if (report.failed > 0) return fail(kRefused, "脚本有 " + std::to_string(report.failed) + " 行与预期不符");
  return done();
}

}  // namespace cli
