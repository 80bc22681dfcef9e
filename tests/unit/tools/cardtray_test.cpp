// The virtual card tray against temporary INI and state files, and the
// reader picking up what the tray changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>

#include "sim/cards_atmel.h"
#include "sim/cards_crypto.h"
#include "sim/cards_memory.h"
#include "sim/reader.h"
#include "sim/sim_api.h"
#include "sim/state_file.h"
#include "tray.h"

namespace {

namespace fs = std::filesystem;

class CardTray : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("cardtray-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ini = dir / "pelox-sim.ini";
  }
  void TearDown() override {
    sim::TestReader::reset();
    fs::remove_all(dir);
  }
  int tray(std::vector<std::string> args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), {"--ini", ini.string()});
    return tray::run(args, dir / "unused.ini", out, err);
  }
  std::string file(const fs::path& p) { return sim::readFile(p).value_or("(missing)"); }
  // The card in a state file.
  std::unique_ptr<sim::Card> card(const std::string& type) {
    auto c = sim::makeCard(type);
    std::string why;
    EXPECT_TRUE(sim::parseState(*c, file(dir / "cards" / (type + ".card")), why)) << why;
    return c;
  }
  void saveCard(sim::Card& c) {
    std::string why;
    ASSERT_TRUE(sim::saveAtomically(dir / "cards" / (c.typeName() + ".card"), sim::stateText(c), why)) << why;
  }
  fs::path dir, ini;
  std::ostringstream out, err;
};

