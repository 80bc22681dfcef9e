// Reads and writes of every memory card type through the PC/SC driver, in
// both generations of the readers' answers, and what the driver sends.
#include "pcsc_driver/pcsc_fixture.h"
#include "cards/card_types.h"
#include "sim/errors.h"

namespace pcsctest {
namespace {

using pelox::DriverType;
using vreader::Generation;

enum class Unlock { None, Psc4442, Psc4428, Sc102, Zone };

struct WriteCase {
  const char* card;
  DriverType type;
  Unlock unlock;
  short address, length;
  short (*write)(const DriverTable&, int, short, short, const unsigned char*);
  std::size_t modelAddress;  // where the bytes land in the card model's memory
};

short plainWrite(const DriverTable& d, int h, short a, short n, const unsigned char* p) {
  return d.IC_Write(h, a, n, p);
}
short write24(const DriverTable& d, int h, short a, short n, const unsigned char* p) {
  return d.IC_Write24(h, a, n, p);
}
short write64(const DriverTable& d, int h, short a, short n, const unsigned char* p) {
  return d.IC_Write64(h, a, n, p);
}
short zoneWrite(const DriverTable& d, int h, short a, short n, const unsigned char* p) {
  return d.IC_WriteUserZone(h, a, n, p);
}

// Each write crosses a page or chunk boundary of its card.
const WriteCase kWrites[] = {
    {"24c01a", DriverType::I2c, Unlock::None, 100, 20, write24, 100},
    {"24c02", DriverType::I2c, Unlock::None, 250, 6, write24, 250},
    {"24c16", DriverType::I2c, Unlock::None, 2030, 18, write24, 2030},
    {"24c64", DriverType::I2cTwoByteAddress, Unlock::None, 8150, 42, write64, 8150},
    {"24c64", DriverType::I2cTwoByteAddress, Unlock::None, 0, 16, plainWrite, 0},
    {"sle4442", DriverType::Sle4442, Unlock::Psc4442, 120, 16, plainWrite, 120},
    {"sle4428", DriverType::Sle4428, Unlock::Psc4428, 1000, 16, plainWrite, 1000},
    {"sle4404", DriverType::Sle4404, Unlock::None, 10, 16, plainWrite, 10},
    {"at88sc102", DriverType::At88sc102, Unlock::Sc102, 24, 16, plainWrite, 24},
    {"at88sc1608", DriverType::At88sc1608, Unlock::Zone, 248, 8, zoneWrite, 2 * 256 + 248},
    {"at88sc153", DriverType::At88sc153, Unlock::Zone, 60, 4, zoneWrite, 2 * 64 + 60},
};

class PcscWrite : public PcscTest, public ::testing::WithParamInterface<std::tuple<WriteCase, Generation>> {};

TEST_P(PcscWrite, WritesAndReadsBack) {
  const auto& [c, generation] = GetParam();
  start(c.card, generation);
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(c.type)), 0);
  const unsigned char psc[3] = {0xFF, 0xFF, 0xFF}, sc[2] = {0xF0, 0xF0};
  switch (c.unlock) {
    case Unlock::Psc4442:
      ASSERT_EQ(d.IC_CheckPass_SLE4442(h, psc), 0);
      break;
    case Unlock::Psc4428:
      ASSERT_EQ(d.IC_CheckPass_SLE4428(h, psc), 0);
      break;
    case Unlock::Sc102:
      ASSERT_EQ(d.IC_CheckPass_102(h, sc), 0);
      break;
    case Unlock::Zone:
      ASSERT_EQ(d.IC_SetUserZone(h, 2), 0);
      break;
    case Unlock::None:
      break;
  }
  // The program selects the type again before it writes: the code stays presented.
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(c.type)), 0);
  EXPECT_EQ(reader.count(0xA4), 1) << "the same type was selected twice";
  pcsc::Bytes data(static_cast<std::size_t>(c.length));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x30 + i);
  ASSERT_EQ(c.write(d, h, c.address, c.length, data.data()), 0);
  pcsc::Bytes memory = reader.card->card().rawMemory();
  EXPECT_EQ(pcsc::Bytes(memory.begin() + static_cast<long>(c.modelAddress),
                        memory.begin() + static_cast<long>(c.modelAddress + data.size())),
            data);
  pcsc::Bytes back(data.size());
  short r = c.unlock == Unlock::Zone ? d.IC_ReadUserZone(h, c.address, c.length, back.data())
                                     : d.IC_Read(h, c.address, c.length, back.data());
  ASSERT_EQ(r, 0);
  EXPECT_EQ(back, data);
}

INSTANTIATE_TEST_SUITE_P(Cards, PcscWrite,
                         ::testing::Combine(::testing::ValuesIn(kWrites),
                                            ::testing::Values(Generation::Newer, Generation::Older)),
                         [](const auto& param_info) {
                           return std::string(std::get<0>(param_info.param).card) + "_at_" +
                                  std::to_string(std::get<0>(param_info.param).address) +
                                  (std::get<1>(param_info.param) == Generation::Older ? "_older" : "_newer");
                         });

