// Codes, passwords, fuses and authentication through the PC/SC driver: the
// outcome of a presentation comes from the counter read afterwards, a
// locked card is reported as locked, and functions without a documented
// command send nothing at all.
#include <cstring>

#include "pcsc_driver/pcsc_fixture.h"
#include "cards/card_types.h"
#include "pcsc/vreader/pseudo_card.h"
#include "sim/cards_atmel.h"
#include "sim/cards_crypto.h"
#include "sim/errors.h"

namespace pcsctest {
namespace {

using pelox::DriverType;
using vreader::Generation;

struct CodeCase {
  const char* card;
  DriverType type;
  short (*check)(const DriverTable&, int, const unsigned char*);
  short (*count)(const DriverTable&, int);
  int attempts;
  const char* label = "";
  sim::ScacOrder order = sim::ScacOrder::LowFirst;  // the AT88SC102's
};

const CodeCase kCodes[] = {
    {"sle4442", DriverType::Sle4442,
     [](const DriverTable& d, int h, const unsigned char* c) { return d.IC_CheckPass_SLE4442(h, c); },
     [](const DriverTable& d, int h) { return d.IC_ReadCount_SLE4442(h); }, 3},
    {"sle4428", DriverType::Sle4428,
     [](const DriverTable& d, int h, const unsigned char* c) { return d.IC_CheckPass_SLE4428(h, c); },
     [](const DriverTable& d, int h) { return d.IC_ReadCount_SLE4428(h); }, 8},
    {"at88sc102", DriverType::At88sc102,
     [](const DriverTable& d, int h, const unsigned char* c) { return d.IC_CheckPass_102(h, c); },
     [](const DriverTable& d, int h) { return d.IC_ReadCount_102(h); }, 4},
    // A reader that clears the counter's high bits first: a wrong code reads
    // 7F, a locked card 0F.
    {"at88sc102", DriverType::At88sc102,
     [](const DriverTable& d, int h, const unsigned char* c) { return d.IC_CheckPass_102(h, c); },
     [](const DriverTable& d, int h) { return d.IC_ReadCount_102(h); }, 4, "_high_first", sim::ScacOrder::HighFirst},
};

class PcscCodes : public PcscTest, public ::testing::WithParamInterface<std::tuple<CodeCase, Generation>> {};

TEST_P(PcscCodes, AttemptsCountDownAndALockedCardStaysLocked) {
  const auto& [c, generation] = GetParam();
  start(c.card, generation);
  if (auto* at = dynamic_cast<sim::At102Card*>(&reader.card->card())) at->setScacOrder(c.order);
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(c.type)), 0);
  const unsigned char wrong[3] = {0x12, 0x34, 0x56};
  const unsigned char right[3] = {static_cast<unsigned char>(c.type == DriverType::At88sc102 ? 0xF0 : 0xFF),
                                  static_cast<unsigned char>(c.type == DriverType::At88sc102 ? 0xF0 : 0xFF),
                                  0xFF};
  EXPECT_EQ(c.count(d, h), c.attempts);
  EXPECT_EQ(c.check(d, h, wrong), sim::err::kPassword);
  EXPECT_EQ(c.count(d, h), c.attempts - 1);
  EXPECT_EQ(c.check(d, h, right), 0) << "the right code after a wrong one";
  EXPECT_EQ(c.count(d, h), c.attempts);
  for (int i = 1; i < c.attempts; ++i)
    EXPECT_EQ(c.check(d, h, wrong), sim::err::kPassword) << "attempt " << i;
  EXPECT_EQ(c.check(d, h, wrong), sim::err::kBlocked) << "the last attempt locks the card";
  EXPECT_EQ(c.count(d, h), 0);
  const std::size_t sent = reader.sent.size();
  EXPECT_EQ(c.check(d, h, right), sim::err::kBlocked) << "a locked card was reported open";
  EXPECT_EQ(reader.count(0x20), c.attempts + 2) << "a code was presented to a locked card";
  EXPECT_GT(reader.sent.size(), sent);
}

INSTANTIATE_TEST_SUITE_P(Cards, PcscCodes,
                         ::testing::Combine(::testing::ValuesIn(kCodes),
                                            ::testing::Values(Generation::Newer, Generation::Older)),
                         [](const auto& param_info) {
                           return std::string(std::get<0>(param_info.param).card) +
                                  std::get<0>(param_info.param).label +
                                  (std::get<1>(param_info.param) == Generation::Older ? "_older" : "_newer");
                         });

