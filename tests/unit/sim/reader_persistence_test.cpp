// The reader's own functions, the INI file, the state files and the fault
// switches.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "sim/config.h"
#include "sim/reader.h"
#include "sim/state_file.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

namespace fs = std::filesystem;

TEST_F(SimTest, ReaderAnswersOnlyOnItsPort) {
  sim::TestReader::reset("24c02", 2);
  EXPECT_EQ(d.IC_InitComm(100), 0);
  EXPECT_EQ(d.IC_InitComm(0), 0);
  h = d.IC_InitComm(2);
  ASSERT_GT(h, 0);
  EXPECT_EQ(d.IC_Status(h), 0);
  EXPECT_LT(d.IC_Status(h + 1), 0) << "a handle that was never given out";
  EXPECT_EQ(d.IC_ExitComm(0), 0) << "closing nothing is harmless";
  EXPECT_EQ(d.IC_ExitComm(h), 0);
  EXPECT_LT(d.IC_Status(h), 0) << "closed";
}

TEST_F(SimTest, UtilityFunctions) {
  start("24c02");
  unsigned char version[21] = {};
  EXPECT_EQ(d.IC_ReadVer(h, version), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(version), "PELOX-SIM V1.0");
  EXPECT_EQ(d.IC_Status_1(h), 0);
  EXPECT_EQ(d.IC_Beep(h, 5, 255), 0);
  // Device memory as hexadecimal text, 2048 bytes.
  EXPECT_EQ(d.IC_WriteDevice_Hex(h, 2040, 4, "a1B2c3D4"), 0);
  char text[16] = {};
  EXPECT_EQ(d.IC_ReadDevice_Hex(h, 2040, 4, text), 0);
  EXPECT_STREQ(text, "A1B2C3D4");
  EXPECT_LT(d.IC_WriteDevice_Hex(h, 2046, 4, "00000000"), 0);
  EXPECT_LT(d.IC_WriteDevice_Hex(h, 0, 4, "A1B2C3"), 0) << "too few digits";
  EXPECT_LT(d.IC_WriteDevice_Hex(h, 0, 1, "G0"), 0);
  EXPECT_EQ(d.IC_ReadDevice_Hex(h, 2048, 0, text), 0);
  // Host conversions.
  unsigned char bytes[3] = {};
  EXPECT_EQ(d.hex2asc("0aFf10", bytes, 3), 0);
  EXPECT_EQ(Bytes(bytes, bytes + 3), (Bytes{0x0A, 0xFF, 0x10}));
  EXPECT_LT(d.hex2asc("0x12", bytes, 2), 0);
  EXPECT_LT(d.hex2asc("12", bytes, 2), 0) << "text shorter than the count";
  EXPECT_EQ(d.asc2hex(bytes, text, 3), 0);
  EXPECT_STREQ(text, "0AFF10");
  // Firmware identification and push-out.
  ASSERT_EQ(d.IC_InitType(h, 253), 0);
  unsigned char id[2] = {};
  EXPECT_EQ(d.IC_Read(h, 0, 2, id), 0);
  EXPECT_NE(id[1], 'M');
  EXPECT_EQ(d.IC_Pushout(h), 0);
  EXPECT_EQ(d.IC_Status(h), 1);
  EXPECT_EQ(d.IC_InitType(h, 253), -134);
}

