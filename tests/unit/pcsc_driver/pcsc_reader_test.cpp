// The reader through the PC/SC driver: opening, status, version text, the
// card pulled, the reader gone, CPU cards, and the INI file's reader choice.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <tuple>

#include "pcsc/settings.h"
#include "pcsc_driver/pcsc_fixture.h"
#include "cards/card_types.h"
#include "sim/errors.h"

namespace pcsctest {
namespace {

using pelox::DriverType;

TEST_F(PcscTest, OnlyUsbOpensAndTheVersionNamesTheReader) {
  reader.insert("sle4442");
  for (int port : {0, 1, 2, 3}) EXPECT_EQ(d.IC_InitComm(port), 0) << "COM" << port + 1;
  h = d.IC_InitComm(100);
  ASSERT_GT(h, 0);
  EXPECT_EQ(d.IC_Status_1(h), 0);
  unsigned char text[21] = {};
  ASSERT_EQ(d.IC_ReadVer(h, text), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(text), "Direct PCD 00 00");
  reader.name = "A reader whose name is longer than twenty";
  h = d.IC_InitComm(100);
  std::memset(text, '#', sizeof(text));
  ASSERT_EQ(d.IC_ReadVer(h, text), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 20), "A reader whose name ");
  EXPECT_EQ(text[20], '#') << "written past 20 bytes";
  EXPECT_EQ(d.IC_ExitComm(h), 0);
  EXPECT_EQ(d.IC_Status(h), sim::err::kLink) << "a closed handle still answers";
}

TEST_F(PcscTest, CardPulledAndPutBack) {
  start("24c02");
  EXPECT_EQ(d.IC_Status(h), 0);
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), 0);
  reader.pull();
  EXPECT_EQ(read(0, 8), pcsc::Bytes(8, 0)) << "a read without a card filled the buffer";
  EXPECT_EQ(last, sim::err::kNoCard);
  EXPECT_EQ(d.IC_Status(h), 1);
  EXPECT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), sim::err::kNoCard);
  reader.insert("24c02");
  EXPECT_EQ(d.IC_Status(h), 0);
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), 0);
  read(0, 8);
  EXPECT_EQ(last, 0);
}

TEST_F(PcscTest, CardSwappedBehindTheDriversBack) {
  start("24c02");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), 0);
  reader.insert("24c02");  // no status call in between: the old connection is dead
  read(0, 8);
  EXPECT_EQ(last, sim::err::kSequence) << "a swapped card is no lost reader";
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), 0) << "the driver did not connect again";
  read(0, 8);
  EXPECT_EQ(last, 0);
}

TEST_F(PcscTest, ReaderGone) {
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), 0);
  reader.gone = true;
  EXPECT_EQ(d.IC_Status(h), sim::err::kLink);
  read(0, 4);
  EXPECT_EQ(last, sim::err::kLink);
  EXPECT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), sim::err::kLink);
  EXPECT_EQ(d.IC_InitComm(100), 0) << "a reader that is gone was opened";
}

TEST_F(PcscTest, TypesWithoutAReaderSlot) {
  start("sle4442");
  for (DriverType t : {DriverType::Sam, DriverType::Sam1, DriverType::Sam2})
    EXPECT_EQ(d.IC_InitType(h, pelox::codeOf(t)), sim::err::kNoFunction);
  EXPECT_EQ(d.IC_SetCpuPara(h, 13, 0, 0), sim::err::kNoFunction);
  // The firmware identification answers, but never asks for a download.
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::ReaderIdentification)), 0);
  EXPECT_EQ(read(0, 2), (pcsc::Bytes{'P', 'C'}));
  reader.pull();
  EXPECT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::ReaderIdentification)), sim::err::kNoCard);
}

class PcscCpu : public PcscTest, public ::testing::WithParamInterface<int> {};