TEST_F(PcscTest, Sle4442PscChangedAndPresented) {
  start("sle4442");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), 0);
  const unsigned char factory[3] = {0xFF, 0xFF, 0xFF}, fresh[3] = {0x11, 0x22, 0x33};
  EXPECT_LT(d.IC_ChangePass_SLE4442(h, fresh), 0) << "changed without the PSC";
  ASSERT_EQ(d.IC_CheckPass_SLE4442(h, factory), 0);
  ASSERT_EQ(d.IC_ChangePass_SLE4442(h, fresh), 0);
  ASSERT_EQ(d.IC_Down(h), 0);
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::Sle4442)), 0);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, factory), sim::err::kPassword);
  EXPECT_EQ(d.IC_CheckPass_SLE4442(h, fresh), 0);
}

// Functions with no documented command fail before anything reaches the card.
TEST_F(PcscTest, UnconfirmedFormsSendNothing) {
  const unsigned char code[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  unsigned char out[1100] = {};
  struct Call {
    const char* card;
    DriverType type;
    const char* name;
    std::function<short(const DriverTable&, int)> call;
  };
  const Call calls[] = {
      {"sle4428", DriverType::Sle4428, "IC_ChangePass_SLE4428",
       [&](const DriverTable& t, int hd) { return t.IC_ChangePass_SLE4428(hd, code); }},
      {"at88sc102", DriverType::At88sc102, "IC_ChangePass_102",
       [&](const DriverTable& t, int hd) { return t.IC_ChangePass_102(hd, code); }},
      {"at88sc102", DriverType::At88sc102, "IC_ChangeAZPass_102",
       [&](const DriverTable& t, int hd) { return t.IC_ChangeAZPass_102(hd, 1, code); }},
      {"at88sc1604", DriverType::At88sc1604, "IC_CheckPass_1604",
       [&](const DriverTable& t, int hd) { return t.IC_CheckPass_1604(hd, 0, code); }},
      {"at88sc1604b", DriverType::At88sc1604, "IC_ChangePass_1604B",
       [&](const DriverTable& t, int hd) { return t.IC_ChangePass_1604B(hd, 1, code); }},
      {"at88sc1604", DriverType::At88sc1604, "IC_Fuse_1604",
       [](const DriverTable& t, int hd) { return t.IC_Fuse_1604(hd); }},
      {"at88sc1604", DriverType::At88sc1604, "IC_Write",
       [&](const DriverTable& t, int hd) { return t.IC_Write(hd, 0, 2, code); }},
      {"at45d041", DriverType::At45d041, "IC_DirectRead",
       [&](const DriverTable& t, int hd) { return t.IC_DirectRead(hd, 0, 0, 264, out); }},
      {"at45d041", DriverType::At45d041, "IC_DirectWrite",
       [&](const DriverTable& t, int hd) { return t.IC_DirectWrite(hd, 0, 0, 4, code); }},
      {"ssf1101", DriverType::Ssf1101, "IC_Read_1101",
       [&](const DriverTable& t, int hd) { return t.IC_Read_1101(hd, 0, 0, 1024, out); }},
      {"ssf1101", DriverType::Ssf1101, "IC_Write_1101",
       [&](const DriverTable& t, int hd) { return t.IC_Write_1101(hd, 0, 0, 4, code); }},
      {"sle4442", DriverType::Sle4442, "IC_Beep",
       [](const DriverTable& t, int hd) { return t.IC_Beep(hd, 1, 10); }},
      {"sle4442", DriverType::Sle4442, "IC_WriteDevice_Hex",
       [](const DriverTable& t, int hd) { return t.IC_WriteDevice_Hex(hd, 0, 1, "00"); }},
      {"sle4442", DriverType::Sle4442, "IC_ReadDevice_Hex",
       [&](const DriverTable& t, int hd) {
         return t.IC_ReadDevice_Hex(hd, 0, 1, reinterpret_cast<char*>(out));
       }},
  };
  for (const Call& c : calls) {
    start(c.card);
    ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(c.type)), 0) << c.name;
    const std::size_t sent = reader.sent.size();
    const std::string before = state();
    EXPECT_LT(c.call(d, h), 0) << c.name;
    EXPECT_EQ(reader.sent.size(), sent) << c.name << " sent an APDU";
    EXPECT_EQ(state(), before) << c.name;
    d.IC_ExitComm(h);
  }
  // Reads answer FF without touching the card, so the detection goes on.
  start("at88sc1604");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::At88sc1604)), 0);
  const std::size_t sent = reader.sent.size();
  EXPECT_EQ(read(0, 4), pcsc::Bytes(4, 0xFF));
  EXPECT_EQ(last, 0);
  EXPECT_EQ(reader.sent.size(), sent);
}

