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
  s.actions.push_back(Action{});  // the detection after the first paint
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

}  // namespace
}  // namespace reliability
