#include "options.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace cli {

namespace {

enum class Kind { Flag, Text, Number, List };

struct Spec {
  const char* name;
  Kind kind;
  bool Options::* flag = nullptr;
  std::string Options::* text = nullptr;
  std::optional<int> Options::* number = nullptr;
  std::vector<std::string> Options::* list = nullptr;
};

const Spec kSpecs[] = {
    {"--driver", Kind::Text, nullptr, &Options::driver},
    {"--sim-ini", Kind::Text, nullptr, &Options::simIni},
    {"--driver-dll", Kind::Text, nullptr, &Options::driverDll},
    {"--port", Kind::Text, nullptr, &Options::port},
    {"--reader", Kind::Text, nullptr, &Options::reader},
    {"--trace", Kind::Text, nullptr, &Options::trace},
    {"--json", Kind::Flag, &Options::json},
    {"--help", Kind::Flag, &Options::help},
    {"-h", Kind::Flag, &Options::help},
    {"--type", Kind::Text, nullptr, &Options::type},
    {"--zone", Kind::Number, nullptr, nullptr, &Options::zone},
    {"--page", Kind::Number, nullptr, nullptr, &Options::page},
    {"--block", Kind::Number, nullptr, nullptr, &Options::block},
    {"-o", Kind::Text, nullptr, &Options::output},
    {"--output", Kind::Text, nullptr, &Options::output},
    {"--format", Kind::Text, nullptr, &Options::format},
    {"--dry-run", Kind::Flag, &Options::dryRun},
    {"--yes", Kind::Flag, &Options::yes},
    {"--last-attempt", Kind::Flag, &Options::lastAttempt},
    {"--read-only", Kind::Flag, &Options::readOnly},
    {"--t0", Kind::Flag, &Options::t0},
    {"--keep-going", Kind::Flag, &Options::keepGoing},
    {"--code-file", Kind::Text, nullptr, &Options::codeFile},
    {"--code-env", Kind::Text, nullptr, &Options::codeEnv},
    {"--new-code-file", Kind::Text, nullptr, &Options::newCodeFile},
    {"--new-code-env", Kind::Text, nullptr, &Options::newCodeEnv},
    {"--password", Kind::Text, nullptr, &Options::password},
    {"--set", Kind::Number, nullptr, nullptr, &Options::set},
    {"--count", Kind::Number, nullptr, nullptr, &Options::count},
    {"--serial", Kind::Text, nullptr, &Options::serial},
    {"--bcd", Kind::Flag, &Options::bcd},
    {"--field", Kind::List, nullptr, nullptr, nullptr, &Options::fields},
    {"--protect", Kind::Text, nullptr, &Options::protect},
    {"--resume", Kind::Text, nullptr, &Options::resume},
    {"--log", Kind::Text, nullptr, &Options::log},
    {"--stop-on-failure", Kind::Flag, &Options::stopOnFailure},
};

const char* const kGlobal[] = {"--driver", "--sim-ini", "--driver-dll", "--port", "--reader",
                               "--trace",  "--json",    "--help",       "-h"};

const std::map<std::string, std::vector<std::string>>& commandTable() {
  static const std::map<std::string, std::vector<std::string>> table{
      {"readers", {}},
      {"detect", {"--read-only"}},
      {"read", {"--type", "--zone", "--page", "--block", "-o", "--output", "--format"}},
      {"write", {"--type", "--zone", "--page", "--block", "--dry-run", "--code-file", "--code-env", "--last-attempt"}},
      {"verify-code", {"--type", "--code-file", "--code-env", "--last-attempt", "--password", "--set"}},
      {"change-code",
       {"--type", "--code-file", "--code-env", "--new-code-file", "--new-code-env", "--last-attempt", "--password",
        "--set"}},
      {"protect", {"--type", "--yes", "--code-file", "--code-env", "--last-attempt"}},
      {"atr", {}},
      {"apdu", {"--t0"}},
      {"script", {"--t0", "--keep-going"}},
      {"personalise",
       {"--type", "--zone", "--page", "--block", "--count", "--serial", "--bcd", "--field", "--protect", "--yes",
        "--resume", "--log", "--stop-on-failure", "--code-file", "--code-env", "--last-attempt"}},
      {"help", {}},
  };
  return table;
}

const Spec* findSpec(const std::string& name) {
  for (const Spec& s : kSpecs)
    if (name == s.name) return &s;
  return nullptr;
}

bool isGlobal(const std::string& name) {
  return std::find(std::begin(kGlobal), std::end(kGlobal), name) != std::end(kGlobal);
}

}  // namespace

const std::vector<std::string>* commandOptions(const std::string& command) {
  auto it = commandTable().find(command);
  return it == commandTable().end() ? nullptr : &it->second;
}

bool parseOptions(const std::vector<std::string>& args, Options& o, std::string& why) {
  bool operandsOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      if (o.command.empty())
        o.command = arg;
      else
        o.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    std::optional<std::string> inlineValue;
    if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const Spec* spec = findSpec(arg);
    if (!spec) {
      why = "未知选项：" + arg;
      return false;
    }
    if (!isGlobal(arg)) {
      const auto* allowed = commandOptions(o.command);
      if (!allowed || std::find(allowed->begin(), allowed->end(), arg) == allowed->end()) {
        why = o.command.empty() ? "选项 " + arg + " 须写在命令之后" : "命令 " + o.command + " 不接受选项 " + arg;
        return false;
      }
    }
    if (spec->kind == Kind::Flag) {
      if (inlineValue) {
        why = "选项 " + arg + " 不带值";
        return false;
      }
      o.*(spec->flag) = true;
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        why = "选项 " + arg + " 缺少值";
        return false;
      }
      inlineValue = args[++i];
    }
    if (spec->kind == Kind::Text) {
      o.*(spec->text) = *inlineValue;
      continue;
    }
    if (spec->kind == Kind::List) {
      (o.*(spec->list)).push_back(*inlineValue);
      continue;
    }
    int value = 0;
    const std::string& v = *inlineValue;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (ec != std::errc() || end != v.data() + v.size() || value < 0) {
      why = "选项 " + arg + " 需要一个非负整数，而不是“" + v + "”";
      return false;
    }
    o.*(spec->number) = value;
  }
  return true;
}

}  // namespace cli