TEST_F(PcscTest, At102ZoneErasedWithItsKeyAndTheFuseBlown) {
  start("at88sc102");
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::At88sc102)), 0);
  const unsigned char sc[2] = {0xF0, 0xF0}, data[4] = {1, 2, 3, 4};
  const unsigned char key[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, wrongKey[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_LT(d.IC_Fuse_102(h), 0) << "fuse blown without the security code";
  ASSERT_EQ(d.IC_CheckPass_102(h, sc), 0);
  ASSERT_EQ(d.IC_Write(h, 30, 4, data), 0);
  ASSERT_EQ(d.IC_Fuse_102(h), 0);
  EXPECT_TRUE(dynamic_cast<sim::At102Card&>(reader.card->card()).personalised());
  ASSERT_EQ(d.IC_CheckAZPass_102(h, 1, wrongKey), 0);
  EXPECT_LT(d.IC_Erase_102(h, 24, 62), 0) << "erased with a wrong key";
  EXPECT_EQ(read(30, 4), pcsc::Bytes(data, data + 4));
  ASSERT_EQ(d.IC_CheckAZPass_102(h, 1, key), 0);
  ASSERT_EQ(d.IC_Erase_102(h, 24, 62), 0);
  EXPECT_EQ(read(30, 4), pcsc::Bytes(4, 0xFF));
}

// Zone 2's erase takes the form of the card's EC2EN fuse state, read in
// either bit order; a fuse byte the two orders read differently sends no
// erase at all, and an erase counter used up is "no retries", not a wrong key.
TEST_F(PcscTest, At102ZoneTwoEraseFollowsTheEc2enFuse) {
  const unsigned char key[4] = {0xFF, 0xFF, 0xFF, 0xFF}, sc[2] = {0xF0, 0xF0}, data[2] = {0x12, 0x34};
  struct Case {
    vreader::BitOrder order;
    bool ec2;
    std::uint8_t fuseByte;  // byte 0xBF before the fuse bit is applied
    std::uint8_t p1;        // the erase form sent, 0 = none
  } cases[] = {{vreader::BitOrder::MsbFirst, true, 0xFF, 0x80},  {vreader::BitOrder::LsbFirst, true, 0xFF, 0x80},
               {vreader::BitOrder::MsbFirst, false, 0x00, 0x00}, {vreader::BitOrder::LsbFirst, false, 0x00, 0x00},
               {vreader::BitOrder::MsbFirst, true, 0x00, 0xFF}};
  for (const Case& c : cases) {
    start("at88sc102");
    reader.card->setBitOrder(c.order);
    reader.card->setEc2Enabled(c.ec2);
    reader.card->at102FuseBytes()[0xBF - 178] = c.fuseByte;
    ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::At88sc102)), 0);
    ASSERT_EQ(d.IC_CheckPass_102(h, sc), 0);
    ASSERT_EQ(d.IC_Write(h, 100, 2, data), 0);
    ASSERT_EQ(d.IC_CheckAZPass_102(h, 2, key), 0);
    const int erases = reader.count(0x20);
    const short r = d.IC_Erase_102(h, 93, 63);
    if (c.p1 == 0xFF) {
      EXPECT_EQ(r, sim::err::kNoFunction) << "a fuse byte the bit orders read differently";
      EXPECT_EQ(reader.count(0x20), erases);
    } else {
      EXPECT_EQ(r, 0);
      const pcsc::Bytes* erase = nullptr;
      for (const pcsc::Bytes& a : reader.sent)
        if (a[1] == 0x20) erase = &a;
      EXPECT_EQ((*erase)[2], c.p1) << "the erase form";
      EXPECT_EQ(read(100, 2), pcsc::Bytes(2, 0xFF));
      EXPECT_EQ(reader.count(0x20), erases + 1);
    }
    d.IC_ExitComm(h);
  }
  start("at88sc102");
  reader.card->card().setRawMemory(160, pcsc::Bytes(16, 0x00));  // the erase counter used up
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(DriverType::At88sc102)), 0);
  ASSERT_EQ(d.IC_CheckAZPass_102(h, 2, key), 0);
  EXPECT_EQ(d.IC_Erase_102(h, 93, 63), sim::err::kBlocked);
}

