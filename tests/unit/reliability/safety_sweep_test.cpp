// The card safety sweep: seeded random sequences of operator actions
// against the real view on the simulated reader (two cards, one in the
// reader, faults now and then), checked after every action by the model
// (safety_model.h). A failing sequence is shrunk to the actions that still
// fail the same way and printed with its seed.
//
// SAFETY_SWEEP_SEQUENCES (default 300), SAFETY_SWEEP_SEED (default 1) and
// SAFETY_SWEEP_LENGTH (actions per sequence, default 24) set the run;
// sequence i uses seed SEED + i, so SAFETY_SWEEP_SEED=<seed>
// SAFETY_SWEEP_SEQUENCES=1 replays one. scripts/safety-sweep.sh runs it long.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "reliability/safety_model.h"
#include "resources/resource.h"

namespace reliability {
namespace {

// Cards the program reads and writes, and the other cards a swap may bring.
const char* const kWritable[] = {
    "sle4442", "sle4428",   "24c01a",     "24c02",       "24c04",      "24c08",     "24c16",    "24c64",
    "sle4404", "at88sc102", "at88sc1604", "at88sc1604b", "at88sc1608", "at88sc153", "at45d041", "ssf1101"};
constexpr std::size_t kWritableCount = sizeof kWritable / sizeof kWritable[0];

struct Sequence {
  std::uint32_t seed = 0;
  std::vector<std::string> cards;
  std::vector<Action> actions;
};

Sequence makeSequence(std::uint32_t seed, int length) {
  std::mt19937 rng(seed);
  Sequence s;
  s.seed = seed;
  const std::string first = kWritable[rng() % kWritableCount];
  // Half the time a second card of the same type: the swap the program
  // cannot see.
  const std::string second =
      rng() % 2 ? first : (rng() % 8 == 0 ? "cpu-t0" : kWritable[rng() % kWritableCount]);
  s.cards = {first, second};
  // The detection after the first paint; now and then the reader goes away
  // or the card is pulled while it runs.
  s.actions.push_back(Action{});
  if (rng() % 4 == 0) {
    s.actions.back().fault = rng() % 2 ? Action::Fault::Drop : Action::Fault::Pull;
    s.actions.back().faultCall = 1 + static_cast<long>(rng() % 40);
  }
  // Now and then a 24C01A taken for a larger 24Cxx: its bytes alias.
  if (rng() % 12 == 0) {
    s.cards = {"24c01a", "24c01a"};
    constexpr int kLarger[] = {ID_CARDTYPE_24C02, ID_CARDTYPE_24C04, ID_CARDTYPE_24C08, ID_CARDTYPE_24C16};
    Action choose;
    choose.kind = Action::Kind::ChooseType;
    choose.a = kLarger[rng() % 4];
    s.actions.push_back(choose);
  }
  while (static_cast<int>(s.actions.size()) < length) {
    if (rng() % 100 < 45) {
      for (Action& a : randomEpisode(rng, 2)) s.actions.push_back(std::move(a));
    } else {
      s.actions.push_back(randomAction(rng, 2));
    }
  }
  return s;
}

struct Finding {
  std::size_t at = 0;  // index of the failing action
  std::string why;
};

std::string tagOf(const std::string& why) { return why.substr(0, why.find(']') + 1); }

std::optional<Finding> run(const Sequence& s, long* actions = nullptr) {
  Rig r("none");
  r.files.takesCaret = true;
  World w(s.cards, s.seed);
  Model m(w);
  const bool verbose = std::getenv("SAFETY_SWEEP_VERBOSE") != nullptr;
  for (std::size_t i = 0; i < s.actions.size(); ++i) {
    if (actions) ++*actions;
    std::string why = m.step(r, s.actions[i]);
    if (verbose) std::cout << "  " << describe(s.actions[i]) << " -> " << r.signature() << "\n";
    if (!why.empty()) return Finding{i, why};
  }
  return std::nullopt;
}

bool failsAs(const Sequence& s, const std::string& tag) {
  std::optional<Finding> f = run(s);
  return f && tagOf(f->why) == tag;
}

// Leaves out actions (halves, quarters, ... single ones), then faults, as
// long as the sequence still fails with the same kind of finding.
Sequence shrink(Sequence s, const Finding& found) {
  const std::string tag = tagOf(found.why);
  s.actions.resize(found.at + 1);
  for (std::size_t chunk = s.actions.size() / 2; chunk >= 1; chunk /= 2) {
    for (std::size_t at = 0; at < s.actions.size();) {
      Sequence t = s;
      const std::size_t end = std::min(at + chunk, t.actions.size());
      t.actions.erase(t.actions.begin() + static_cast<long>(at), t.actions.begin() + static_cast<long>(end));
      if (!t.actions.empty() && failsAs(t, tag)) {
        s = std::move(t);
      } else {
        at += chunk;
      }
    }
  }
  for (Action& a : s.actions) {
    if (a.fault == Action::Fault::None) continue;
    Action keep = a;
    a.fault = Action::Fault::None;
    if (!failsAs(s, tag)) a = keep;
  }
  return s;
}

long envNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// The kind of finding and the kinds of the actions that make it: findings
// of one shape are one fault, most likely.
std::string shapeOf(const std::string& tag, const Sequence& s) {
  std::string shape = tag;
  for (const Action& a : s.actions) shape += " " + describe(a).substr(0, describe(a).find(' '));
  return shape;
}

struct Distinct {
  long sequences = 0;
  Sequence first;
  Sequence small;
  std::string why;
};

TEST(SafetySweep, CardsChangeOnlyWhereTheOperatorTypedAndFailuresAreShown) {
  const auto start = std::chrono::steady_clock::now();
  const long count = envNumber("SAFETY_SWEEP_SEQUENCES", 300);
  const auto seed = static_cast<std::uint32_t>(envNumber("SAFETY_SWEEP_SEED", 1));
  const int length = static_cast<int>(envNumber("SAFETY_SWEEP_LENGTH", 24));
  const long shrinkLimit = envNumber("SAFETY_SWEEP_SHRINK", 20);
  long actions = 0;
  std::vector<std::pair<Sequence, Finding>> failing;
  std::map<std::string, long> countByTag;
  for (long i = 0; i < count; ++i) {
    const Sequence s = makeSequence(seed + static_cast<std::uint32_t>(i), length);
    std::optional<Finding> f = run(s, &actions);
    if (!f) continue;
    ++countByTag[tagOf(f->why)];
    failing.emplace_back(s, *f);
  }
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  // The first failing sequences, shrunk and grouped by shape.
  std::map<std::string, Distinct> distinct;
  for (std::size_t i = 0; i < failing.size() && static_cast<long>(i) < shrinkLimit; ++i) {
    const auto& [s, f] = failing[i];
    Sequence small = shrink(s, f);
    const std::optional<Finding> again = run(small);
    Distinct& d = distinct[shapeOf(tagOf(f.why), small)];
    if (d.sequences++ == 0) {
      d.first = s;
      d.small = std::move(small);
      d.why = again ? again->why : f.why;
    }
  }
  std::cout << "[ safety   ] " << count << " sequences from seed " << seed << ", " << actions << " actions, "
            << failing.size() << " failing sequences";
  for (const auto& [tag, n] : countByTag) std::cout << ", " << n << " " << tag;
  std::cout << "; " << distinct.size() << " distinct findings in the first "
            << std::min<long>(shrinkLimit, static_cast<long>(failing.size())) << " shrunk, " << ms << " ms\n";
  for (const auto& [shape, d] : distinct) {
    std::string text = d.why + "\n  seed " + std::to_string(d.first.seed) + " (cards " + d.first.cards[0] +
                       ", " + d.first.cards[1] + "), " + std::to_string(d.sequences) +
                       " of the shrunk sequences; " + std::to_string(d.small.actions.size()) + " actions:\n";
    for (const Action& a : d.small.actions) text += "    " + describe(a) + "\n";
    ADD_FAILURE() << text;
  }
  ::testing::Test::RecordProperty("sequences", static_cast<int>(count));
  ::testing::Test::RecordProperty("actions", static_cast<int>(actions));
}

// Short sequences of faults once seen in the program: each must pass.
using K = Action::Kind;
using In = Action::Input::Kind;
constexpr int kYes = port::mb::kIdYes;
constexpr int kNo = port::mb::kIdNo;
const Action kDetect{};
const Action kRead{.kind = K::Read};
const Action kEdit{.kind = K::EditMode};
const Action kTypeAA{.kind = K::TypeHexAt, .text = "aa"};

struct FaultSequence {
  const char* fault;
  std::vector<std::string> cards;
  std::vector<Action> actions;
};

const FaultSequence kFaultSequences[] = {
    {"a Space while the failed write's question is open burns a protection bit",
     {"sle4442", "sle4442"},
     {kDetect, kRead, {.kind = K::VerifyCode}, kEdit, {.kind = K::TypeHexAt, .a = 1, .b = 1, .text = "5a"},
      {.kind = K::WriteF5, .answers = {kNo}, .fault = Action::Fault::FailWrite, .faultCall = 1,
       .duringBox = {{In::Click, 17}, {In::Key, port::vk::kSpace}}}}},
    {"edits typed while that question is open vanish; the next F5 writes nothing",
     {"24c02", "24c02"},
     {kDetect, kRead, kEdit, kTypeAA,
      {.kind = K::WriteF5, .answers = {kNo}, .fault = Action::Fault::FailWrite, .faultCall = 1,
       .duringBox = {{In::Char, 'b'}}},
      {.kind = K::WriteF5}}},
    {"exit drops edits without asking", {"24c02", "24c02"}, {kDetect, kRead, kEdit, kTypeAA, {.kind = K::Exit}}},
    {"the close button drops them too",
     {"24c02", "24c02"},
     {kDetect, kRead, kEdit, kTypeAA, {.kind = K::CloseButton, .answers = {kNo}}}},
    {"a port switch drops them",
     {"24c02", "24c02"},
     {kDetect, kRead, kEdit, kTypeAA, {.kind = K::PortSwitch, .a = 0, .b = 1, .answers = {kNo}}}},
    {"Ctrl+S saves typed bytes as the card's", {"24c02", "24c02"}, {kDetect, kRead, kEdit, kTypeAA, {.kind = K::Save}}},
    {"a Yes to discarding keeps the edits when the read is cancelled",
     {"at45d041", "at45d041"},
     {kDetect, kRead, kEdit, kTypeAA, {.kind = K::Read, .a = -1, .answers = {kYes}}, {.kind = K::Save}}},
    {"Ctrl+O loads a file into an image that is not the current read",
     {"at45d041", "at45d041"},
     {kDetect, kRead, kEdit, kTypeAA, {.kind = K::Read, .a = -1, .answers = {kYes}},
      {.kind = K::OpenImage, .b = 7}, {.kind = K::WriteF5}}},
    {"a detection cut short leaves its probe bytes unreported",
     {"24c02", "24c02"},
     {{.kind = K::Detect, .fault = Action::Fault::Drop, .faultCall = 35}}},
    {"a 24C01A taken for a 24C02 takes bytes typed at 0x80 at 0x00",
     {"24c01a", "24c01a"},
     {kDetect, {.kind = K::ChooseType, .a = ID_CARDTYPE_24C02}, kRead, kEdit,
      {.kind = K::TypeHexAt, .a = 8, .b = 0, .text = "aa"}, {.kind = K::WriteF5}}},
};

TEST(SafetySweep, FaultSequencesOnceSeenPass) {
  for (const FaultSequence& f : kFaultSequences) {
    Sequence s{1, f.cards, f.actions};
    const std::optional<Finding> found = run(s);
    EXPECT_FALSE(found) << f.fault << ": " << (found ? found->why : "");
  }
}

}  // namespace
}  // namespace reliability