TEST_P(PcscCpu, ResetAndApdus) {
  start(GetParam() == 0 ? "cpu-t0" : "cpu-t1");
  unsigned char atr[40] = {}, length = 0, answer[260] = {}, answerLength = 0;
  const unsigned char challenge[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
  EXPECT_EQ(d.IC_CpuApdu(h, 5, challenge, &answerLength, answer), sim::err::kSequence)
      << "an APDU before the reset";
  ASSERT_EQ(d.IC_CpuReset(h, &length, atr), 0);
  EXPECT_EQ(pcsc::Bytes(atr, atr + length), reader.card->atr());
  EXPECT_EQ(d.IC_CpuGetProtocol(h), GetParam());
  ASSERT_EQ(d.IC_CpuApdu(h, 5, challenge, &answerLength, answer), 0);
  ASSERT_EQ(answerLength, 10);
  EXPECT_EQ(answer[8], 0x90);
  EXPECT_EQ(answer[9], 0x00);
  const unsigned char selectMissing[7] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x77, 0x77};
  ASSERT_EQ(d.IC_CpuApdu(h, 7, selectMissing, &answerLength, answer), 0);
  EXPECT_EQ(pcsc::Bytes(answer, answer + answerLength), (pcsc::Bytes{0x6A, 0x82}));
  EXPECT_EQ(d.IC_CpuApdu(h, 2, selectMissing, &answerLength, answer), sim::err::kParam)
      << "a command shorter than a header";

  // EF 0003 counts up over 1024 bytes. An answer (data and status word) over
  // 255 bytes fails that APDU alone: nothing written, the card still reset.
  const unsigned char selectLong[7] = {0x00, 0xA4, 0x00, 0x0C, 0x02, 0x00, 0x03};
  ASSERT_EQ(d.IC_CpuApdu(h, 7, selectLong, &answerLength, answer), 0);
  for (const pcsc::Bytes& read :
       {pcsc::Bytes{0, 0xB0, 0, 0, 0xFE}, pcsc::Bytes{0, 0xB0, 0, 0, 0xFF}, pcsc::Bytes{0, 0xB0, 0, 0, 0x00},
        pcsc::Bytes{0, 0xB0, 0, 0, 0, 0x01, 0x2C}}) {
    answerLength = 7;
    EXPECT_EQ(d.IC_CpuApdu(h, static_cast<short>(read.size()), read.data(), &answerLength, answer),
              sim::err::kTooLong);
    EXPECT_EQ(answerLength, 7) << "Le " << int(read.back());
    ASSERT_EQ(d.IC_CpuApdu(h, 5, challenge, &answerLength, answer), 0) << "the card was dropped";
  }
  const unsigned char longest[5] = {0x00, 0xB0, 0x00, 0x00, 0xFD};
  ASSERT_EQ(d.IC_CpuApdu(h, 5, longest, &answerLength, answer), 0);
  EXPECT_EQ(pcsc::Bytes(answer + 251, answer + answerLength), (pcsc::Bytes{251, 252, 0x90, 0x00}));
}

INSTANTIATE_TEST_SUITE_P(Protocols, PcscCpu, ::testing::Values(0, 1));

const unsigned char kChallenge[5] = {0x00, 0x84, 0x00, 0x00, 0x08};

// IC_SetCpuPara's protocol is the only one the next reset asks for; a card
// that does not offer it refuses, and takes the other one afterwards.
TEST_F(PcscTest, SetCpuParaChoosesTheProtocol) {
  // The card, the protocol asked for, and whether the card offers it.
  const std::tuple<const char*, int, bool> cases[] = {
      {"cpu-t01", 1, true}, {"cpu-t01", 0, true}, {"cpu-t1", 0, false}, {"cpu-t0", 1, false}};
  unsigned char atr[40] = {}, length = 0, answer[260] = {}, answerLength = 0;
  for (const auto& [card, asked, offered] : cases) {
    SCOPED_TRACE(std::string(card) + " T=" + std::to_string(asked));
    start(card);
    ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
    ASSERT_EQ(d.IC_SetCpuPara(h, 12, static_cast<unsigned char>(asked), 92), 0);
    const int taken = offered ? asked : 1 - asked;
    if (!offered) {
      ASSERT_EQ(d.IC_CpuReset(h, &length, atr), sim::err::kNoProtocol);
      EXPECT_EQ(d.IC_CpuApdu(h, 5, kChallenge, &answerLength, answer), sim::err::kSequence);
      ASSERT_EQ(d.IC_SetCpuPara(h, 12, static_cast<unsigned char>(taken), 92), 0);
    }
    ASSERT_EQ(d.IC_CpuReset(h, &length, atr), 0);
    EXPECT_EQ(d.IC_CpuGetProtocol(h), taken);
    EXPECT_EQ(d.IC_CpuApdu(h, 5, kChallenge, &answerLength, answer), 0);
  }
}

