// AT88SC102, AT88SC1604/1604B and the CryptoMemory cards: codes by index,
// counters, erase, fuses, password sets and the mutual authentication.
#include <cstring>

#include "sim/cipher.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

const std::uint8_t kFF2[3] = {0xFF, 0xFF, 0};

TEST_F(SimTest, At102EraseNeedsTheZoneKeyAndCountsZoneTwoErases) {
  start("at88sc102");
  ASSERT_EQ(d.IC_InitType(h, 32), 0);
  const std::uint8_t sc[3] = {0xF0, 0xF0, 0};
  ASSERT_EQ(d.IC_CheckPass_102(h, sc), 0);
  Bytes zero(16, 0x00);
  ASSERT_EQ(d.IC_Write(h, 96, 16, zero.data()), 0);
  ASSERT_EQ(d.IC_Write(h, 24, 16, zero.data()), 0);
  ASSERT_EQ(d.IC_Fuse_102(h), 0) << "personalised: the user code no longer erases";
  EXPECT_LT(d.IC_Erase_102(h, 93, 63), 0);
  const std::uint8_t key1[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, key2[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const std::uint8_t bad[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_LT(d.IC_CheckAZPass_102(h, 2, bad), 0);
  ASSERT_EQ(d.IC_CheckAZPass_102(h, 2, key2), 0);
  EXPECT_LT(d.IC_Erase_102(h, 93, 70), 0) << "a range past zone 2 is refused";
  Bytes counter = read(160, 16);
  ASSERT_EQ(d.IC_Erase_102(h, 93, 63), 0);
  Bytes mem = sim::TestReader::memory();
  EXPECT_EQ(mem[96], 0xFF);
  EXPECT_EQ(mem[24], 0x00) << "zone 1 untouched";
  Bytes after = read(160, 16);
  EXPECT_NE(counter, after) << "one bit of the erase counter used";
  EXPECT_LT(d.IC_Erase_102(h, 24, 62), 0) << "zone 1 needs its own key";
  ASSERT_EQ(d.IC_CheckAZPass_102(h, 1, key1), 0);
  ASSERT_EQ(d.IC_Erase_102(h, 24, 62), 0);
  mem = sim::TestReader::memory();
  EXPECT_EQ(mem[24], 0xFF);
  EXPECT_EQ(mem[86], 0xFF);
}

TEST_F(SimTest, At102ZoneTwoEraseCounterRunsOut) {
  start("at88sc102");
  sim::TestReader::setMemory(160, Bytes(15, 0x00));  // one byte of the counter left: 8 erases
  ASSERT_EQ(d.IC_InitType(h, 32), 0);
  const std::uint8_t key2[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  ASSERT_EQ(d.IC_CheckAZPass_102(h, 2, key2), 0);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(d.IC_Erase_102(h, 93, 63), 0) << i;
  EXPECT_LT(d.IC_Erase_102(h, 93, 63), 0);
}

TEST_F(SimTest, At102UserCodeHasFourAttemptsAndHidesCodes) {
  start("at88sc102");
  ASSERT_EQ(d.IC_InitType(h, 32), 0);
  EXPECT_EQ(d.IC_ReadCount_102(h), 4);
  EXPECT_EQ(read(10, 2), (Bytes{0, 0})) << "the security code reads 00 before it is presented";
  const std::uint8_t wrong[3] = {1, 2, 0}, sc[3] = {0xF0, 0xF0, 0};
  EXPECT_LT(d.IC_CheckPass_102(h, wrong), 0);
  EXPECT_EQ(d.IC_ReadCount_102(h), 3);
  const std::uint8_t data[2] = {0x12, 0x34};
  EXPECT_LT(d.IC_Write(h, 30, 2, data), 0);
  EXPECT_EQ(d.IC_Write(h, 176, 2, data), 0) << "the test zone is always writable";
  ASSERT_EQ(d.IC_CheckPass_102(h, sc), 0);
  EXPECT_EQ(d.IC_ReadCount_102(h), 4);
  EXPECT_EQ(read(10, 2), (Bytes{0xF0, 0xF0}));
  EXPECT_EQ(d.IC_Write(h, 30, 2, data), 0);
  EXPECT_LT(d.IC_Write(h, 176, 16, data), 0) << "past the end of the card (178 bytes)";
}

TEST_F(SimTest, At1604CodesByIndexWithTheirOwnCounters) {
  start("at88sc1604");
  ASSERT_EQ(d.IC_InitType(h, 160), 0);
  const std::uint8_t wrong[3] = {0x12, 0x34, 0};
  for (short index : {0, 1, 2, 3, 4, 11, 12, 13, 14}) EXPECT_EQ(d.IC_ReadCount_1604(h, index), 8) << index;
  EXPECT_LT(d.IC_ReadCount_1604(h, 5), 0);
  EXPECT_LT(d.IC_CheckPass_1604(h, 13, wrong), 0);
  EXPECT_EQ(d.IC_ReadCount_1604(h, 13), 7);
  EXPECT_EQ(d.IC_ReadCount_1604(h, 3), 8) << "each code counts on its own";
  EXPECT_EQ(d.IC_ReadCount_1604(h, 0), 8);
  // Zone 2 is opened by its zone code alone.
  const std::uint8_t data[2] = {0xAB, 0xCD};
  EXPECT_LT(d.IC_Write(h, 1300, 2, data), 0);
  ASSERT_EQ(d.IC_CheckPass_1604(h, 2, kFF2), 0);
  EXPECT_EQ(d.IC_Write(h, 1300, 2, data), 0);
  EXPECT_LT(d.IC_Write(h, 100, 2, data), 0) << "zone 1 still closed";
  // Changing a code needs the user code.
  EXPECT_EQ(d.IC_ChangePass_1604(h, 2, wrong), 0) << "or the code itself";
  EXPECT_LT(d.IC_ChangePass_1604(h, 3, wrong), 0);
  ASSERT_EQ(d.IC_CheckPass_1604(h, 0, kFF2), 0);
  EXPECT_EQ(d.IC_ChangePass_1604(h, 14, wrong), 0);
  EXPECT_EQ(read(1746, 2), (Bytes{0x12, 0x34}));
  EXPECT_LT(d.IC_CheckPass_1604B(h, 0, kFF2), 0) << "the 1604B functions refuse a 1604";
}

TEST_F(SimTest, At1604BSignatureAndCounterBytesInItsMap) {
  start("at88sc1604b");
  ASSERT_EQ(d.IC_InitType(h, 160), 0);
  EXPECT_EQ(read(0, 2), (Bytes{0x16, 0x04}));
  const std::uint8_t wrong[3] = {0, 1, 0};
  EXPECT_LT(d.IC_CheckPass_1604B(h, 2, wrong), 0);
  EXPECT_EQ(read(541, 1), (Bytes{0x7F})) << "zone 2 code counter lives at 541";
  const std::uint8_t wp[2] = {'W', 'P'};
  EXPECT_EQ(d.IC_Write(h, 2038, 2, wp), 0);
  EXPECT_LT(d.IC_Fuse_1604B(h), 0) << "the fuse needs the user code";
  ASSERT_EQ(d.IC_CheckPass_1604B(h, 0, kFF2), 0);
  EXPECT_EQ(d.IC_Fuse_1604B(h), 0);
  const std::uint8_t issuer[2] = {1, 2};
  EXPECT_LT(d.IC_Write(h, 2, 2, issuer), 0) << "personalised: issuer zone frozen";
}

// ---------------------------------------------------------------- CryptoMemory

TEST(Cipher, PublishedTestVector) {
  sim::Block8 gc{0x4F, 0x79, 0x4A, 0x46, 0x3F, 0xF8, 0x1D, 0x81}, ci{}, q0{0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x56, 0x78};
  ci.fill(0xFF);
  sim::AuthResult r = sim::authenticate(ci, gc, q0);
  EXPECT_EQ(r.q1, (sim::Block8{0x88, 0xC9, 0xD4, 0x46, 0x6A, 0x50, 0x1A, 0x87}));
  EXPECT_EQ(r.newCi, (sim::Block8{0xDE, 0xC2, 0xEE, 0x1B, 0x1C, 0x92, 0x76, 0xE9}));
}

class CryptoTest : public SimTest {
 protected:
  // The program's authentication dialog: Q0 to the card, Ci from it, Q1 and
  // Q2 on the host, Q1 to the card, Ci compared with Q2.
  bool roundTrip(const char* gc, const char* q0) {
    if (d.IC_InitAuth_Hex(h, q0) < 0) return false;
    char ci[20] = {}, q1[20] = {}, q2[20] = {};
    EXPECT_EQ(d.IC_ReadConfigZone_Hex(h, 40, 8, ci), 0);
    EXPECT_EQ(d.SetInit_Hex(ci, gc, q0), 0);
    EXPECT_EQ(d.Authenticate_Hex(q1, q2), 0);
    if (d.IC_CheckAuth_Hex(h, q1) < 0) return false;
    char after[20] = {};
    EXPECT_EQ(d.IC_ReadConfigZone_Hex(h, 40, 8, after), 0);
    EXPECT_STREQ(after, q2) << "the card's new Ci is the host's Q2";
    return std::strcmp(after, ci) != 0;
  }
};

TEST_F(CryptoTest, RightSeedAuthenticatesAndChangesCi) {
  for (const char* type : {"at88sc1608", "at88sc153"}) {
    start(type);
    EXPECT_EQ(d.IC_ReadAuthCount(h), 8);
    EXPECT_TRUE(roundTrip("FFFFFFFFFFFFFFFF", "0123456789abcdef")) << type;
    EXPECT_EQ(d.IC_ReadAuthCount(h), 8) << type;
    EXPECT_TRUE(roundTrip("ffffffffffffffff", "1122334455667788")) << type << ": again from the new Ci";
  }
}

TEST_F(CryptoTest, WrongSeedFailsAndUsesAnAttempt) {
  start("at88sc1608");
  Bytes config = sim::TestReader::configZone();
  Bytes ciBefore(config.begin() + 40, config.begin() + 48);
  EXPECT_FALSE(roundTrip("0000000000000000", "0123456789ABCDEF"));
  EXPECT_EQ(d.IC_ReadAuthCount(h), 7);
  config = sim::TestReader::configZone();
  EXPECT_EQ(Bytes(config.begin() + 40, config.begin() + 48), ciBefore);
  EXPECT_LT(d.IC_InitAuth_Hex(h, "01234567ZZ"), 0);
  EXPECT_EQ(d.IC_ReadAuthCount(h), 7) << "text that is not hexadecimal costs no attempt";
  EXPECT_LT(d.IC_CheckAuth_Hex(h, "0000000000000000"), 0) << "no Q0 pending";
  EXPECT_TRUE(roundTrip("FFFFFFFFFFFFFFFF", "0123456789ABCDEF"));
  EXPECT_EQ(d.IC_ReadAuthCount(h), 8);
}

TEST_F(CryptoTest, PasswordSetsCountAndLock) {
  start("at88sc1608");
  EXPECT_EQ(d.IC_ReadWPasswordCount(h, 3), 8);
  EXPECT_LT(d.IC_ReadWPasswordCount(h, 8), 0);
  EXPECT_LT(d.IC_CheckWPassword_Hex(h, 3, "12 456"), 0);
  EXPECT_EQ(d.IC_ReadWPasswordCount(h, 3), 8) << "refused before the card: no attempt";
  for (int i = 0; i < 8; ++i) EXPECT_LT(d.IC_CheckRPassword_Hex(h, 3, "123456"), 0);
  EXPECT_EQ(d.IC_ReadRPasswordCount(h, 3), 0);
  EXPECT_LT(d.IC_CheckRPassword_Hex(h, 3, "ffffff"), 0) << "locked";
  EXPECT_EQ(d.IC_ReadWPasswordCount(h, 3), 8);
  EXPECT_LT(d.IC_ChangeWPassword_Hex(h, 2, "ABCDEF"), 0) << "a change needs the set's write password";
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 2, "FFFFFF"), 0);
  EXPECT_EQ(d.IC_ChangeWPassword_Hex(h, 2, "abcdef"), 0);
  EXPECT_LT(d.IC_CheckWPassword_Hex(h, 2, "FFFFFF"), 0);
  EXPECT_EQ(d.IC_CheckWPassword_Hex(h, 2, "ABCDEF"), 0);
  // Passwords read as 00 until the security code (set 7 write) is presented.
  Bytes cfg(128);
  ASSERT_EQ(d.IC_InitType(h, 208), 0);
  ASSERT_EQ(d.IC_ReadConfigZone(h, 0, 128, cfg.data()), 0);
  EXPECT_EQ(cfg[64 + 8 * 2 + 1], 0x00);
  EXPECT_EQ(cfg[48], 0x00) << "Gc is never readable";
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 7, "FFFFFF"), 0);
  ASSERT_EQ(d.IC_ReadConfigZone(h, 0, 128, cfg.data()), 0);
  EXPECT_EQ(cfg[64 + 8 * 2 + 1], 0xAB);
  EXPECT_EQ(cfg[48], 0x00);
}

