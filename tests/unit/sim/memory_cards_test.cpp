// I2C EEPROMs, SLE4442/4428, the paged flash cards: sizes, address limits,
// protocols, passwords and write-once protection.
#include "sim_fixture.h"

namespace simtest {
namespace {

struct I2cCase {
  const char* type;
  int size;
  short driverType;
};

class I2cSizes : public SimTest, public ::testing::WithParamInterface<I2cCase> {};

TEST_P(I2cSizes, LastByteAnswersAndTheNextFails) {
  const I2cCase& c = GetParam();
  start(c.type);
  ASSERT_EQ(d.IC_InitType(h, c.driverType), 0);
  auto write = c.driverType == 192 ? d.IC_Write64 : d.IC_Write24;
  const std::uint8_t two[2] = {0x12, 0x34};
  EXPECT_EQ(write(h, static_cast<short>(c.size - 2), 2, two), 0) << c.type;
  EXPECT_EQ(read(static_cast<short>(c.size - 2), 2), (Bytes{0x12, 0x34})) << c.type;
  // One byte past the end is a device address the chip does not answer to
  // (the 24C01A alone folds 128..255 onto 0..127).
  if (c.size != 128) {
    std::string before = sim::TestReader::stateText();
    EXPECT_LT(write(h, static_cast<short>(c.size - 1), 2, two), 0) << c.type;
    EXPECT_EQ(before, sim::TestReader::stateText()) << c.type << ": a failed write changed the card";
    read(static_cast<short>(c.size - 1), 2);
    EXPECT_LT(last, 0) << c.type;
  }
  EXPECT_EQ(sim::TestReader::memory().size(), static_cast<std::size_t>(c.size));
}

INSTANTIATE_TEST_SUITE_P(Chips, I2cSizes,
                         ::testing::Values(I2cCase{"24c01a", 128, 64}, I2cCase{"24c02", 256, 64}, I2cCase{"24c04", 512, 64},
                                           I2cCase{"24c08", 1024, 64}, I2cCase{"24c16", 2048, 64}, I2cCase{"24c64", 8192, 192}));

TEST_F(SimTest, I2c24C01AFoldsAddress128OntoZeroButNot256) {
  start("24c01a");
  ASSERT_EQ(d.IC_InitType(h, 64), 0);
  const std::uint8_t wp[2] = {'W', 'P'};
  EXPECT_EQ(d.IC_Write24(h, 128, 2, wp), 0);
  EXPECT_EQ(read(0, 2), (Bytes{'W', 'P'}));
  EXPECT_LT(d.IC_Write24(h, 256, 2, wp), 0);
}

TEST_F(SimTest, I2cLongWriteLandsInOrderAcrossPages) {
  start("24c02");  // 8-byte pages
  ASSERT_EQ(d.IC_InitType(h, 64), 0);
  Bytes data;
  for (int i = 0; i < 20; ++i) data.push_back(static_cast<std::uint8_t>(0xA0 + i));
  ASSERT_EQ(d.IC_Write(h, 6, 20, data.data()), 0);
  Bytes mem = sim::TestReader::memory();
  EXPECT_EQ(Bytes(mem.begin() + 6, mem.begin() + 26), data);
  EXPECT_EQ(mem[0], 0xFF);  // nothing wrapped to the page start
}

TEST_F(SimTest, I2c24C64AnswersOnlyTwoAddressByteWrites) {
  start("24c64");
  const std::uint8_t b = 0x42;
  ASSERT_EQ(d.IC_InitType(h, 64), 0);
  EXPECT_LT(d.IC_Write24(h, 0, 1, &b), 0);
  read(6720, 2);
  EXPECT_EQ(last, 0) << "a read in the wrong protocol still answers";
  ASSERT_EQ(d.IC_InitType(h, 192), 0);
  EXPECT_LT(d.IC_Write24(h, 0, 1, &b), 0);
  EXPECT_EQ(d.IC_Write64(h, 8000, 1, &b), 0);
  EXPECT_EQ(sim::TestReader::memory()[8000], 0x42);
}

TEST_F(SimTest, PageModeTypeOneOnlyFor24C16AndNoSamSlots) {
  start("24c16");
  EXPECT_EQ(d.IC_InitType(h, 1), 0);
  for (short slot : {13, 14, 15}) EXPECT_LT(d.IC_InitType(h, slot), 0) << slot;
  start("24c08");
  EXPECT_LT(d.IC_InitType(h, 1), 0);
}

TEST_F(SimTest, WrongProtocolWritesFailAndReadsShowTheCard) {
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, 64), 0);
  const std::uint8_t b = 0;
  EXPECT_LT(d.IC_Write24(h, 0, 1, &b), 0);
  EXPECT_LT(d.IC_Write(h, 0, 1, &b), 0);
  EXPECT_EQ(read(6, 2), (Bytes{0x81, 0x15}));
  EXPECT_EQ(read(300, 2), (Bytes{0xFF, 0xFF})) << "beyond the card: FF";
}