// A card reset or swapped by someone else is no lost reader; after the card
// type and a reset it works again.
TEST_F(PcscTest, CpuCardLostBehindTheDriversBack) {
  struct Case {
    void (*act)(DirectReader&);
    short result;  // of the next APDUs
  };
  const Case cases[] = {{[](DirectReader& r) { r.resetByAnother(); }, sim::err::kSequence},
                        {[](DirectReader& r) { r.insert("cpu-t0"); }, sim::err::kSequence},
                        {[](DirectReader& r) { r.pull(); }, sim::err::kNoCard},
                        {[](DirectReader& r) { r.gone = true; }, sim::err::kLink}};
  unsigned char atr[40] = {}, length = 0, answer[260] = {}, answerLength = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    start("cpu-t0");
    ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
    ASSERT_EQ(d.IC_CpuReset(h, &length, atr), 0);
    c.act(reader);
    EXPECT_EQ(d.IC_CpuApdu(h, 5, kChallenge, &answerLength, answer), c.result);
    EXPECT_EQ(d.IC_CpuApdu(h, 5, kChallenge, &answerLength, answer), c.result) << "without a card type";
    if (c.result != sim::err::kSequence) continue;
    ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
    ASSERT_EQ(d.IC_CpuReset(h, &length, atr), 0);
    EXPECT_EQ(d.IC_CpuApdu(h, 5, kChallenge, &answerLength, answer), 0);
  }
}

TEST_F(PcscTest, MemoryCardsAnswerNoCpuReset) {
  start("sle4442");
  unsigned char atr[40] = {}, length = 0;
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
  EXPECT_LT(d.IC_CpuReset(h, &length, atr), 0);
}

TEST_F(PcscTest, AnAnswerToResetWithoutT0IsAFailure) {
  start("cpu-t0");
  reader.shortAtr = true;
  unsigned char atr[40] = {}, length = 0;
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
  EXPECT_EQ(d.IC_CpuReset(h, &length, atr), sim::err::kProtocol);
  const unsigned char challenge[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
  unsigned char answer[260] = {}, answerLength = 0;
  EXPECT_EQ(d.IC_CpuApdu(h, 5, challenge, &answerLength, answer), sim::err::kSequence);
}

TEST(PcscSettings, ReaderNameFromTheIniFile) {
  std::vector<std::string> problems;
  pcsc::Settings s = pcsc::parseSettings(
      "; comment\n[card]\nname = not this\n[reader]\n name = ACS ACR39U ; the reader\nbroken line\n",
      problems);
  EXPECT_EQ(s.readerName, "ACS ACR39U");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], "line 6: not a key = value line");
  EXPECT_EQ(pcsc::parseSettings("[reader\nname = x\n", problems).readerName, "")
      << "a key under a broken section was taken";
}

TEST_F(PcscTest, IniChoosesTheReader) {
  reader.insert("sle4442");
  const std::string path = ::testing::TempDir() + "pelox-pcsc-" + std::to_string(::getpid()) + ".ini";
  std::ofstream(path) << "[reader]\nname = Other PCD\n";
  ::setenv("PELOX_PCSC_INI", path.c_str(), 1);
  EXPECT_EQ(d.IC_InitComm(100), 0) << "a reader the INI file does not name was opened";
  std::ofstream(path) << "[reader]\nname = PCD 00 00\n";
  EXPECT_GT(d.IC_InitComm(100), 0);
  ::unsetenv("PELOX_PCSC_INI");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace pcsctest