class PcscCrypto : public PcscTest,
                   public ::testing::WithParamInterface<std::tuple<const char*, Generation>> {};

TEST_P(PcscCrypto, PasswordsFusesAndMutualAuthentication) {
  const auto& [card, generation] = GetParam();
  const bool is1608 = std::string(card) == "at88sc1608";
  const short securitySet = is1608 ? 7 : 1;
  start(card, generation);
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(is1608 ? DriverType::At88sc1608 : DriverType::At88sc153)), 0);
  EXPECT_EQ(d.IC_CheckWPassword_Hex(h, securitySet, "12345G"), sim::err::kHex);
  EXPECT_EQ(reader.count(0x20), 0) << "text that is not hexadecimal reached the card";
  EXPECT_EQ(d.IC_CheckWPassword_Hex(h, securitySet, "123456"), sim::err::kPassword);
  EXPECT_EQ(d.IC_ReadWPasswordCount(h, static_cast<unsigned char>(securitySet)), 7);
  EXPECT_EQ(d.IC_WriteFuse(h, 0), sim::err::kDenied) << "fuse blown without the security code";
  ASSERT_EQ(d.IC_CheckWPassword_Hex(h, securitySet, "ffffff"), 0);
  EXPECT_EQ(d.IC_ReadWPasswordCount(h, static_cast<unsigned char>(securitySet)), 8);
  ASSERT_EQ(d.IC_ChangeRPassword_Hex(h, 0, "A1B2C3"), 0);
  EXPECT_EQ(d.IC_CheckRPassword_Hex(h, 0, "FFFFFF"), sim::err::kPassword);
  EXPECT_EQ(d.IC_CheckRPassword_Hex(h, 0, "A1B2C3"), 0);
  EXPECT_EQ(d.IC_ReadFuse(h), 7);
  const std::size_t sent = reader.sent.size();
  EXPECT_EQ(d.IC_WriteFuse(h, 1), sim::err::kParam) << "a fuse argument with no documented meaning";
  EXPECT_EQ(reader.sent.size(), sent);
  ASSERT_EQ(d.IC_WriteFuse(h, 0), 0);
  EXPECT_EQ(d.IC_ReadFuse(h), 6);
  EXPECT_EQ(dynamic_cast<sim::CryptoCard&>(reader.card->card()).fuses(), 6);

  char q1[17] = {}, q2[17] = {}, ci[17] = {};
  ASSERT_EQ(d.SetInit_Hex("FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "0123456789ABCDEF"), 0);
  ASSERT_EQ(d.Authenticate_Hex(q1, q2), 0);
  ASSERT_EQ(d.IC_InitAuth_Hex(h, "0123456789ABCDEF"), 0);
  EXPECT_EQ(d.IC_ReadAuthCount(h), 7) << "the initialisation uses an attempt";
  ASSERT_EQ(d.IC_CheckAuth_Hex(h, q1), 0);
  EXPECT_EQ(d.IC_ReadAuthCount(h), 8);
  ASSERT_EQ(d.IC_ReadConfigZone_Hex(h, 40, 8, ci), 0);
  EXPECT_STREQ(ci, q2) << "the card's new cryptogram";
  ASSERT_EQ(d.IC_InitAuth_Hex(h, "0123456789ABCDEF"), 0);
  EXPECT_EQ(d.IC_CheckAuth_Hex(h, q1), sim::err::kPassword) << "an old proof was taken";
}

INSTANTIATE_TEST_SUITE_P(Cards, PcscCrypto,
                         ::testing::Combine(::testing::Values("at88sc1608", "at88sc153"),
                                            ::testing::Values(Generation::Newer, Generation::Older)),
                         [](const auto& param_info) {
                           return std::string(std::get<0>(param_info.param)) +
                                  (std::get<1>(param_info.param) == Generation::Older ? "_older" : "_newer");
                         });

}  // namespace
}  // namespace pcsctest