TEST_F(SimTest, CpuCardsAnswerResetAndApdus) {
  for (int t = 0; t <= 1; ++t) {
    start(t == 0 ? "cpu-t0" : "cpu-t1");
    ASSERT_EQ(d.IC_InitType(h, 12), 0);
    unsigned char len = 0, atr[64] = {}, rlen = 0, resp[256] = {};
    const unsigned char challenge[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
    EXPECT_LT(d.IC_CpuApdu(h, 5, challenge, &rlen, resp), 0) << "no reset yet";
    ASSERT_EQ(d.IC_CpuReset(h, &len, atr), 0);
    ASSERT_GT(len, 3);
    EXPECT_EQ(d.IC_CpuGetProtocol(h), t);
    if (t == 1) {
      unsigned char x = 0;
      for (int i = 1; i < len; ++i) x ^= atr[i];
      EXPECT_EQ(x, 0) << "T=1 answer to reset ends in its check byte";
    }
    ASSERT_EQ(d.IC_CpuApdu(h, 5, challenge, &rlen, resp), 0);
    ASSERT_EQ(rlen, 10);
    EXPECT_EQ(resp[8], 0x90);
    const unsigned char select[7] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x00, 0x01};
    ASSERT_EQ(d.IC_CpuApdu(h, 7, select, &rlen, resp), 0);
    if (t == 0) {
      ASSERT_EQ(rlen, 2);
      EXPECT_EQ(resp[0], 0x61);
      const unsigned char getResponse[5] = {0x00, 0xC0, 0x00, 0x00, resp[1]};
      ASSERT_EQ(d.IC_CpuApdu(h, 5, getResponse, &rlen, resp), 0);
    }
    EXPECT_EQ(resp[rlen - 2], 0x90);
    const unsigned char readBinary[5] = {0x00, 0xB0, 0x00, 0x00, 0x05};
    ASSERT_EQ(d.IC_CpuApdu(h, 5, readBinary, &rlen, resp), 0);
    EXPECT_EQ(std::string(resp, resp + 5), "PELOX");
    struct Sw {
      Bytes apdu;
      int sw1, sw2;
    };
    const Sw table[] = {{{0x80, 0xB0, 0x00, 0x00, 0x01}, 0x6E, 0x00}, {{0x00, 0x12, 0x00, 0x00}, 0x6D, 0x00},
                        {{0x00, 0xA4, 0x00, 0x00, 0x02, 0x12, 0x34}, 0x6A, 0x82}, {{0x00, 0xB0, 0x7F, 0x00, 0x01}, 0x6B, 0x00},
                        {{0x00, 0xB0, 0x00, 0x00, 0xFF}, 0x6C, 24}, {{0x00, 0xA4}, 0x67, 0x00},
                        {{0x00, 0xA4, 0x00, 0x00, 0x02, 0x00, 0x02}, t == 0 ? 0x61 : 0x90, t == 0 ? 10 : 0x00}};
    for (const Sw& s : table) {
      ASSERT_EQ(d.IC_CpuApdu(h, static_cast<short>(s.apdu.size()), s.apdu.data(), &rlen, resp), 0);
      EXPECT_EQ(resp[rlen - 2], s.sw1) << "INS " << int(s.apdu[1]);
      EXPECT_EQ(resp[rlen - 1], s.sw2) << "INS " << int(s.apdu[1]);
    }
    ASSERT_EQ(d.IC_CpuApdu(h, 5, readBinary, &rlen, resp), 0);
    EXPECT_EQ(resp[0], 0x69) << "file 0002 is protected";
  }
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, 12), 0);
  unsigned char len = 0, atr[64] = {};
  EXPECT_LT(d.IC_CpuReset(h, &len, atr), 0) << "a memory card does not answer a reset";
}

// Answers over 255 bytes (data and status word) fail whole, as the PC/SC
// driver's do; IC_SetCpuPara's protocol is the one the next reset takes.
TEST_F(SimTest, CpuAnswersTooLongAndProtocolsNotOffered) {
  unsigned char len = 0, atr[64] = {}, rlen = 0, resp[256] = {};
  const unsigned char selectLong[7] = {0x00, 0xA4, 0x00, 0x0C, 0x02, 0x00, 0x03};
  const unsigned char read256[5] = {0x00, 0xB0, 0x00, 0x00, 0xFE};
  start("cpu-t0");
  ASSERT_EQ(d.IC_InitType(h, 12), 0);
  ASSERT_EQ(d.IC_CpuReset(h, &len, atr), 0);
  ASSERT_EQ(d.IC_CpuApdu(h, 7, selectLong, &rlen, resp), 0);
  rlen = 7;
  EXPECT_EQ(d.IC_CpuApdu(h, 5, read256, &rlen, resp), sim::err::kTooLong);
  EXPECT_EQ(rlen, 7) << "a cut answer was written";
  // The card, the protocol asked for, the reset's result.
  const std::tuple<const char*, unsigned char, short> cases[] = {
      {"cpu-t0", 1, sim::err::kNoProtocol}, {"cpu-t1", 0, sim::err::kNoProtocol}, {"cpu-t01", 1, 0}};
  for (const auto& [card, asked, result] : cases) {
    start(card);
    ASSERT_EQ(d.IC_InitType(h, 12), 0);
    ASSERT_EQ(d.IC_SetCpuPara(h, 12, asked, 92), 0);
    EXPECT_EQ(d.IC_CpuReset(h, &len, atr), result) << card;
    EXPECT_EQ(d.IC_CpuGetProtocol(h), result == 0 ? asked : sim::err::kSequence) << card;
  }
}

