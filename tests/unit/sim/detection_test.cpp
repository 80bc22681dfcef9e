// The program's card type detection against every virtual card: each card
// is found by its own probe, and the probes leave the card as it was.
#include "sim_fixture.h"

namespace simtest {
namespace {

struct Expect {
  const char* type;
  int code;
  bool probeWrites;  // the program's probe leaves test bytes on this card
};

const Expect kCards[] = {
    {"cpu-t0", 12, false},     {"cpu-t1", 12, false},      {"cpu-t01", 12, false},      {"ssf1101", 163, false},   {"at45d041", 161, false},
    {"at88sc153", 209, true},  {"at88sc1608", 208, true},  {"sle4404", 8, false},     {"sle4442", 17, false},
    {"sle4428", 5, false},     {"24c16", 68, false},       {"24c08", 67, false},      {"24c04", 66, false},
    {"24c01a", 64, false},     {"24c02", 65, false},       {"24c64", 192, false},     {"at88sc1604b", 162, false},
    {"at88sc1604", 160, true}, {"at88sc102", 33, true},
};

class DetectionTest : public SimTest, public ::testing::WithParamInterface<Expect> {};

TEST_P(DetectionTest, FindsTheCardAndLeavesItUnchanged) {
  const Expect& e = GetParam();
  start(e.type);
  // Some user data, so that a probe that damages memory shows.
  Bytes pattern;
  for (int i = 0; i < 64; ++i) pattern.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  if (std::string(e.type).rfind("24c", 0) == 0) sim::TestReader::setMemory(0, pattern);
  std::string before = sim::TestReader::stateText();
  EXPECT_EQ(detectCardType(d, h), e.code) << e.type;
  std::string after = sim::TestReader::stateText();
  if (!e.probeWrites) {
    EXPECT_EQ(before, after) << e.type << ": the probes changed the card";
  }
  // A second run finds the same type and changes nothing more.
  EXPECT_EQ(detectCardType(d, h), e.code) << e.type;
  EXPECT_EQ(after, sim::TestReader::stateText()) << e.type;
}

std::string cardName(const ::testing::TestParamInfo<Expect>& p) {
  std::string n = p.param.type;
  for (char& c : n)
    if (c == '-') c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(EveryCard, DetectionTest, ::testing::ValuesIn(kCards), cardName);

TEST_F(SimTest, NoCardIsReportedByStatusAndIdentification) {
  start("none");
  EXPECT_EQ(d.IC_Status(h), 1);
  EXPECT_EQ(d.IC_InitType(h, 253), -134);
  EXPECT_EQ(d.IC_InitType(h, 16), -134);
}

// The bytes the probes write can be put back without any password on a new
// card, so a program may leave the card exactly as it found it.
TEST_F(SimTest, ProbeBytesAreRestorableWithoutPassword) {
  const std::uint8_t ff[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  start("at88sc153");
  ASSERT_EQ(detectCardType(d, h), 209);
  ASSERT_EQ(d.IC_InitType(h, 209), 0);
  EXPECT_EQ(d.IC_WriteConfigZone(h, 15, 1, ff), 0);
  start("at88sc1608");
  ASSERT_EQ(detectCardType(d, h), 208);
  EXPECT_EQ(d.IC_WriteConfigZone(h, 56, 8, ff), 0);
  start("at88sc1604");
  std::string fresh = sim::TestReader::stateText();
  ASSERT_EQ(detectCardType(d, h), 160);
  EXPECT_EQ(d.IC_Write(h, 2005, 2, ff), 0);
  EXPECT_EQ(fresh, sim::TestReader::stateText());
  start("at88sc102");
  fresh = sim::TestReader::stateText();
  ASSERT_EQ(detectCardType(d, h), 33);
  EXPECT_EQ(d.IC_Write(h, 176, 2, ff), 0);
  EXPECT_EQ(fresh, sim::TestReader::stateText());
}

}  // namespace
}  // namespace simtest
