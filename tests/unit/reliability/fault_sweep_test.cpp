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

bool isWrite(const std::string& call) {
  return call.find("Write") != std::string::npos || call.find("Change") != std::string::npos ||
         call.find("Erase") != std::string::npos || call.find("Fuse") != std::string::npos;
}

bool boxShown(const RunResult& r) {
  return std::any_of(r.trace.begin(), r.trace.end(), [](const std::string& t) { return t.rfind("box:", 0) == 0; });
}

// The checks of one faulted run beyond visibility.
void checkCard(const Operation& op, const RunResult& clean, const RunResult& run, FaultKind kind, long n,
               const std::string& where) {
  if (op.cardMustStay && kind != FaultKind::PullCard) {
    // The reader dropping after a test write may leave it unrestored;
    // anything else must leave the card as it came.
    bool excused = false;
    if (kind == FaultKind::DropReader)
      excused = std::any_of(run.calls.begin(), run.calls.begin() + std::min<long>(n - 1, static_cast<long>(run.calls.size())), isWrite);
    if (!excused) {
      EXPECT_EQ(run.stateAfter, run.stateBefore) << where << ": detection changed the card\n  " << run.describe();
    }
  }
  // Each byte the clean run wrote is on the card, or the operator was told
  // in a box that the write did not succeed.
  if (kind == FaultKind::PullCard || run.memoryAfter.size() != clean.memoryAfter.size()) return;
  for (std::size_t a = 0; a < clean.memoryAfter.size() && a < clean.memoryBefore.size(); ++a) {
    if (clean.memoryAfter[a] == clean.memoryBefore[a] || run.memoryAfter[a] == clean.memoryAfter[a]) continue;
    EXPECT_TRUE(boxShown(run)) << where << ": the edit of byte " << a << " was not written and nobody said so\n  "
                               << run.describe();
    break;
  }
}

void sweep(const Operation& op) {
  const RunResult clean = runOperation(op, FaultKind::None, 0);
  if (!clean.commandsPresent) GTEST_SKIP() << op.name << ": the view has not all of its commands yet";
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
      checkCard(op, clean, run, kind, n, where);
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

class DetectionSweep : public ::testing::TestWithParam<Operation> {};
TEST_P(DetectionSweep, EveryFaultIsSeenAndTheCardStays) { sweep(GetParam()); }

class ReadWriteSweep : public ::testing::TestWithParam<Operation> {};
TEST_P(ReadWriteSweep, EveryFaultIsSeenAndNoEditIsLostSilently) { sweep(GetParam()); }

constexpr int kDetect = 32790, kRead = 32778, kWrite = 32779;

struct CardCase {
  const char* name;
  const char* card;
  int code;
};
constexpr CardCase kAllCards[] = {
    {"CPU_T0", "cpu-t0", 12},      {"CPU_T1", "cpu-t1", 12},        {"24C01A", "24c01a", 64},     {"24C02", "24c02", 65},
    {"24C04", "24c04", 66},        {"24C08", "24c08", 67},          {"24C16", "24c16", 68},       {"24C64", "24c64", 192},
    {"SLE4442", "sle4442", 17},    {"SLE4428", "sle4428", 5},       {"SLE4404", "sle4404", 8},    {"AT88SC102", "at88sc102", 33},
    {"AT88SC1604", "at88sc1604", 160}, {"AT88SC1604B", "at88sc1604b", 162}, {"AT88SC1608", "at88sc1608", 208},
    {"AT88SC153", "at88sc153", 209}, {"AT45D041", "at45d041", 161}, {"SSF1101", "ssf1101", 163},
};

std::vector<Operation> detectionOperations() {
  std::vector<Operation> ops;
  for (const CardCase& c : kAllCards) {
    Operation op;
    op.name = std::string(c.name) + "_detection";
    op.card = c.card;
    op.code = -1;
    op.commands = {kDetect};
    op.cardMustStay = true;
    ops.push_back(op);
  }
  return ops;
}

std::vector<Operation> readWriteOperations() {
  std::vector<Operation> ops;
  for (const CardCase& c : kAllCards) {
    if (c.code == 12) continue;  // CPU cards have no memory to read
    Operation op;
    op.name = std::string(c.name) + "_read";
    op.card = c.card;
    op.code = c.code;
    op.commands = {kRead};
    ops.push_back(op);
  }
  // Writes of edited rows: read, edit two rows, then F5 under the faults.
  struct WriteCase {
    const char* name;
    const char* card;
    int code;
    bool mark;  // protect a byte with Space (SLE4442 and SLE4428)
  };
  for (const WriteCase& w : {WriteCase{"SLE4442", "sle4442", 17, true}, WriteCase{"SLE4428", "sle4428", 5, true},
                             WriteCase{"24C16", "24c16", 68, false}, WriteCase{"AT88SC1608_user_zone", "at88sc1608", 208, false},
                             WriteCase{"AT88SC153", "at88sc153", 209, false}, WriteCase{"AT45D041", "at45d041", 161, false},
                             WriteCase{"SSF1101", "ssf1101", 163, false}}) {
    Operation op;
    op.name = std::string(w.name) + "_write";
    op.card = w.card;
    op.code = w.code;
    op.keys = {port::vk::kF5};
    op.input.codes = {w.code == 17 ? "FFFFFF" : "FFFF"};
    const bool mark = w.mark;
    const int code = w.code;
    op.prepare = [mark, code](CDemoView& view) {
      // The codes first where the card wants them for writing.
      if (code == 17 || code == 5) view.onCommand(32800);
      view.onCommand(kRead);
      view.onCommand(kWrite);
      view.onKeyDown(port::vk::kDown);
      for (char ch : std::string("A5C3")) view.onChar(static_cast<unsigned char>(ch));
      if (mark) view.onKeyDown(port::vk::kSpace);
      view.onKeyDown(port::vk::kDown);
      for (char ch : std::string("5A")) view.onChar(static_cast<unsigned char>(ch));
    };
    ops.push_back(op);
  }
  return ops;
}

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

std::string nameOf(const ::testing::TestParamInfo<Operation>& i) { return i.param.name; }
INSTANTIATE_TEST_SUITE_P(Commands, SecuritySweep, ::testing::ValuesIn(securityOperations()), nameOf);
INSTANTIATE_TEST_SUITE_P(Cards, DetectionSweep, ::testing::ValuesIn(detectionOperations()), nameOf);
INSTANTIATE_TEST_SUITE_P(Cards, ReadWriteSweep, ::testing::ValuesIn(readWriteOperations()), nameOf);

}  // namespace
}  // namespace reliab
