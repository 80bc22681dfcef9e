#include "tool.h"

#include <memory>
#include <ostream>

#include "commands.h"
#include "options.h"
#include "run_context.h"

namespace cli {

namespace {

Outcome dispatch(Run& run, std::ostream& out) {
  const std::string& c = run.o.command;
  if (c == "detect") return detectCommand(run);
  if (c == "read") return readCommand(run, out);
  if (c == "write") return writeCommand(run);
  if (c == "protect") return protectCommand(run);
  if (c == "verify-code") return verifyCodeCommand(run);
  if (c == "change-code") return changeCodeCommand(run);
  if (c == "atr") return atrCommand(run);
  if (c == "apdu") return apduCommand(run);
  if (c == "script") return scriptCommand(run);
  if (c == "readers") return readersCommand(run);
  if (c == "personalise") return personaliseCommand(run, out);
  return fail(kUsage, "未知命令“" + c + "”；pelox-card --help 列出全部命令");
}

// Operands each command takes: at least, at most (-1: any number).
struct Arity {
  const char* command;
  int least;
  int most;
  const char* what;
};
constexpr Arity kArity[] = {
    {"readers", 0, 0, ""},      {"detect", 0, 0, ""},         {"read", 0, 0, ""},
    {"write", 1, 1, "FILE"},     {"protect", 1, -1, "RANGE"},  {"verify-code", 0, 0, ""},
    {"change-code", 0, 0, ""},   {"atr", 0, 0, ""},            {"apdu", 1, -1, "HEX"},
    {"script", 1, 1, "FILE"},   {"personalise", 1, 1, "IMAGE"},
};

}  // namespace

int run(const std::vector<std::string>& args, Environment& env, std::ostream& out, std::ostream& err) {
  Options o;
  std::string why;
  bool parsed = parseOptions(args, o, why);
  std::string text;
  if (parsed && (o.command.empty() || o.command == "help")) {
    const std::string topic = o.command == "help" && !o.operands.empty() ? o.operands.front() : "";
    if (!helpText(topic, text)) {
      err << "pelox-card: 未知命令“" << topic << "”\n";
      return kUsage;
    }
    (o.command.empty() && !o.help ? err : out) << text;
    return o.command.empty() && !o.help ? kUsage : kDone;
  }
  if (parsed && o.help) {
    if (!helpText(o.command, text)) {
      err << "pelox-card: 未知命令“" << o.command << "”\n";
      return kUsage;
    }
    out << text;
    return kDone;
  }
  if (parsed) {
    for (const Arity& a : kArity) {
      if (o.command != a.command) continue;
      const int n = static_cast<int>(o.operands.size());
      if (n < a.least || (a.most >= 0 && n > a.most)) {
        parsed = false;
        why = a.least == 0 ? "命令 " + o.command + " 不带参数"
                           : "命令 " + o.command + " 需要 " + a.what + (a.most < 0 ? " ..." : "");
      }
    }
  }
  if (!parsed) {
    if (o.json) out << Report(o.command).json(false, why) << "\n";
    err << "pelox-card: " << why << "\n用法见 pelox-card " << o.command << (o.command.empty() ? "" : " ")
        << "--help\n";
    return kUsage;
  }
  auto state = std::make_unique<Run>(o, env, err);
  const Outcome r = dispatch(*state, out);
  // What was done comes before why it stopped.
  if (o.json)
    out << state->report.json(r.status == kDone, r.error) << "\n";
  else
    out << state->report.human();
  out.flush();
  if (!r.error.empty()) err << "pelox-card " << o.command << ": " << r.error << "\n";
  return r.status;
}

}  // namespace cli
