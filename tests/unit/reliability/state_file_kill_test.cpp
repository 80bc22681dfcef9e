// The simulator's card-state files survive a kill at any moment: a writer
// process saving two big versions in turn is killed with SIGKILL at random
// moments, and the file must always hold one complete version. A file that
// is nevertheless damaged (cut short, as a non-atomic save would leave it)
// is refused by the reader, reported and kept aside, never overwritten.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "sim/card.h"
#include "sim/reader.h"
#include "sim/sim_api.h"
#include "sim/state_file.h"

namespace {

namespace fs = std::filesystem;

// A state text of a card of `type` with its whole memory set to `fill`.
std::string versionText(const std::string& type, std::uint8_t fill) {
  auto card = sim::makeCard(type);
  card->setRawMemory(0, sim::Bytes(card->rawMemory().size(), fill));
  return sim::stateText(*card);
}

class StateFileKill : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("pelox-kill-test-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "cards");
  }
  void TearDown() override {
    sim::TestReader::reset();
    fs::remove_all(dir);
  }
  fs::path dir;
};

TEST_F(StateFileKill, KilledWriterLeavesOneCompleteVersion) {
  // About 1 MB each (the AT45D041's 540 672 bytes as text): a save takes
  // long enough for the kills to land inside it.
  const std::string a = versionText("at45d041", 0xA5);
  const std::string b = versionText("at45d041", 0x5A);
  ASSERT_NE(a, b);
  const fs::path path = dir / "cards" / "at45d041.card";
  std::string why;
  ASSERT_TRUE(sim::saveAtomically(path, a, why)) << why;

  std::mt19937 random(20261208);
  constexpr int kKills = 60;
  int midWrite = 0;  // kills that left a temporary file: a save was under way
  const fs::path temp = fs::path(path).concat(".tmp");
  for (int kill = 0; kill < kKills; ++kill) {
    fs::remove(temp);
    // The child says when it runs: where a process starts slowly (a 32-bit
    // build under an emulator, a loaded machine) the kills would otherwise
    // land before its first save.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const char running = 1;
      if (write(ready[1], &running, 1) != 1) _exit(1);
      std::string reason;
      for (unsigned n = 0;; ++n) sim::saveAtomically(path, n % 2 == 0 ? b : a, reason);
    }
    close(ready[1]);
    char running = 0;
    const ssize_t got = read(ready[0], &running, 1);
    close(ready[0]);
    ASSERT_EQ(got, 1);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30000)(random)));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    if (fs::exists(temp)) ++midWrite;

    const auto text = sim::readFile(path);
    ASSERT_TRUE(text.has_value()) << "the state file vanished after kill " << kill;
    ASSERT_TRUE(*text == a || *text == b) << "kill " << kill << " left a mix of " << text->size() << " bytes";
    auto card = sim::makeCard("at45d041");
    ASSERT_TRUE(sim::parseState(*card, *text, why)) << why;
  }
  std::printf("[ kill test ] %d kills, %d during a save\n", kKills, midWrite);
  EXPECT_GT(midWrite, kKills / 4) << "the kills did not land inside saves: the test proves little";

  // The next save after a kill goes through despite the stale temporary file.
  ASSERT_TRUE(sim::saveAtomically(path, b, why)) << why;
  EXPECT_EQ(sim::readFile(path), b);
}

TEST_F(StateFileKill, FileCutShortAtAnyLengthIsRefused) {
  // Whatever a torn write would leave: every proper prefix of a state text.
  for (const std::string type : {"sle4442", "at88sc1608", "sle4428"}) {
    const std::string full = versionText(type, 0x3C);
    auto card = sim::makeCard(type);
    const std::string factory = sim::stateText(*card);
    std::string why;
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
      // A prefix that ends right after the last line but its closing line
      // break is the whole text to a reader of lines; anything shorter is
      // damaged.
      if (cut == full.size() - 1 && full.back() == '\n') continue;
      ASSERT_FALSE(sim::parseState(*card, full.substr(0, cut), why)) << type << " cut at " << cut << " accepted";
      ASSERT_EQ(sim::stateText(*card), factory) << type << " changed by a refused text cut at " << cut;
    }
  }
}

TEST_F(StateFileKill, DamagedFileIsReportedKeptAndNotOverwritten) {
  const std::string good = versionText("24c16", 0x11);
  const std::string torn = good.substr(0, good.size() / 2);
  const fs::path path = dir / "cards" / "24c16.card";
  std::ofstream(path, std::ios::binary) << torn;
  std::ofstream(dir / "pelox-sim.ini", std::ios::binary) << "[card]\ntype = 24c16\n";

  DriverTable d;
  sim::fillDriverTable(d);
  testing::internal::CaptureStderr();
  {
    std::lock_guard<std::mutex> g(sim::Reader::lock());
    sim::Reader::get().loadIni(dir / "pelox-sim.ini");
  }
  const std::string report = testing::internal::GetCapturedStderr();
  const int h = d.IC_InitComm(100);
  ASSERT_GT(h, 0);
  EXPECT_NE(report.find("damaged"), std::string::npos) << "not reported: " << report;
  EXPECT_EQ(d.IC_Status(h), 1) << "a damaged card reads as not inserted";
  // Writes and reads against the missing card change no file.
  d.IC_InitType(h, 64);
  const unsigned char v[2] = {1, 2};
  EXPECT_NE(d.IC_Write(h, 0, 2, v), 0);
  EXPECT_EQ(sim::readFile(fs::path(path).concat(".damaged-1")), torn) << "kept byte for byte";
  EXPECT_FALSE(fs::exists(path)) << "a fresh card was saved over the damaged one's name";
  d.IC_ExitComm(h);
}

}  // namespace