TEST_F(PcscTest, WholeCardsReadAsTheModelHoldsThem) {
  for (const char* card : {"24c64", "sle4428", "sle4442", "at88sc102"}) {
    for (Generation g : {Generation::Newer, Generation::Older}) {
      start(card, g);
      DriverType t = std::string(card) == "24c64"     ? DriverType::I2cTwoByteAddress
                     : std::string(card) == "sle4428" ? DriverType::Sle4428
                     : std::string(card) == "sle4442" ? DriverType::Sle4442
                                                      : DriverType::At88sc102;
      ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(t)), 0);
      const std::size_t size = reader.card->card().size();
      pcsc::Bytes expected(size);
      for (std::size_t i = 0; i < size; ++i) expected[i] = reader.card->card().look(i);
      EXPECT_EQ(read(0, static_cast<short>(size)), expected) << card;
      EXPECT_EQ(last, 0) << card;
      d.IC_ExitComm(h);
    }
  }
}

TEST_F(PcscTest, RefusedWritesChangeNothing) {
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), 0);
  const std::string before = state();
  const unsigned char row[4] = {1, 2, 3, 4};
  // The chip ignores a write without the PSC and the reader answers 90 00:
  // the program finds out by reading back.
  d.IC_Write(h, 40, 4, row);
  EXPECT_LT(d.IC_Write24(h, 40, 4, row), 0) << "I2C write under the SLE4442 type";
  EXPECT_EQ(state(), before) << "written without the PSC";
  // Protection takes addresses 00-1F and ranges ending by 32 only.
  const std::size_t sent = reader.sent.size();
  EXPECT_EQ(d.IC_WriteProtection(h, 0x25, 1, row), sim::err::kAddress);
  EXPECT_EQ(d.IC_WriteProtection(h, 30, 4, row), sim::err::kAddress);
  EXPECT_EQ(d.IC_WriteWithProtection(h, 0x120, 1, row), sim::err::kAddress);
  EXPECT_EQ(reader.sent.size(), sent) << "a protection outside bytes 0-31 was sent";
  // Chips whose bits only clear keep old AND new.
  for (const char* card : {"sle4404", "at88sc102"}) {
    start(card);
    const bool is102 = std::string(card) == "at88sc102";
    ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(is102 ? DriverType::At88sc102 : DriverType::Sle4404)), 0);
    const unsigned char sc[2] = {0xF0, 0xF0}, first[1] = {0x0F}, second[1] = {0xF3};
    if (is102) {
      ASSERT_EQ(d.IC_CheckPass_102(h, sc), 0);
    }
    ASSERT_EQ(d.IC_Write(h, 30, 1, first), 0);
    ASSERT_EQ(d.IC_Write(h, 30, 1, second), 0);
    EXPECT_EQ(read(30, 1), pcsc::Bytes{0x03}) << card;
  }
  start("24c02");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::I2c)), 0);
  EXPECT_EQ(d.IC_Write24(h, 255, 2, row), sim::err::kAddress) << "past the end of a 24C02";
  EXPECT_LT(d.IC_Write64(h, 0, 4, row), 0);
}

class PcscProtection : public PcscTest, public ::testing::WithParamInterface<Generation> {};

TEST_P(PcscProtection, Sle4442BytesProtectedForGood) {
  start("sle4442", GetParam());
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), 0);
  const unsigned char psc[3] = {0xFF, 0xFF, 0xFF}, value[2] = {0x5A, 0xA5};
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, psc), 0);
  ASSERT_EQ(d.IC_WriteWithProtection(h, 20, 2, value), 0);
  pcsc::Bytes flags(32);
  ASSERT_EQ(d.IC_ReadProtection(h, 0, 32, flags.data()), 0);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(flags[static_cast<std::size_t>(i)], i == 20 || i == 21 ? 0 : 1) << "byte " << i;
  const unsigned char other[1] = {0x00};
  d.IC_Write(h, 21, 1, other);
  EXPECT_EQ(read(21, 1), pcsc::Bytes{0xA5}) << "a protected byte was written";
  pcsc::Bytes both(2 * 24);
  ASSERT_EQ(d.IC_ReadWithProtection(h, 16, 24, both.data()), 0);
  EXPECT_EQ(both[4], 0x5A);
  EXPECT_EQ(both[24 + 4], 0);
  EXPECT_EQ(both[24 + 3], 1);
  EXPECT_EQ(both[24 + 20], 1) << "bytes past 31 are always writable";
}

TEST_P(PcscProtection, Sle4428ProtectionAcrossItsPages) {
  start("sle4428", GetParam());
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4428)), 0);
  const unsigned char psc[2] = {0xFF, 0xFF}, value[1] = {0x77};
  ASSERT_EQ(d.IC_CheckPass_SLE4428(h, psc), 0);
  ASSERT_EQ(d.IC_WriteWithProtection(h, 700, 1, value), 0);
  d.IC_WriteProtection(h, 701, 1, value);  // holds other data: the card protects nothing
  pcsc::Bytes page(512);
  ASSERT_EQ(d.IC_ReadWithProtection(h, 512, 256, page.data()), 0);
  EXPECT_EQ(page[700 - 512], 0x77);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(page[static_cast<std::size_t>(256 + i)] != 0, i != 700 - 512) << "byte " << 512 + i;
}

INSTANTIATE_TEST_SUITE_P(Generations, PcscProtection,
                         ::testing::Values(Generation::Newer, Generation::Older));

}  // namespace
}  // namespace pcsctest