TEST_F(CryptoTest, ConfigRowsReadWhileHiddenKeepSeedAndPasswords) {
  start("at88sc1608");
  ASSERT_EQ(d.IC_InitType(h, 208), 0);
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 7, "FFFFFF"), 0);
  Bytes before = sim::TestReader::configZone();
  // Rows as a view read them before the security code: Gc and passwords 00.
  Bytes row(16, 0x00);
  for (int i = 8; i < 16; ++i) row[static_cast<std::size_t>(i)] = 0x30 + static_cast<std::uint8_t>(i);
  ASSERT_EQ(d.IC_WriteConfigZone(h, 48, 16, row.data()), 0);
  Bytes zeros(16, 0x00);
  ASSERT_EQ(d.IC_WriteConfigZone(h, 64, 16, zeros.data()), 0);
  Bytes after = sim::TestReader::configZone();
  EXPECT_EQ(Bytes(after.begin() + 48, after.begin() + 56), Bytes(before.begin() + 48, before.begin() + 56)) << "Gc kept";
  EXPECT_EQ(after[56], 0x38) << "the test area took the row";
  EXPECT_EQ(Bytes(after.begin() + 64, after.end()), Bytes(before.begin() + 64, before.end())) << "passwords kept";
  EXPECT_EQ(d.IC_CheckWPassword_Hex(h, 0, "FFFFFF"), 0);
}