// ---------------------------------------------------------------- SLE4442 / 4428

TEST_F(SimTest, Sle4442PscLocksAfterThirdFailureAndResetsOnSuccess) {
  start("sle4442");
  const std::uint8_t wrong[4] = {1, 2, 3, 0}, right[4] = {0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 3);
  EXPECT_LT(d.IC_CheckPass_SLE4442(h, wrong), 0);
  EXPECT_LT(d.IC_CheckPass_SLE4442(h, wrong), 0);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 1);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, right), 0);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 3) << "success gives the attempts back";
  for (int i = 0; i < 3; ++i) EXPECT_LT(d.IC_CheckPass_SLE4442(h, wrong), 0);
  EXPECT_EQ(d.IC_ReadCount_SLE4442(h), 0);
  EXPECT_LT(d.IC_CheckPass_SLE4442(h, right), 0) << "a locked card never unlocks";
  read(0, 8);
  EXPECT_EQ(last, 0) << "but stays readable";
}

TEST_F(SimTest, Sle4442WritesNeedThePscAndUnlockEndsAtPowerDown) {
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, 16), 0);
  const std::uint8_t psc[3] = {0xFF, 0xFF, 0xFF}, data[2] = {0x11, 0x22};
  EXPECT_LT(d.IC_Write(h, 40, 2, data), 0);
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, psc), 0);
  EXPECT_EQ(d.IC_Write(h, 40, 2, data), 0);
  ASSERT_EQ(d.IC_Down(h), 0);
  EXPECT_LT(d.IC_Write(h, 42, 2, data), 0) << "power down locks the card again";
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, psc), 0);
  const std::uint8_t newPsc[3] = {0x12, 0x34, 0x56};
  EXPECT_EQ(d.IC_ChangePass_SLE4442(h, newPsc), 0);
  d.IC_ExitComm(h);
  h = d.IC_InitComm(100);
  EXPECT_LT(d.IC_Write(h, 42, 2, data), 0) << "closing the reader powers the card off";
  EXPECT_LT(d.IC_CheckPass_SLE4442(h, psc), 0);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, newPsc), 0);
}

TEST_F(SimTest, Sle4442ProtectionIsWriteOnceWithDataComparison) {
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, 16), 0);
  const std::uint8_t psc[3] = {0xFF, 0xFF, 0xFF};
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, psc), 0);
  const std::uint8_t v = 0x5A, other = 0x33;
  ASSERT_EQ(d.IC_Write(h, 10, 1, &v), 0);
  EXPECT_LT(d.IC_WriteProtection(h, 10, 1, &other), 0) << "data differs from the byte: not protected";
  Bytes flags(32);
  ASSERT_EQ(d.IC_ReadProtection(h, 0, 32, flags.data()), 0);
  EXPECT_EQ(flags[10], 1);
  ASSERT_EQ(d.IC_WriteProtection(h, 10, 1, &v), 0);
  ASSERT_EQ(d.IC_ReadProtection(h, 0, 32, flags.data()), 0);
  EXPECT_EQ(flags[10], 0);
  EXPECT_EQ(flags[11], 1);
  // A row write that would change the protected byte is refused whole.
  Bytes row(16, 0x77);
  std::string before = sim::TestReader::stateText();
  EXPECT_LT(d.IC_Write(h, 0, 16, row.data()), 0);
  EXPECT_EQ(before, sim::TestReader::stateText());
  // Repeating the protected byte's value is no change and goes through.
  row[10] = 0x5A;
  EXPECT_EQ(d.IC_Write(h, 0, 16, row.data()), 0);
  EXPECT_LT(d.IC_ReadProtection(h, 30, 4, flags.data()), 0) << "only bytes 0..31 have protection bits";
}

