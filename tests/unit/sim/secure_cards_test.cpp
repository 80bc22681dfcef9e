// AT88SC102, AT88SC1604/1604B and the CryptoMemory cards: codes by index,
// counters, erase, fuses, password sets and the mutual authentication.
#include <cstdlib>
#include <cstring>
#include <ostream>

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
  EXPECT_EQ(read(12, 1), (Bytes{0xFF})) << "the security code attempts counter reads FF when full";
  EXPECT_LT(d.IC_CheckPass_102(h, wrong), 0);
  EXPECT_EQ(d.IC_ReadCount_102(h), 3);
  // One bit less, the lowest or (PELOX_SCAC_ORDER=high) the highest.
  const char* order = std::getenv("PELOX_SCAC_ORDER");
  EXPECT_EQ(read(12, 1), (Bytes{order != nullptr && std::string(order) == "high" ? std::uint8_t{0x7F} : std::uint8_t{0xFE}}));
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

// ---------------------------------------------------------------- guarded bytes

// What is presented before a plain write over bytes the chip guards.
enum class Key { None, UserCode, UserCodeThenFuse, Zone2Code, EraseKey1, WritePassword2, SecurityCode };

struct GuardedWrite {
  const char* what;
  const char* card;
  Key key;
  bool config;  // a CryptoMemory configuration zone write
  int address;
  Bytes data;
  bool written;  // else refused with nothing changed
};

void PrintTo(const GuardedWrite& g, std::ostream* os) { *os << g.what; }

class GuardedBytes : public SimTest, public ::testing::WithParamInterface<GuardedWrite> {
 protected:
  void present(const std::string& card, Key key) {
    const std::uint8_t sc102[3] = {0xF0, 0xF0, 0}, key1[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    const bool b = card == "at88sc1604b";
    auto check1604 = b ? d.IC_CheckPass_1604B : d.IC_CheckPass_1604;
    const short security = card == "at88sc153" ? 1 : 7;
    switch (key) {
      case Key::None:
        break;
      case Key::UserCode:
      case Key::UserCodeThenFuse:
        if (card == "at88sc102") {
          ASSERT_EQ(d.IC_CheckPass_102(h, sc102), 0);
          if (key == Key::UserCodeThenFuse) {
            ASSERT_EQ(d.IC_Fuse_102(h), 0);
          }
        } else {
          ASSERT_EQ(check1604(h, 0, kFF2), 0);
        }
        break;
      case Key::Zone2Code:
        ASSERT_EQ(check1604(h, 2, kFF2), 0);
        break;
      case Key::EraseKey1:
        ASSERT_EQ(d.IC_CheckAZPass_102(h, 1, key1), 0);
        break;
      case Key::WritePassword2:
        ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 2, "FFFFFF"), 0);
        break;
      case Key::SecurityCode:
        ASSERT_EQ(d.IC_CheckWPassword_Hex(h, security, "FFFFFF"), 0);
        break;
    }
  }
  static short driverType(const std::string& card) {
    if (card == "at88sc102") return 32;
    if (card == "at88sc1608") return 208;
    if (card == "at88sc153") return 209;
    return 160;
  }
};

TEST_P(GuardedBytes, WrittenOnlyWithTheirCodeElseRefusedWhole) {
  const GuardedWrite& g = GetParam();
  start(g.card);
  ASSERT_EQ(d.IC_InitType(h, driverType(g.card)), 0);
  ASSERT_NO_FATAL_FAILURE(present(g.card, g.key));
  const std::string before = sim::TestReader::stateText();
  const auto n = static_cast<short>(g.data.size());
  const short result = g.config ? d.IC_WriteConfigZone(h, static_cast<short>(g.address), n, g.data.data())
                                : d.IC_Write(h, static_cast<short>(g.address), n, g.data.data());
  if (!g.written) {
    EXPECT_LT(result, 0) << g.what;
    EXPECT_EQ(before, sim::TestReader::stateText()) << g.what << ": a refused write changed the card";
    return;
  }
  EXPECT_EQ(result, 0) << g.what;
  const Bytes now = g.config ? sim::TestReader::configZone() : sim::TestReader::memory();
  const auto at = now.begin() + g.address;
  EXPECT_EQ(Bytes(at, at + n), g.data) << g.what << ": answered success without writing";
}