TEST(CardTrayIni, WithCardSetsTypeAndStateAndKeepsEverythingElse) {
  struct Case {
    const char* name;
    std::string before, after;
  };
  const Case cases[] = {
      {"values replaced, comments and other sections kept",
       "; top\n[reader]\nport = com2\ntype = keep\n[card]\ntype = sle4442   ; the card\nstate = x.card\n[faults]\ndrop_writes = 1\n",
       "; top\n[reader]\nport = com2\ntype = keep\n[card]\ntype = 24c16     ; the card\nstate = cards/24c16.card\n[faults]\ndrop_writes = 1\n"},
      {"keys added under the section", "[CARD]\n; nothing\n[faults]\n", "[CARD]\ntype = 24c16\nstate = cards/24c16.card\n; nothing\n[faults]\n"},
      {"section added", "[reader]\nport = usb", "[reader]\nport = usb\n\n[card]\ntype = 24c16\nstate = cards/24c16.card\n"},
      {"CRLF lines keep their CR", "[card]\r\ntype=none\r\n", "[card]\r\ntype= 24c16\r\nstate = cards/24c16.card\r\n"},
      {"added after the last key", "[card]\ntype = x\n\n; end\n", "[card]\ntype = 24c16\nstate = cards/24c16.card\n\n; end\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(tray::withCard(c.before, "24c16", "cards/24c16.card"), c.after) << c.name;
  EXPECT_EQ(tray::withCard("[card]\ntype = 24c16\nstate = cards/24c16.card\n", "none", ""), "[card]\ntype = none\nstate = cards/24c16.card\n")
      << "a pull leaves the state line";
}

TEST_F(CardTray, InsertCreatesTheIniAndAFactoryCardAndKeepsTheCardLater) {
  ASSERT_EQ(tray({"insert", "24C16"}), 0) << err.str();
  std::string text = file(ini);
  EXPECT_NE(text.find("[faults]"), std::string::npos) << "the default INI with its sections";
  std::vector<std::string> problems;
  sim::Config c = sim::parseIni(text, problems);
  EXPECT_EQ(c.cardType, "24c16");
  EXPECT_EQ(c.state, "cards/24c16.card");
  EXPECT_EQ(card("24c16")->rawMemory(), sim::makeCard("24c16")->rawMemory());

  // Written data stays through another insert, and goes with --fresh.
  auto written = card("24c16");
  written->setRawMemory(0, {1, 2, 3});
  saveCard(*written);
  ASSERT_EQ(tray({"insert", "sle4442"}), 0);
  ASSERT_EQ(tray({"insert", "24c16"}), 0);
  EXPECT_EQ(card("24c16")->rawMemory()[1], 2);
  ASSERT_EQ(tray({"insert", "24c16", "--fresh"}), 0);
  EXPECT_EQ(card("24c16")->rawMemory()[1], 0xFF);
}

TEST_F(CardTray, InsertAndPullKeepOtherLines) {
  std::ofstream(ini, std::ios::binary) << "[reader]\nport = com3 ; mine\n[card]\ntype = none\n[faults]\ndrop_writes = 1\nfail_call = 4\n";
  ASSERT_EQ(tray({"insert", "at88sc1608"}), 0);
  ASSERT_EQ(tray({"pull"}), 0);
  EXPECT_EQ(file(ini), "[reader]\nport = com3 ; mine\n[card]\ntype = none\nstate = cards/at88sc1608.card\n[faults]\ndrop_writes = 1\nfail_call = 4\n");
}

TEST_F(CardTray, RefusesUnknownTypesAndBadCommandLines) {
  EXPECT_EQ(tray({"insert", "sle9999"}), 1);
  EXPECT_NE(err.str().find("unknown card type"), std::string::npos);
  EXPECT_FALSE(fs::exists(ini)) << "nothing written";
  EXPECT_EQ(tray({"insert"}), 2);
  EXPECT_EQ(tray({"dump", "--fresh"}), 2);
  EXPECT_EQ(tray({"shake"}), 2);
  EXPECT_EQ(tray({"reset-counters"}), 1) << "no INI: no card";
  EXPECT_NE(err.str().find("no card"), std::string::npos);
}

TEST_F(CardTray, ResetCountersPutsEveryCounterOfALockedCardBackToFull) {
  using Lock = std::function<void(sim::Card&)>;
  using Left = std::function<int(sim::Card&)>;
  const std::uint8_t wrong[6] = {1, 2, 3, 4, 5, 6};
  struct Case {
    const char* type;
    Lock lock;
    Left left;
    int full;
  };
  const Case cases[] = {
      {"sle4442", [&](sim::Card& c) { for (int i = 0; i < 3; ++i) static_cast<sim::SleCard&>(c).checkPass(wrong); },
       [](sim::Card& c) { return static_cast<sim::SleCard&>(c).attempts(); }, 3},
      {"sle4428", [&](sim::Card& c) { for (int i = 0; i < 8; ++i) static_cast<sim::SleCard&>(c).checkPass(wrong); },
       [](sim::Card& c) { return static_cast<sim::SleCard&>(c).attempts(); }, 8},
      {"at88sc102", [&](sim::Card& c) { for (int i = 0; i < 4; ++i) static_cast<sim::At102Card&>(c).checkUser(wrong); },
       [](sim::Card& c) { return int{static_cast<sim::At102Card&>(c).userCount()}; }, 4},
      {"at88sc1604", [&](sim::Card& c) { for (int i = 0; i < 8; ++i) static_cast<sim::At1604Card&>(c).checkCode(2, wrong); },
       [](sim::Card& c) { return int{static_cast<sim::At1604Card&>(c).codeCount(2)}; }, 8},
      {"at88sc1608",
       [&](sim::Card& c) {
         auto& k = static_cast<sim::CryptoCard&>(c);
         for (int i = 0; i < 8; ++i) k.checkPassword(7, true, {1, 2, 3}), k.checkPassword(0, false, {1, 2, 3}), k.initAuth({});
       },
       [](sim::Card& c) {
         auto& k = static_cast<sim::CryptoCard&>(c);
         return std::min({int{k.passwordCount(7, true)}, int{k.passwordCount(0, false)}, int{k.authCount()}});
       },
       8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    ASSERT_EQ(tray({"insert", c.type}), 0);
    auto locked = card(c.type);
    locked->setRawMemory(40, {0x12, 0x34});
    c.lock(*locked);
    ASSERT_EQ(c.left(*locked), 0);
    saveCard(*locked);
    ASSERT_EQ(tray({"reset-counters"}), 0) << err.str();
    auto reset = card(c.type);
    EXPECT_EQ(c.left(*reset), c.full);
    EXPECT_EQ(reset->rawMemory()[41], 0x34) << "data stays";
  }
}

TEST_F(CardTray, DumpShowsTheMemoryAndTheConfigurationZone) {
  ASSERT_EQ(tray({"insert", "sle4442"}), 0);
  ASSERT_EQ(tray({"dump"}), 0);
  EXPECT_NE(out.str().find("0000  A2 13 10 91 FF FF 81 15"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("00F0  FF"), std::string::npos) << "all 256 bytes";
  ASSERT_EQ(tray({"insert", "at88sc1608"}), 0);
  ASSERT_EQ(tray({"dump"}), 0);
  EXPECT_NE(out.str().find("configuration zone, 128 bytes:\n0000  2C AA 55 A0"), std::string::npos) << out.str();
  ASSERT_EQ(tray({"list"}), 0);
  EXPECT_NE(out.str().find("* at88sc1608   cards/at88sc1608.card"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("  sle4442      cards/sle4442.card"), std::string::npos);
  EXPECT_NE(out.str().find("  24c02        -"), std::string::npos);
}

TEST_F(CardTray, ARunningReaderSeesTheSwapAndTheResetCounters) {
  DriverTable d;
  sim::fillDriverTable(d);
  ASSERT_EQ(tray({"insert", "sle4442"}), 0);
  {
    std::lock_guard<std::mutex> g(sim::Reader::lock());
    sim::Reader::get().loadIni(ini);
  }
  int h = d.IC_InitComm(100);
  ASSERT_GT(h, 0);
  ASSERT_EQ(d.IC_Status(h), 0);
  ASSERT_EQ(d.IC_InitType(h, 16), 0);
  const std::uint8_t wrong[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) d.IC_CheckPass_SLE4442(h, wrong);
  ASSERT_EQ(d.IC_ReadCount_SLE4442(h), 0);

  ASSERT_EQ(tray({"reset-counters"}), 0) << err.str();
  EXPECT_EQ(d.IC_Status(h), 0);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 3) << "the reader loaded the changed state file";

  ASSERT_EQ(tray({"pull"}), 0);
  EXPECT_EQ(d.IC_Status(h), 1) << "no card";
  ASSERT_EQ(tray({"insert", "24c02"}), 0);
  EXPECT_EQ(d.IC_Status(h), 0);
  EXPECT_EQ(sim::TestReader::memory().size(), 256u);
}

}  // namespace

TEST_F(CardTray, LoadInsertsTheCardOfAStateFileAndKeepsItsCopyLater) {
  auto demo = sim::makeCard("sle4442");
  demo->setRawMemory(32, {0x44, 0x45});
  std::ofstream(dir / "my demo.card", std::ios::binary) << sim::stateText(*demo);
  const fs::path copy = dir / "cards" / "my demo.card";

  ASSERT_EQ(tray({"load", (dir / "my demo.card").string()}), 0) << err.str();
  EXPECT_NE(file(ini).find("type = sle4442"), std::string::npos);
  EXPECT_NE(file(ini).find("state = cards/my demo.card"), std::string::npos);
  EXPECT_EQ(file(copy), sim::stateText(*demo));

  // What was written to the copy stays through another load, and goes with --fresh.
  std::ofstream(copy, std::ios::binary) << "written";
  ASSERT_EQ(tray({"load", (dir / "my demo.card").string()}), 0);
  EXPECT_EQ(file(copy), "written");
  ASSERT_EQ(tray({"load", (dir / "my demo.card").string(), "--fresh"}), 0);
  EXPECT_EQ(file(copy), sim::stateText(*demo));
}

TEST_F(CardTray, LoadRefusesWhatIsNoCardStateAndChangesNothing) {
  struct Case {
    const char* name;
    const char* text;  // nullptr: no such file
    const char* message;
  };
  const Case cases[] = {
      {"missing", nullptr, "cannot read"},
      {"unknown type", "pelox-card 1\ntype sle9999\nend\n", "names no known card type"},
      {"damaged", "pelox-card 1\ntype sle4442\nbytes memory 256\n0000 A213\nend\n", "is damaged"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path from = dir / "from.card";
    fs::remove(from);
    if (c.text != nullptr) std::ofstream(from, std::ios::binary) << c.text;
    EXPECT_EQ(tray({"load", from.string()}), 1);
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(ini)) << "nothing written";
    EXPECT_FALSE(fs::exists(dir / "cards"));
  }
  EXPECT_EQ(tray({"load"}), 2);
}

TEST(CardTrayDemo, TheDemoCardIsAnSle4442WithDataAndItsFactoryHeader) {
  const auto text = sim::readFile(fs::path(DEMO_SOURCE_DIR) / "sim/demo-cards/sle4442-demo.card");
  ASSERT_TRUE(text.has_value());
  auto demo = sim::makeCard("sle4442");
  std::string why;
  ASSERT_TRUE(sim::parseState(*demo, *text, why)) << why;
  const sim::Bytes memory = demo->rawMemory(), factory = sim::makeCard("sle4442")->rawMemory();
  EXPECT_TRUE(std::equal(factory.begin(), factory.begin() + 8, memory.begin())) << "the manufacturer's header";
  EXPECT_GT(std::count_if(memory.begin() + 32, memory.end(), [](std::uint8_t b) { return b != 0xFF; }), 64)
      << "data in the data zone";
}