TEST_F(SimTest, DropWritesAnswersSuccessAndChangesNothing) {
  start("24c16");
  sim::Faults f;
  f.dropWrites = true;
  sim::TestReader::setFaults(f);
  ASSERT_EQ(d.IC_InitType(h, 64), 0);
  const std::uint8_t v[2] = {1, 2};
  EXPECT_EQ(d.IC_Write24(h, 10, 2, v), 0);
  EXPECT_EQ(read(10, 2), (Bytes{0xFF, 0xFF}));
  EXPECT_LT(d.IC_Write24(h, 4000, 2, v), 0) << "refused writes still fail";
  sim::TestReader::setFaults(sim::Faults{});
}

TEST_F(SimTest, InjectedFaultsFailPullAndDrop) {
  start("24c02");
  sim::Faults f;
  f.failFunction = "IC_Read";
  f.failCall = 2;
  f.failResult = -77;
  sim::TestReader::setFaults(f);
  read(0, 1);
  EXPECT_EQ(last, 0);
  read(0, 1);
  EXPECT_EQ(last, -77);
  read(0, 1);
  EXPECT_EQ(last, 0);
  f = sim::Faults{};
  f.pullAtCall = 2;
  f.dropReaderAtCall = 4;
  sim::TestReader::setFaults(f);
  EXPECT_EQ(d.IC_Status(h), 0);
  EXPECT_EQ(d.IC_Status(h), 1) << "pulled at call 2";
  EXPECT_EQ(d.IC_Status(h), 1);
  EXPECT_LT(d.IC_Status(h), 0) << "reader gone from call 4";
  sim::TestReader::setFaults(sim::Faults{});
}

// ---------------------------------------------------------------- INI and state files

TEST(SimIni, BrokenInputFallsBackToDefaults) {
  std::vector<std::string> problems;
  sim::Config c = sim::parseIni(
      "[reader\nport = com9\nversion = this text is far longer than twenty\n[card]\ntype = floppy\njunk line\n"
      "[faults]\ndrop_writes = maybe\nfail_call = -3\nfail_result = 99999\n",
      problems);
  EXPECT_EQ(c.port, 100);
  EXPECT_EQ(c.cardType, "none");
  EXPECT_FALSE(c.faults.dropWrites);
  EXPECT_EQ(c.faults.failCall, 0);
  EXPECT_GE(problems.size(), 6u);
  problems.clear();
  c = sim::parseIni("\xEF\xBB\xBF[Reader]\r\nPort = COM3 ; comment\r\n[card]\r\ntype=AT88SC1608\r\nstate = x/y.card\r\n"
                    "[reader]\r\nversion = Kv310 # note\r\nversion_fault=1\r\nfirmware_download = 1\r\n",
                    problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(c.port, 2);
  EXPECT_EQ(c.cardType, "at88sc1608");
  EXPECT_EQ(c.state, "x/y.card");
  EXPECT_EQ(c.version, "Kv310");
  EXPECT_TRUE(c.versionFault);
  EXPECT_TRUE(c.firmwareDownload);
  problems.clear();
  c = sim::parseIni(std::string("\0\xFF\xFE garbage\n=\n[]\n", 16), problems);
  EXPECT_EQ(c.port, 100);
}

class SimFiles : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    dir = fs::temp_directory_path() / ("pelox-sim-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    sim::TestReader::reset();
    fs::remove_all(dir);
  }
  void writeIni(const std::string& text) {
    std::ofstream(dir / "pelox-sim.ini", std::ios::binary | std::ios::trunc) << text;
  }
  void load() {
    {
      std::lock_guard<std::mutex> g(sim::Reader::lock());
      sim::Reader::get().loadIni(dir / "pelox-sim.ini");
    }
    h = d.IC_InitComm(100);
  }
  fs::path dir;
};

TEST_F(SimFiles, StateSurvivesAReloadAndMissingFileMakesAFactoryCard) {
  writeIni("[card]\ntype = sle4442\n");
  load();
  ASSERT_GT(h, 0);
  ASSERT_EQ(d.IC_Status(h), 0);
  ASSERT_TRUE(fs::exists(dir / "cards" / "sle4442.card")) << "factory card saved at once";
  ASSERT_EQ(d.IC_InitType(h, 16), 0);
  const std::uint8_t psc[3] = {0xFF, 0xFF, 0xFF}, wrong[3] = {0, 0, 0}, v[3] = {7, 8, 9};
  ASSERT_LT(d.IC_CheckPass_SLE4442(h, wrong), 0);
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, psc), 0);
  ASSERT_EQ(d.IC_Write(h, 100, 3, v), 0);
  ASSERT_EQ(d.IC_WriteProtection(h, 5, 1, &v[0]), -11) << "byte 5 holds FF, not 07";
  ASSERT_LT(d.IC_CheckPass_SLE4442(h, wrong), 0);
  std::string before = sim::TestReader::stateText();
  sim::TestReader::reset();  // forget everything in memory
  load();
  EXPECT_EQ(d.IC_Status(h), 0);
  EXPECT_EQ(sim::TestReader::stateText(), before);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 2);
  EXPECT_FALSE(fs::exists(dir / "cards" / "sle4442.card.tmp"));
}

