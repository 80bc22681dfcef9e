// The personalisation engine against the in-memory simulator: a scripted
// stream of cards, the engine stepped as a timer would, the test acting as
// the operator whenever the engine waits (a card in, a card out).
#include <csignal>

#include "personalise_fixture.h"

namespace {

using namespace personalise_test;
using batch::BatchEngine;

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
    batch::BatchPlan p = plan(3);
    p.stopOnFailure = c.stopOnFailure;
    const batch::BatchPlan copy = p;
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
        const auto want = batch::cardImage(copy, std::stoull(line.substr(3)));
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
  batch::LogHistory history;
  std::string why;
  ASSERT_TRUE(batch::readLogHistory(path("log.csv"), history, why));
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
  batch::LogHistory history;
  std::string why;
  ASSERT_TRUE(batch::readLogHistory(path("log.csv"), history, why));
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
