// The personalisation engine against the in-memory simulator: a scripted
// stream of cards, the engine stepped as a timer would, the test acting as
// the operator whenever the engine waits (a card in, a card out).
#include <gtest/gtest.h>

#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch_engine.h"
#include "tool.h"
#include "sim/sim_api.h"

namespace {

namespace fs = std::filesystem;
using cli::BatchEngine;

struct ScriptedCard {
  const char* type = "sle4442";
  std::function<void(cli::Run&)> prepare;  // after the insert: memory, faults, counters
  bool pullWhenStarted = false;            // taken out once the write has begun
};

struct Personalise : ::testing::Test {
  fs::path dir;
  cli::Options options;
  cli::Environment env;
  std::ostringstream err;
  std::unique_ptr<cli::Run> run;
  std::deque<ScriptedCard> cards;
  bool inserted = false;
  bool pullNow = false;
  std::vector<std::vector<std::uint8_t>> finished;  // each card's memory when it was taken out
  double now = 0;

  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("pelox-batch-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    sim::TestReader::reset("none");
    env.bindDriver = [](const std::string&, DriverTable& t, std::string&) {
      sim::fillDriverTable(t);
      return true;
    };
    env.defaultDriver = "sim";
    env.setenv = [](const std::string&, const std::string&) {};
    env.getenv = [](const char*) -> const char* { return nullptr; };
    options.command = "personalise";
    options.codeFile = path("code.txt");
    std::ofstream(path("code.txt")) << "FFFFFF\n";
    run = std::make_unique<cli::Run>(options, env, err);
    ASSERT_EQ(run->openReader().status, cli::kDone);
  }
  void TearDown() override {
    run.reset();
    sim::TestReader::setFaults({});
    sim::TestReader::reset();
    fs::remove_all(dir);
  }
  std::string path(const std::string& name) { return (dir / name).string(); }

  cli::BatchPlan plan(int count) {
    cli::BatchPlan p;
    p.type = CardType::Sle4442;
    sim::TestReader::insert("sle4442");
    p.image = sim::TestReader::memory();
    sim::TestReader::pull();
    for (int a = 0x40; a < 0x48; ++a) p.image[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(a);
    p.serial = cli::SerialField{0x80, 2, 1, false};
    p.count = count;
    return p;
  }

  // The operator, while the engine waits: takes the card out, or puts the
  // next one in; false when there is none left.
  bool operatorActs() {
    if (inserted) {
      finished.push_back(sim::TestReader::memory());
      sim::TestReader::setFaults({});
      sim::TestReader::pull();
      inserted = false;
      return true;
    }
    if (cards.empty()) return false;
    ScriptedCard c = cards.front();
    cards.pop_front();
    sim::TestReader::insert(c.type);
    inserted = true;
    pullNow = c.pullWhenStarted;
    if (c.prepare) c.prepare(*run);
    now += 2;  // the operator's hands
    return true;
  }

  // Steps the engine to its end, as a timer would.
  void drive(BatchEngine& engine) {
    auto hook = engine.afterStarted;
    engine.afterStarted = [this, hook](unsigned long long serial) {
      if (hook) hook(serial);
      if (pullNow) sim::TestReader::pull();
    };
    for (int guard = 0; guard < 100000 && !engine.finished(); ++guard) {
      const int wait = engine.step();
      now += wait / 1000.0;
      if (wait != 0 && !operatorActs()) engine.stop();
    }
    if (inserted) finished.push_back(sim::TestReader::memory());
  }

  // pelox-card itself, the test as the operator between its polls.
  int cli(std::vector<std::string> args, std::string& out) {
    env.sleep = [this](int) {
      if (!operatorActs()) throw std::runtime_error("no card left");
    };
    env.clock = [this] { return now; };
    std::ostringstream o, e;
    const int status = cli::run(args, env, o, e);
    out = o.str() + e.str();
    return status;
  }

  std::vector<std::string> logResults() {
    std::vector<std::string> results;
    std::ifstream in(path("log.csv"));
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
      const auto f = cli::csvFields(line);
      results.push_back(f.at(6) + (f.at(4).empty() ? "" : " " + f.at(4)));
    }
    return results;
  }