TEST_F(SimFiles, DamagedStateFileIsKeptAsideAndTheCardIsOut) {
  fs::create_directories(dir / "cards");
  for (const char* damage : {"pelox-card 1\ntype sle4442\nbytes memory 256\n0000 A2\n", "pelox-card 1\ntype 24c02\nend\n", ""}) {
    std::ofstream(dir / "cards" / "c.card", std::ios::binary | std::ios::trunc) << damage;
    writeIni(std::string("[card]\ntype = sle4442\nstate = cards/c.card\n; ") + damage[0] + "\n");
    testing::internal::CaptureStderr();
    load();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.IC_Status(h), 1) << "damaged card reads as not inserted";
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "cards" / "c.card"));
  }
  EXPECT_TRUE(fs::exists(dir / "cards" / "c.card.damaged-1"));
  EXPECT_TRUE(fs::exists(dir / "cards" / "c.card.damaged-3"));
  std::ifstream kept(dir / "cards" / "c.card.damaged-1");
  std::string first((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  EXPECT_EQ(first, "pelox-card 1\ntype sle4442\nbytes memory 256\n0000 A2\n") << "kept byte for byte";
}

TEST_F(SimFiles, ChangedIniIsTakenAtTheNextStatusCall) {
  writeIni("[card]\ntype = none\n");
  load();
  EXPECT_EQ(d.IC_Status(h), 1);
  writeIni("[card]\ntype = 24c04\n; now a card is in\n");
  EXPECT_EQ(d.IC_Status(h), 0);
  EXPECT_EQ(sim::TestReader::memory().size(), 512u);
  writeIni("[reader]\nport = com2\n[card]\ntype = 24c04\n");
  EXPECT_LT(d.IC_Status(h), 0) << "the reader moved to COM2";
  EXPECT_GT(d.IC_InitComm(1), 0);
  fs::remove(dir / "pelox-sim.ini");
  testing::internal::CaptureStderr();
  h = d.IC_InitComm(100);
  testing::internal::GetCapturedStderr();
  EXPECT_GT(h, 0) << "a missing file: USB";
  EXPECT_EQ(d.IC_Status(h), 1) << "and no card";
}

TEST(SimState, AtomicSaveReplacesWholeFiles) {
  fs::path p = fs::temp_directory_path() / "pelox-sim-atomic" / "a.card";
  fs::remove_all(p.parent_path());
  std::string why;
  ASSERT_TRUE(sim::saveAtomically(p, "old", why)) << why;
  // A save that died before its rename leaves a stray temporary file and the
  // old file intact; the next save replaces both.
  std::ofstream(fs::path(p) += ".tmp") << "half wri";
  EXPECT_EQ(*sim::readFile(p), "old");
  ASSERT_TRUE(sim::saveAtomically(p, "new", why)) << why;
  EXPECT_EQ(*sim::readFile(p), "new");
  EXPECT_FALSE(fs::exists(fs::path(p) += ".tmp"));
  fs::remove_all(p.parent_path());
}

TEST(SimState, EveryCardRoundTripsThroughItsText) {
  for (const std::string& type : sim::cardTypeNames()) {
    auto a = sim::makeCard(type);
    auto b = sim::makeCard(type);
    ASSERT_TRUE(a && b) << type;
    a->setRawMemory(0, Bytes{0x01, 0x02, 0x03});
    std::string text = sim::stateText(*a), why;
    ASSERT_TRUE(sim::parseState(*b, text, why)) << type << ": " << why;
    EXPECT_EQ(sim::stateText(*b), text) << type;
    auto other = sim::makeCard(type == "24c02" ? "24c04" : "24c02");
    EXPECT_FALSE(sim::parseState(*other, text, why)) << type << " loaded into another card type";
  }
}

}  // namespace
}  // namespace simtest