TEST_F(CryptoTest, FusesBlowInOrderWithTheSecurityCode) {
  start("at88sc153");
  EXPECT_EQ(d.IC_ReadFuse(h), 7);
  EXPECT_LT(d.IC_WriteFuse(h, 0), 0);
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 1, "FFFFFF"), 0);
  const short expected[] = {6, 4, 0};
  for (short e : expected) {
    EXPECT_GE(d.IC_WriteFuse(h, 0), 0);
    EXPECT_EQ(d.IC_ReadFuse(h), e);
  }
  EXPECT_LT(d.IC_WriteFuse(h, 0), 0) << "nothing left to blow";
  // After PER the identification is frozen, the probe byte stays writable.
  ASSERT_EQ(d.IC_InitType(h, 209), 0);
  const std::uint8_t b = 0x11;
  EXPECT_LT(d.IC_WriteConfigZone(h, 2, 1, &b), 0);
  EXPECT_EQ(d.IC_WriteConfigZone(h, 15, 1, &b), 0);
}

TEST_F(CryptoTest, UserZonesNeedSelectionAndKeepToTheirSize) {
  start("at88sc153");
  ASSERT_EQ(d.IC_InitType(h, 209), 0);
  Bytes buf(64), data(16, 0x42);
  EXPECT_LT(d.IC_ReadUserZone(h, 0, 64, buf.data()), 0) << "no zone selected after power-on";
  ASSERT_EQ(d.IC_SetUserZone(h, 2), 0);
  EXPECT_EQ(d.IC_WriteUserZone(h, 48, 16, data.data()), 0);
  EXPECT_LT(d.IC_WriteUserZone(h, 56, 16, data.data()), 0) << "past the 64-byte zone";
  EXPECT_LT(d.IC_SetUserZone(h, 3), 0);
  EXPECT_EQ(sim::TestReader::memory()[2 * 64 + 48], 0x42);
  ASSERT_EQ(d.IC_Down(h), 0);
  EXPECT_LT(d.IC_WriteUserZone(h, 0, 16, data.data()), 0) << "selection lost at power down";
  // The other CryptoMemory's command set does not answer.
  ASSERT_EQ(d.IC_InitType(h, 208), 0);
  EXPECT_LT(d.IC_WriteConfigZone(h, 56, 1, data.data()), 0);
  EXPECT_LT(d.IC_SetUserZone(h, 0), 0);
}

}  // namespace
}  // namespace simtest