TEST_F(SimTest, Sle4428ReadWithProtectionGivesDataThenFlags) {
  start("sle4428");
  ASSERT_EQ(d.IC_InitType(h, 4), 0);
  Bytes page(512);
  ASSERT_EQ(d.IC_ReadWithProtection(h, 0, 256, page.data()), 0);
  EXPECT_EQ(page[7], 0x13);
  EXPECT_NE(page[256 + 7], 0);
  ASSERT_EQ(d.IC_ReadWithProtection(h, 768, 256, page.data()), 0);
  EXPECT_EQ(page[255 - 1], 0x00) << "PSC reads 00 until verified";
  EXPECT_EQ(page[253], 0xFF) << "error counter: 8 attempts";
  const std::uint8_t psc[2] = {0xFF, 0xFF}, v = 0x42;
  ASSERT_EQ(d.IC_CheckPass_SLE4428(h, psc), 0);
  ASSERT_EQ(d.IC_WriteWithProtection(h, 300, 1, &v), 0);
  ASSERT_EQ(d.IC_ReadWithProtection(h, 256, 256, page.data()), 0);
  EXPECT_EQ(page[300 - 256], 0x42);
  EXPECT_EQ(page[256 + 300 - 256], 0);
  const std::uint8_t w = 0x43;
  EXPECT_LT(d.IC_WriteWithProtection(h, 300, 1, &w), 0) << "protected for good";
  EXPECT_LT(d.IC_Write(h, 300, 1, &w), 0);
  EXPECT_LT(d.IC_WriteWithProtection(h, 1021, 1, &w), 0) << "counter and PSC cannot be protected";
}

TEST_F(SimTest, Sle4428RowOverCounterAndPscIsWrittenOnlyWithThePsc) {
  start("sle4428");
  ASSERT_EQ(d.IC_InitType(h, 4), 0);
  const std::uint8_t wrong[2] = {0, 0}, psc[2] = {0xFF, 0xFF};
  EXPECT_EQ(d.IC_ReadCount_SLE4428(h), 8);
  EXPECT_LT(d.IC_CheckPass_SLE4428(h, wrong), 0);
  EXPECT_EQ(d.IC_ReadCount_SLE4428(h), 7);
  // The last row as read before verification: counter 7F, PSC 00 00.
  Bytes row = read(1008, 16);
  ASSERT_EQ(row[14], 0x00);
  row[13] = 0xFF;
  const std::string before = sim::TestReader::stateText();
  EXPECT_LT(d.IC_Write(h, 1008, 16, row.data()), 0) << "nothing is written before the PSC";
  EXPECT_EQ(before, sim::TestReader::stateText());
  ASSERT_EQ(d.IC_CheckPass_SLE4428(h, psc), 0);
  ASSERT_EQ(d.IC_Write(h, 1008, 16, row.data()), 0) << "the PSC opens counter and PSC too";
  const Bytes mem = sim::TestReader::memory();
  EXPECT_EQ(Bytes(mem.begin() + 1021, mem.end()), (Bytes{0xFF, 0x00, 0x00})) << "taken as sent, not skipped";
  ASSERT_EQ(d.IC_Down(h), 0);
  EXPECT_LT(d.IC_CheckPass_SLE4428(h, psc), 0);
  EXPECT_EQ(d.IC_CheckPass_SLE4428(h, wrong), 0) << "the 00 00 read while hidden is the PSC now";
}

TEST_F(SimTest, PagedFlashPagesAndLimits) {
  start("at45d041");
  ASSERT_EQ(d.IC_InitType(h, 65), 0);
  Bytes page(264, 0x3C), back(264);
  EXPECT_EQ(d.IC_DirectWrite(h, 2047, 0, 264, page.data()), 0);
  EXPECT_EQ(d.IC_DirectRead(h, 2047, 0, 264, back.data()), 0);
  EXPECT_EQ(back, page);
  EXPECT_LT(d.IC_DirectWrite(h, 2048, 0, 1, page.data()), 0);
  EXPECT_LT(d.IC_DirectWrite(h, 0, 260, 8, page.data()), 0) << "a write stays inside its page";
  start("ssf1101");
  ASSERT_EQ(d.IC_InitType(h, 66), 0);
  Bytes block(1024, 0x5C), got(1024);
  EXPECT_EQ(d.IC_Write_1101(h, 511, 0, 1024, block.data()), 0);
  EXPECT_EQ(d.IC_Read_1101(h, 511, 0, 1024, got.data()), 0);
  EXPECT_EQ(got, block);
  EXPECT_LT(d.IC_Read_1101(h, 512, 0, 2, got.data()), 0);
  EXPECT_EQ(sim::TestReader::memory().size(), 512u * 1024u);
}

}  // namespace
}  // namespace simtest
