// The fault sweep: every operation is run once cleanly to count its driver
// calls, then once for every call N with each fault hitting call N (the call
// fails with a negative result, the card is pulled, the reader drops). Every
// faulted run must end without a crash or sanitizer report, and the operator
// must learn of the failure: what he sees differs from the clean run, or
// (the fault was absorbed) the card ends exactly as after the clean run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "reliability/sweep_support.h"

namespace reliab {
namespace {

struct Tally {
  long operations = 0, runs = 0, faults = 0, absorbed = 0;
  ~Tally() {
    if (runs > 0)
      std::printf("[ fault sweep ] %ld operations, %ld runs, %ld injected faults (%ld absorbed without effect)\n",
                  operations, runs, faults, absorbed);
  }
};
Tally tally;

void sweep(const Operation& op) {
  const RunResult clean = runOperation(op, FaultKind::None, 0);
  const long count = static_cast<long>(clean.calls.size());
  ASSERT_GT(count, 0) << op.name << ": the clean run made no driver call";
  if (std::getenv("SWEEP_VERBOSE") != nullptr) std::printf("%s clean run, %s\n", op.name.c_str(), clean.describe().c_str());
  ++tally.operations;
  ++tally.runs;
  long absorbed = 0;
  for (FaultKind kind : {FaultKind::FailCall, FaultKind::PullCard, FaultKind::DropReader}) {
    for (long n = 1; n <= count; ++n) {
      const RunResult run = runOperation(op, kind, n);
      ++tally.runs;
      ++tally.faults;
      const std::string where = op.name + ": " + faultName(kind) + " " + std::to_string(n) + " (" +
                                (n <= static_cast<long>(run.calls.size()) ? run.calls[n - 1] : std::string("?")) + ")";
      if (run.trace != clean.trace) continue;  // the operator saw something else: visible
      // Shown as the clean run: only right when the fault changed nothing.
      if (run.stateAfter == clean.stateAfter && run.calls.size() == clean.calls.size()) {
        ++absorbed;
        continue;
      }
      ADD_FAILURE() << where << ": reported as the clean run, but the card ended otherwise\n  " << run.describe()
                    << "\n  card after the clean run:\n"
                    << clean.stateAfter << "\n  card after this run:\n"
                    << run.stateAfter;
    }
  }
  tally.absorbed += absorbed;
  // A fault past the end of the sequence changes nothing.
  const RunResult past = runOperation(op, FaultKind::FailCall, count + 1);
  ++tally.runs;
  EXPECT_EQ(past.trace, clean.trace) << op.name;
  EXPECT_EQ(past.stateAfter, clean.stateAfter) << op.name;
}

class SecuritySweep : public ::testing::TestWithParam<Operation> {};

TEST_P(SecuritySweep, EveryFaultIsSeenOrHarmless) { sweep(GetParam()); }

std::vector<Operation> securityOperations() {
  std::vector<Operation> ops;
  auto add = [&ops](std::string name, std::string card, int code, std::vector<int> commands, OperatorInput in = {}) {
    Operation op;
    op.name = std::move(name);
    op.card = std::move(card);
    op.code = code;
    op.commands = std::move(commands);
    op.input = std::move(in);
    ops.push_back(std::move(op));
  };
  const auto codes = [](std::vector<std::string> c) {
    OperatorInput in;
    in.codes = std::move(c);
    return in;
  };
  add("SLE4442_verify", "sle4442", 17, {32800}, codes({"FFFFFF"}));
  add("SLE4442_change", "sle4442", 17, {32800, 32797}, codes({"FFFFFF", "123456"}));
  add("SLE4428_verify", "sle4428", 5, {32800}, codes({"FFFF"}));
  add("SLE4428_change", "sle4428", 5, {32800, 32797}, codes({"FFFF", "1234"}));
  add("AT88SC102_user_code", "at88sc102", 33, {32800, 32797}, codes({"F0F0", "1234"}));
  add("AT88SC102_erase_codes", "at88sc102", 33, {32800, 32781, 32788}, codes({"F0F0", "FFFFFFFFFFFF", "FFFFFFFF"}));
  add("AT88SC102_change_codes", "at88sc102", 33, {32800, 32820, 32821, 32822, 32823},
      codes({"F0F0", "1111", "2222", "3333", "4444"}));
  add("AT88SC102_personalisation_fuse", "at88sc102", 33, {32800, 32783}, codes({"F0F0"}));
  for (auto [name, card, code] : {std::tuple{"AT88SC1604", "at88sc1604", 160}, std::tuple{"AT88SC1604B", "at88sc1604b", 162}}) {
    const std::string n = name;
    add(n + "_user_code", card, code, {32800, 32797}, codes({"FFFF", "1234"}));
    add(n + "_zone_codes", card, code, {32800, 32801, 32802, 32803, 32804}, codes({"FFFF", "FFFF", "FFFF", "FFFF", "FFFF"}));
    add(n + "_erase_codes", card, code, {32800, 32781, 32788, 32798, 32799}, codes({"FFFF", "FFFF", "FFFF", "FFFF", "FFFF"}));
    add(n + "_change_codes", card, code, {32800, 32820, 32821, 32822, 32823, 32824, 32825, 32826, 32827},
        codes({"FFFF", "1111", "2222", "3333", "4444", "5555", "6666", "7777", "8888"}));
    add(n + "_personalisation_fuse", card, code, {32800, 32783}, codes({"FFFF"}));
  }
  for (auto [name, card, code] : {std::tuple{"AT88SC1608", "at88sc1608", 208}, std::tuple{"AT88SC153", "at88sc153", 209}}) {
    const std::string n = name;
    for (int command = 32834; command <= 32839; ++command)
      add(n + "_password_" + std::to_string(command), card, code, {command});
    add(n + "_fuse_state", card, code, {32832});
    add(n + "_blow_fuse", card, code, {32833});
    add(n + "_mutual_authentication", card, code, {32840});
  }
  return ops;
}

INSTANTIATE_TEST_SUITE_P(Commands, SecuritySweep, ::testing::ValuesIn(securityOperations()),
                         [](const ::testing::TestParamInfo<Operation>& i) { return i.param.name; });

}  // namespace
}  // namespace reliab