  std::unique_ptr<BatchEngine> engine(cli::BatchPlan p, cli::LogHistory history = {}, unsigned long long first = 1) {
    std::string why;
    EXPECT_TRUE(log.open(path("log.csv"), why)) << why;
    return std::make_unique<BatchEngine>(*run, std::move(p), log, std::move(history), first, [this] { return now; });
  }
  cli::BatchLog log;
};

void presentWrongCode(cli::Run& run, int times) {
  run.drv.IC_InitType(run.st.readerHandle, pelox::codeOf(pelox::DriverType::Sle4442));
  const unsigned char wrong[3] = {0x12, 0x34, 0x56};
  for (int i = 0; i < times; ++i) run.drv.IC_CheckPass_SLE4442(run.st.readerHandle, wrong);
}

TEST_F(Personalise, AStreamOfCardsEachWithItsOwnOutcome) {
  struct Case {
    const char* name;
    std::vector<ScriptedCard> cards;
    bool stopOnFailure;
    std::vector<std::string> log;  // result and serial per line
    int done, failed;
    bool stoppedEarly;
  } cases[] = {
      {"three good cards", {{}, {}, {}}, false, {"started 1", "ok 1", "started 2", "ok 2", "started 3", "ok 3"}, 3, 0,
       false},
      {"a card of another type is not written",
       {{"24c02"}, {}, {}, {}},
       false,
       {"failed", "started 1", "ok 1", "started 2", "ok 2", "started 3", "ok 3"},
       3, 1, false},
      {"pulled mid-write: its serial is not used again",
       {{"sle4442", nullptr, true}, {}, {}, {}},
       false,
       {"started 1", "failed 1", "started 2", "ok 2", "started 3", "ok 3", "started 4", "ok 4"},
       3, 1, false},
      {"a write that does not stick",
       {{"sle4442", [](cli::Run&) { sim::TestReader::setFaults({.dropWrites = true}); }}, {}, {}, {}},
       false,
       {"started 1", "failed 1", "started 2", "ok 2", "started 3", "ok 3", "started 4", "ok 4"},
       3, 1, false},
      {"a locked card burns nothing and the run goes on",
       {{"sle4442", [](cli::Run& r) { presentWrongCode(r, 3); }}, {}, {}, {}},
       false,
       {"failed", "started 1", "ok 1", "started 2", "ok 2", "started 3", "ok 3"},
       3, 1, false},
      {"stop on failure", {{"24c02"}, {}}, true, {"failed"}, 0, 1, true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(path("log.csv"));
    finished.clear();
    sim::TestReader::pull();
    inserted = false;
    cards.assign(c.cards.begin(), c.cards.end());
    cli::BatchPlan p = plan(3);
    p.stopOnFailure = c.stopOnFailure;
    const cli::BatchPlan copy = p;
    auto e = engine(std::move(p));
    drive(*e);
    EXPECT_EQ(logResults(), c.log);
    EXPECT_EQ(e->done(), c.done);
    EXPECT_EQ(e->failed(), c.failed);
    EXPECT_EQ(!e->stopReason().empty(), c.stoppedEarly) << e->stopReason();
    // Every card that is logged ok holds the image with its own serial.
    std::size_t card = 0;
    for (const std::string& line : c.log) {
      if (line.rfind("ok ", 0) == 0) {
        const auto want = cli::cardImage(copy, std::stoull(line.substr(3)));
        ASSERT_LT(card, finished.size());
        EXPECT_TRUE(std::equal(want.begin() + 0x40, want.begin() + 0x90, finished[card].begin() + 0x40));
      }
      if (line.rfind("ok ", 0) == 0 || line.rfind("failed", 0) == 0) ++card;
    }
  }
}

TEST_F(Personalise, AWrongCodeStopsTheRunBeforeASecondCard) {
  std::ofstream(path("code.txt")) << "123456\n";
  cards = {{}, {}};
  auto e = engine(plan(2));
  drive(*e);
  EXPECT_EQ(logResults(), std::vector<std::string>{"failed"});
  EXPECT_NE(e->stopReason().find("密码"), std::string::npos) << e->stopReason();
  EXPECT_EQ(cards.size(), 1u);  // the second card never went in
  EXPECT_EQ(run->drv.IC_ReadCount_SLE4442(run->st.readerHandle), 2);
}

TEST_F(Personalise, ACardThatComesBackIsRefused) {
  cards = {{}};
  auto first = engine(plan(1));
  drive(*first);
  ASSERT_EQ(first->done(), 1);
  const std::vector<std::uint8_t> personalised = finished.back();
  cards = {{"sle4442", [personalised](cli::Run&) { sim::TestReader::setMemory(0, personalised); }}, {}};
  cli::LogHistory history;
  std::string why;
  ASSERT_TRUE(cli::readLogHistory(path("log.csv"), history, why));
  auto again = engine(plan(1), history, 2);
  drive(*again);
  EXPECT_EQ(logResults(), (std::vector<std::string>{"started 1", "ok 1", "refused 1", "started 2", "ok 2"}));
  EXPECT_EQ(again->refused(), 1);
}

TEST_F(Personalise, TheRateCountsCardsPerMinuteFromTheFirstCard) {
  cards = {{}, {}, {}};
  auto e = engine(plan(3));
  drive(*e);
  ASSERT_EQ(e->done(), 3);
  EXPECT_GT(e->perMinute(), 0);
  EXPECT_LT(e->perMinute(), 60.0 * 3 / 4);  // at least 2 s of the operator's hands per card
}

// The process killed after a card's "started" line: the log keeps it, and
// a resumed run skips that serial.
TEST_F(Personalise, AKilledRunResumesWithoutReusingASerial) {
  cards = {{}, {}};
  EXPECT_EXIT(
      {
        auto e = engine(plan(2));
        e->afterStarted = [](unsigned long long serial) {
          if (serial == 2) std::raise(SIGKILL);
        };
        drive(*e);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  cli::LogHistory history;
  std::string why;
  ASSERT_TRUE(cli::readLogHistory(path("log.csv"), history, why));
  EXPECT_EQ(history.highestStarted, 2u);
  EXPECT_EQ(history.written, std::set<unsigned long long>{1});
  EXPECT_EQ(history.withoutOutcome, std::set<unsigned long long>{2});
  // The resumed run logs serial 2 as skipped and goes on with 3.
  sim::TestReader::pull();
  inserted = false;
  cards = {{}};
  std::ofstream(path("image.bin"), std::ios::binary).write(reinterpret_cast<const char*>(plan(1).image.data()), 256);
  std::string out;
  EXPECT_EQ(cli({"personalise", path("image.bin"), "--driver", "sim", "--type", "sle4442", "--serial", "0x80:2:1",
                 "--count", "1", "--resume", path("log.csv"), "--code-file", path("code.txt")},
                out),
            cli::kDone)
      << out;
  EXPECT_EQ(logResults(), (std::vector<std::string>{"started 1", "ok 1", "started 2", "skipped 2", "started 3", "ok 3"}));
  EXPECT_EQ(sim::TestReader::memory()[0x81], 3);
}

}  // namespace