const Bytes k2{0x12, 0x34};
const Bytes k8(8, 0x5A);
INSTANTIATE_TEST_SUITE_P(
    Chips, GuardedBytes,
    ::testing::Values(
        GuardedWrite{
            "102 security code repeated without it", "at88sc102", Key::None, false, 10, {0xF0, 0xF0}, false},
        GuardedWrite{"102 security code with it", "at88sc102", Key::UserCode, false, 10, k2, true},
        GuardedWrite{"102 row over the attempt counter without the code",
                     "at88sc102",
                     Key::None,
                     false,
                     8,
                     {0xFF, 0xFF, 0, 0, 0x0F, 0xFF},
                     false},
        GuardedWrite{"102 erase key 1 with its key", "at88sc102", Key::EraseKey1, false, 86, Bytes(6, 0x11),
                     true},
        GuardedWrite{"102 erase key 2 with key 1", "at88sc102", Key::EraseKey1, false, 156, Bytes(4, 0x11),
                     false},
        GuardedWrite{"102 erase counter with the user code", "at88sc102", Key::UserCode, false, 160,
                     Bytes(2, 0x00), true},
        GuardedWrite{"102 erase counter once personalised", "at88sc102", Key::UserCodeThenFuse, false, 160,
                     Bytes(2, 0xFF), false},
        GuardedWrite{"1604 zone 1 code without a code", "at88sc1604", Key::None, false, 21, k2, false},
        GuardedWrite{"1604 zone 2 code with its own code", "at88sc1604", Key::Zone2Code, false, 1222, k2,
                     true},
        GuardedWrite{"1604 zone 1 code with zone 2's code", "at88sc1604", Key::Zone2Code, false, 21, k2,
                     false},
        GuardedWrite{"1604 zone 2 erase counter with the user code",
                     "at88sc1604",
                     Key::UserCode,
                     false,
                     1226,
                     {0x0F},
                     true},
        GuardedWrite{
            "1604B zone 2 code counter without a code", "at88sc1604b", Key::None, false, 541, {0xFF}, false},
        GuardedWrite{"1604B zone 2 code counter with zone 2's code",
                     "at88sc1604b",
                     Key::Zone2Code,
                     false,
                     541,
                     {0x3F},
                     true},
        GuardedWrite{"1608 password set 0 without the security code", "at88sc1608", Key::None, true, 64, k8,
                     false},
        GuardedWrite{"1608 password set 0 with set 2's write password", "at88sc1608", Key::WritePassword2,
                     true, 64, k8, false},
        GuardedWrite{"1608 password set 0 with the security code", "at88sc1608", Key::SecurityCode, true, 64,
                     k8, true},
        GuardedWrite{"1608 AAC without the security code", "at88sc1608", Key::None, true, 32, {0xFF}, false},
        GuardedWrite{
            "1608 AAC with the security code", "at88sc1608", Key::SecurityCode, true, 32, {0x0F}, true},
        GuardedWrite{"1608 Ci repeated without the security code", "at88sc1608", Key::None, true, 40,
                     Bytes(8, 0xFF), false},
        GuardedWrite{"1608 Gc with the security code", "at88sc1608", Key::SecurityCode, true, 48, k8, true},
        GuardedWrite{"1608 test area without a code", "at88sc1608", Key::None, true, 56, k8, true},
        GuardedWrite{"1608 access register of a new card", "at88sc1608", Key::None, true, 16, {0x7F}, true},
        GuardedWrite{"153 password set 1 without the security code", "at88sc153", Key::None, true, 56, k8,
                     false},
        GuardedWrite{"153 password sets with the security code", "at88sc153", Key::SecurityCode, true, 48,
                     Bytes(16, 0xA5), true},
        GuardedWrite{"153 Ci with the security code", "at88sc153", Key::SecurityCode, true, 40, k8, true},
        GuardedWrite{"153 probe byte without a code", "at88sc153", Key::None, true, 15, {0xAA}, true}));

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

TEST_F(CryptoTest, ConfigRowOverTheSeedNeedsTheSecurityCodeAndTheSeedStaysUnreadable) {
  start("at88sc1608");
  ASSERT_EQ(d.IC_InitType(h, 208), 0);
  // A row as a view reads it: Gc 00, then the test area.
  Bytes row(16, 0x00);
  for (int i = 8; i < 16; ++i) row[static_cast<std::size_t>(i)] = 0x30 + static_cast<std::uint8_t>(i);
  const std::string before = sim::TestReader::stateText();
  EXPECT_LT(d.IC_WriteConfigZone(h, 48, 16, row.data()), 0);
  EXPECT_EQ(before, sim::TestReader::stateText()) << "the test area of a refused row is not written either";
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, 7, "FFFFFF"), 0);
  ASSERT_EQ(d.IC_WriteConfigZone(h, 48, 16, row.data()), 0);
  const Bytes after = sim::TestReader::configZone();
  EXPECT_EQ(Bytes(after.begin() + 48, after.begin() + 64), row) << "the chip takes the 00 it showed for Gc";
  Bytes back(16);
  ASSERT_EQ(d.IC_ReadConfigZone(h, 48, 16, back.data()), 0);
  EXPECT_EQ(Bytes(back.begin(), back.begin() + 8), Bytes(8, 0x00)) << "Gc never reads";
  EXPECT_EQ(back[8], 0x38);
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
