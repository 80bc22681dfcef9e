// Codes, protection, CryptoMemory, CPU cards and a pulled card through
// pcscd, in both generations of the readers' answers where they differ.
#include <fstream>

#include "sim/cards_atmel.h"
#include "sim/cards_crypto.h"
#include "sim/errors.h"
#include "stack_fixture.h"

namespace stacktest {
namespace {

using pelox::DriverType;

class StackSle : public StackTest, public ::testing::WithParamInterface<Generation> {};

TEST_P(StackSle, Sle4442AttemptsProtectionAndLock) {
  start("sle4442", GetParam());
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), 0);
  const unsigned char right[3] = {0xFF, 0xFF, 0xFF}, wrong[3] = {1, 2, 3}, value[1] = {0x42};
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, wrong), sim::err::kPassword);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 2);
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, right), 0);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 3);
  ASSERT_EQ(d.IC_WriteWithProtection(h, 9, 1, value), 0);
  std::vector<std::uint8_t> flags(32);
  ASSERT_EQ(d.IC_ReadProtection(h, 0, 32, flags.data()), 0);
  EXPECT_EQ(flags[9], 0);
  EXPECT_EQ(flags[10], 1);
  EXPECT_EQ(read(9, 1), std::vector<std::uint8_t>{0x42});
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, wrong), sim::err::kPassword);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, wrong), sim::err::kPassword);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, wrong), sim::err::kBlocked);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, right), sim::err::kBlocked) << "a locked card was reported open";
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 0);
}

TEST_P(StackSle, Sle4428ReadWithProtection) {
  start("sle4428", GetParam());
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4428)), 0);
  const unsigned char psc[2] = {0xFF, 0xFF}, value[1] = {0x24};
  ASSERT_EQ(d.IC_CheckPass_SLE4428(h, psc), 0);
  ASSERT_EQ(d.IC_WriteWithProtection(h, 300, 1, value), 0);
  std::vector<std::uint8_t> page(512);
  ASSERT_EQ(d.IC_ReadWithProtection(h, 256, 256, page.data()), 0);
  EXPECT_EQ(page[44], 0x24);
  EXPECT_EQ(page[256 + 44], 0);
  EXPECT_NE(page[256 + 45], 0);
}

INSTANTIATE_TEST_SUITE_P(Generations, StackSle, ::testing::Values(Generation::Newer, Generation::Older));

// The AT88SC102's code is right only when its counter reads FF, whichever
// bit a wrong code clears first.
class StackAt102 : public StackTest, public ::testing::WithParamInterface<sim::ScacOrder> {};

TEST_P(StackAt102, SecurityCodeCountedInEitherBitOrder) {
  start("at88sc102");
  reader_->withCard([o = GetParam()](vreader::PseudoCard& c) { dynamic_cast<sim::At102Card&>(c.card()).setScacOrder(o); });
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::At88sc102)), 0);
  const unsigned char right[2] = {0xF0, 0xF0}, wrong[2] = {1, 2};
  EXPECT_EQ(d.IC_CheckPass_102(h, wrong), sim::err::kPassword);
  EXPECT_EQ(d.IC_ReadCount_102(h), 3);
  ASSERT_EQ(d.IC_CheckPass_102(h, right), 0);
  EXPECT_EQ(d.IC_ReadCount_102(h), 4);
}
INSTANTIATE_TEST_SUITE_P(Orders, StackAt102, ::testing::Values(sim::ScacOrder::LowFirst, sim::ScacOrder::HighFirst));

TEST_F(StackTest, CryptoMemoryPasswordsAndAuthentication) {
  start("at88sc1608");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::At88sc1608)), 0);
  EXPECT_EQ(d.IC_CheckWPassword_Hex(h, 7, "000000"), sim::err::kPassword);
  EXPECT_EQ(d.IC_ReadWPasswordCount(h, 7), 7);
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 7, "FFFFFF"), 0);
  ASSERT_EQ(d.IC_ChangeWPassword_Hex(h, 2, "13579B"), 0);
  EXPECT_EQ(d.IC_CheckWPassword_Hex(h, 2, "13579B"), 0);
  char q1[17] = {}, q2[17] = {}, ci[17] = {};
  ASSERT_EQ(d.SetInit_Hex("FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "1122334455667788"), 0);
  ASSERT_EQ(d.Authenticate_Hex(q1, q2), 0);
  ASSERT_EQ(d.IC_InitAuth_Hex(h, "1122334455667788"), 0);
  ASSERT_EQ(d.IC_CheckAuth_Hex(h, q1), 0);
  ASSERT_EQ(d.IC_ReadConfigZone_Hex(h, 40, 8, ci), 0);
  EXPECT_STREQ(ci, q2);
  EXPECT_EQ(d.IC_ReadAuthCount(h), 8);
}

class StackCpu : public StackTest, public ::testing::WithParamInterface<int> {};

TEST_P(StackCpu, ResetAndOneExchange) {
  start(GetParam() == 0 ? "cpu-t0" : "cpu-t1");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Cpu)), 0);
  unsigned char atr[40] = {}, length = 0, answer[260] = {}, answerLength = 0;
  ASSERT_EQ(d.IC_CpuReset(h, &length, atr), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(atr, atr + length),
            GetParam() == 0 ? (std::vector<std::uint8_t>{0x3B, 0x02, 0x14, 0x50})
                            : (std::vector<std::uint8_t>{0x3B, 0x80, 0x01, 0x81}));
  EXPECT_EQ(d.IC_CpuGetProtocol(h), GetParam());
  const unsigned char challenge[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
  ASSERT_EQ(d.IC_CpuApdu(h, 5, challenge, &answerLength, answer), 0);
  ASSERT_EQ(answerLength, 10);
  EXPECT_EQ(answer[8], 0x90);
  // An answer longer than the driver's length byte fails that APDU alone.
  const unsigned char select[7] = {0x00, 0xA4, 0x00, 0x0C, 0x02, 0x00, 0x03},
                      readLong[7] = {0x00, 0xB0, 0x00, 0x00, 0x00, 0x01, 0x2C};
  ASSERT_EQ(d.IC_CpuApdu(h, 7, select, &answerLength, answer), 0);
  EXPECT_EQ(d.IC_CpuApdu(h, 7, readLong, &answerLength, answer), sim::err::kTooLong);
  ASSERT_EQ(d.IC_CpuApdu(h, 5, challenge, &answerLength, answer), 0) << "the card was dropped";
  EXPECT_EQ(answerLength, 10);
}

INSTANTIATE_TEST_SUITE_P(Protocols, StackCpu, ::testing::Values(0, 1));

TEST_F(StackTest, CardPulledAndReaderChoice) {
  start("24c02");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), 0);
  read(0, 8);
  ASSERT_EQ(last, 0);
  pull();
  ASSERT_TRUE(waitForStatus(1)) << "pcscd did not see the card pulled";
  read(0, 8);
  EXPECT_EQ(last, sim::err::kNoCard);
  EXPECT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), sim::err::kNoCard);
  d.IC_ExitComm(h);
  // The second vpcd reader holds no card; a reader that does not exist is not opened.
  std::ofstream(ini) << "[reader]\nname = Virtual PCD 00 01\n";
  h = d.IC_InitComm(100);
  ASSERT_GT(h, 0);
  EXPECT_EQ(d.IC_Status(h), 1);
  std::ofstream(ini) << "[reader]\nname = No Such Reader\n";
  EXPECT_EQ(d.IC_InitComm(100), 0);
  h = 0;
}

}  // namespace
}  // namespace stacktest
