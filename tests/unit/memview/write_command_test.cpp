// F5 writes with a scripted driver: the write call of each card type, the
// code-zone split, failures, the re-read question and protection marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fakes/scripted_driver.h"
#include "memview_fixture.h"

namespace memview_test {
namespace {

using memview::Stop;
using port::vk::kF5;
using port::vk::kSpace;

std::vector<std::string> writes(const fake::ScriptedDriver& d) {
  std::vector<std::string> out;
  for (const auto& c : d.calls) {
    if (c.name.find("Write") != std::string::npos || c.name == "IC_SetUserZone") out.push_back(sig(c));
  }
  return out;
}

std::vector<std::string> reads(const fake::ScriptedDriver& d) {
  std::vector<std::string> out;
  for (const auto& c : d.calls) {
    if (c.name.find("Read") != std::string::npos) out.push_back(sig(c));
  }
  return out;
}

// The last data a write call sent.
const std::vector<std::uint8_t>& lastWritten(const fake::ScriptedDriver& d) {
  for (auto it = d.calls.rbegin(); it != d.calls.rend(); ++it) {
    if (it->name.find("Write") != std::string::npos) return it->data.at(0);
  }
  static const std::vector<std::uint8_t> none;
  return none;
}

// A scripted card that keeps what is written (or, with `keep` false, answers
// every write and keeps nothing): the read calls answer with the bytes
// written before, FF elsewhere. Addresses are those of the card image.
// `secret` addresses always read as 00, as codes do before they are presented.
// A `chipSize` I2C chip takes every address modulo its size.
void keepWrites(fake::ScriptedDriver& d, MemView& m, bool keep = true, std::vector<int> secret = {},
                int chipSize = 0) {
  auto card = std::make_shared<std::map<int, std::uint8_t>>();
  auto zone = std::make_shared<int>(0);
  d.onCall("IC_SetUserZone", [zone](const fake::DriverCall& c, const std::vector<void*>&) {
    *zone = static_cast<int>(c.ints.at(1));
  });
  // Card address of a call's address 0 for the zone calls of the AT88SC153.
  auto base = [zone, &m](const std::string& name) {
    if (m.st.cardType != CardType::At88sc153) return 0;
    return name.find("ConfigZone") != std::string::npos ? 192 : 64 * *zone;
  };
  auto cell = [chipSize](int a) { return chipSize > 0 ? a % chipSize : a; };
  // The address and the length are a call's last two scalar arguments.
  auto onWrite = [card, base, cell, keep](const fake::DriverCall& c, const std::vector<void*>&) {
    if (c.result != 0 || !keep) return;
    const int from = base(c.name) + static_cast<int>(c.ints.at(c.ints.size() - 2));
    for (std::size_t i = 0; i < c.data.at(0).size(); ++i)
      (*card)[cell(from + static_cast<int>(i))] = c.data.at(0)[i];
  };
  auto onRead = [card, base, cell, secret](const fake::DriverCall& c, const std::vector<void*>& out) {
    const int from = base(c.name) + static_cast<int>(c.ints.at(c.ints.size() - 2));
    auto* bytes = static_cast<std::uint8_t*>(out.at(0));
    for (int i = 0; i < static_cast<int>(c.ints.back()); ++i) {
      const auto it = card->find(cell(from + i));
      bytes[i] = it != card->end() ? it->second : 0xFF;
      if (std::find(secret.begin(), secret.end(), from + i) != secret.end()) bytes[i] = 0x00;
    }
  };
  for (const char* name :
       {"IC_Write", "IC_WriteUserZone", "IC_WriteConfigZone", "IC_DirectWrite", "IC_Write_1101"}) {
    d.onCall(name, onWrite);
  }
  for (const char* name :
       {"IC_Read", "IC_ReadUserZone", "IC_ReadConfigZone", "IC_DirectRead", "IC_Read_1101"}) {
    d.onCall(name, onRead);
  }
  // SLE4442/4428 protection: a mark kept makes its byte read back protected
  // (flag 0); the SLE4428 reads the bytes, then their flags.
  auto marks = std::make_shared<std::set<int>>();
  auto onMark = [marks, keep, onWrite](const fake::DriverCall& c, const std::vector<void*>& out) {
    onWrite(c, out);
    if (c.result != 0 || !keep) return;
    for (int i = 0; i < static_cast<int>(c.ints.back()); ++i) marks->insert(static_cast<int>(c.ints.at(1)) + i);
  };
  d.onCall("IC_WriteProtection", onMark);
  d.onCall("IC_WriteWithProtection", onMark);
  auto flags = [marks](const fake::DriverCall& c, std::uint8_t* out) {
    for (int i = 0; i < static_cast<int>(c.ints.back()); ++i)
      out[i] = marks->count(static_cast<int>(c.ints.at(1)) + i) != 0 ? 0 : 1;
  };
  d.onCall("IC_ReadProtection", [flags](const fake::DriverCall& c, const std::vector<void*>& out) {
    flags(c, static_cast<std::uint8_t*>(out.at(0)));
  });
  d.onCall("IC_ReadWithProtection", [onRead, flags](const fake::DriverCall& c, const std::vector<void*>& out) {
    onRead(c, out);
    flags(c, static_cast<std::uint8_t*>(out.at(0)) + c.ints.back());
  });
}

class WriteTest : public ::testing::Test {
 protected:
  fake::ScriptedDriver drv;
  MemView v{drv.table};
  void SetUp() override { keepWrites(drv, v); }

  // Types two hex digits at a card address on its page.
  void typeAt(int address, const std::string& digits) {
    v.st.currentPage = address / 256;
    v.caretTo({false, (address % 256) / 16, address % 16, false});
    v.type(digits);
  }
};

struct RowCase {
  const char* name;
  CardType cardType;
  int zoneIndex;
  int address;
  std::vector<std::string> calls;
  std::string readBack;  // the call that reads the written data back
  int beeps;             // beeps of the row, then one for the command
  std::string aliasRead = "";  // the row a smaller 24Cxx would take it for, read before and after
};

TEST_F(WriteTest, EachCardTypeWritesItsWay) {
  const std::vector<RowCase> cases = {
      {"24C16", CardType::At24c16, 0, 0x123, {"IC_Write(7,288,16)"}, "IC_Read(7,288,16)", 1, "IC_Read(7,32,16)"},
      {"1604A last row", CardType::At88sc1604, 0, 2003, {"IC_Write(7,2000,7)"}, "IC_Read(7,2000,7)", 2},
      {"1604B last row", CardType::At88sc1604b, 0, 2035, {"IC_Write(7,2032,8)"}, "IC_Read(7,2032,8)", 1},
      {"4404 last row", CardType::Sle4404, 0, 50, {"IC_Write(7,48,4)"}, "IC_Read(7,48,4)", 1},
      {"1608 user zone",
       CardType::At88sc1608,
       2,
       40,
       {"IC_WriteUserZone(7,32,16)"},
       "IC_ReadUserZone(7,32,16)",
       1},
      {"1608 configuration",
       CardType::At88sc1608,
       8,
       20,
       {"IC_WriteConfigZone(7,16,16)"},
       "IC_ReadConfigZone(7,16,16)",
       1},
      {"153 user zone 1",
       CardType::At88sc153,
       0,
       70,
       {"IC_SetUserZone(7,1)", "IC_SetUserZone(7,1)", "IC_WriteUserZone(7,0,16)"},
       "IC_ReadUserZone(7,0,16)",
       3},
      {"153 configuration",
       CardType::At88sc153,
       0,
       195,
       {"IC_WriteConfigZone(7,0,16)"},
       "IC_ReadConfigZone(7,0,16)",
       2},
      {"45D041 whole page",
       CardType::At45d041,
       9,
       100,
       {"IC_DirectWrite(7,9,0,264)"},
       "IC_DirectRead(7,9,0,264)",
       4},
      {"SSF1101 whole block",
       CardType::Ssf1101,
       0,
       1000,
       {"IC_Write_1101(7,0,0,1024)"},
       "IC_Read_1101(7,0,0,1024)",
       4},
  };
  for (const RowCase& c : cases) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m);
    m.st.zoneIndex = c.zoneIndex;
    m.load(c.cardType);
    m.edit();
    m.st.currentPage = c.address / 256;
    m.caretTo({false, (c.address % 256) / 16, c.address % 16, false});
    m.type("12");
    EXPECT_EQ(m.doc.byteAt(c.address), 0x12) << c.name;
    m.ui.log.clear();
    m.key(kF5);
    EXPECT_EQ(writes(d), c.calls) << c.name;
    // The card is checked before the write and read back after it.
    std::vector<std::string> expected{c.readBack, c.aliasRead, c.aliasRead, c.readBack};
    std::erase(expected, "");
    EXPECT_EQ(reads(d), expected) << c.name;
    EXPECT_EQ(m.ui.log.beeps(0), c.beeps + 1) << c.name;
    EXPECT_TRUE(m.ui.log.boxes().empty()) << c.name << m.ui.log.dump();
    EXPECT_EQ(m.doc.editedRowCount, 0) << c.name;
    EXPECT_EQ(m.st.editActive, 1) << c.name << ": edit mode stays on";
    const std::size_t at = static_cast<std::size_t>(
        c.cardType == CardType::At45d041 || c.cardType == CardType::Ssf1101 ? c.address : c.address % 16);
    EXPECT_EQ(lastWritten(d).at(at), 0x12) << c.name;
  }
}

// A 24Cxx smaller than the type chosen takes a row beyond its end at the
// row's address modulo its size, and the read-back there finds it right.
TEST_F(WriteTest, AliasedRowOnASmallerChipIsPutBackAndReported) {
  struct Case {
    CardType chosen;
    int chipSize;
    int address;
    std::vector<std::string> calls;
    std::string box;  // "" when the write is kept
  };
  const std::string kTail = "这一行没有写入卡片；请用“自动测卡型”或选择正确的卡型后重新读卡。";
  const std::vector<Case> cases = {
      {CardType::At24c02, 128, 0x81, {"IC_Write(7,128,16)", "IC_Write(7,1,1)"},
       "出错警告|卡片比所选卡型小，写入的数据落到了别的地址上：写入地址 0080 起的一行时，地址 0001 由 FF 变成 12。"
       "这些字节已写回原值。" + kTail},
      {CardType::At24c16, 512, 0x7F5, {"IC_Write(7,2032,16)", "IC_Write(7,501,1)"},
       "出错警告|卡片比所选卡型小，写入的数据落到了别的地址上：写入地址 07F0 起的一行时，地址 01F5 由 FF 变成 12。"
       "这些字节已写回原值。" + kTail},
      {CardType::At24c02, 256, 0x81, {"IC_Write(7,128,16)"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m, true, {}, c.chipSize);
    m.load(c.chosen);
    m.edit();
    m.st.currentPage = c.address / 256;
    m.caretTo({false, (c.address % 256) / 16, c.address % 16, false});
    m.type("12");
    m.key(kF5);
    EXPECT_EQ(writes(d), c.calls) << d.dump();
    EXPECT_EQ(m.ui.log.boxes(), c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    EXPECT_EQ(m.doc.editedRowCount, c.box.empty() ? 0 : 1) << "an aliased row is not written";
    std::uint8_t landed = 0;
    d.table.IC_Read(kHandle, static_cast<short>(c.address % c.chipSize), 1, &landed);
    EXPECT_EQ(landed, c.box.empty() ? 0x12 : 0xFF);
  }
}

TEST_F(WriteTest, WriteThatIsNotKeptIsAskedAbout) {
  struct Case {
    CardType cardType;
    std::vector<std::string> calls;
  };
  // Every row is still written: only a refused write re-reads at once.
  const std::vector<Case> cases = {
      {CardType::At24c02, {"IC_Write(7,0,16)", "IC_Write(7,32,16)"}},
      {CardType::Sle4442, {"IC_Write(7,0,16)", "IC_Write(7,32,16)"}},
      {CardType::At45d041, {"IC_DirectWrite(7,0,0,264)"}},
  };
  for (const Case& c : cases) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m, false);
    m.load(c.cardType);
    m.st.protect4442.fill(1);
    m.st.protect4442Saved.fill(1);
    m.edit();
    m.caretTo({false, 0, 1, false});
    m.type("11");
    m.caretTo({false, 2, 1, false});
    m.type("22");
    m.ui.shell.answers = {port::mb::kIdNo};
    m.ui.log.clear();
    m.key(kF5);
    EXPECT_EQ(writes(d), c.calls) << c.cardType;
    EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"})
        << c.cardType;
    EXPECT_EQ(m.ui.log.beeps(0), 1) << c.cardType << ": no row counts as written";
    EXPECT_EQ(d.count("IC_Status"), 0) << c.cardType << ": No leaves the image as typed";
    EXPECT_EQ(m.doc.byteAt(1), 0x11) << c.cardType;
  }
}

TEST_F(WriteTest, ReadBackComparesAllButCodes) {
  fake::ScriptedDriver d;
  MemView m(d.table);
  keepWrites(d, m, true, {10, 11, 12, 13});  // AT88SC102 user code and counter read 00
  m.load(CardType::At88sc102);
  m.edit();
  m.caretTo({false, 0, 11, false});
  m.type("aa");
  m.type("bb");  // byte 12, the counter
  m.caretTo({false, 0, 14, false});
  m.type("41");
  m.key(kF5);
  EXPECT_TRUE(m.ui.log.boxes().empty()) << m.ui.log.dump();
  const std::vector<std::string> runs = {"IC_Read(7,0,10)", "IC_Read(7,11,2)", "IC_Read(7,14,2)"};
  std::vector<std::string> checkedAndReadBack = runs;
  checkedAndReadBack.insert(checkedAndReadBack.end(), runs.begin(), runs.end());
  EXPECT_EQ(reads(d), checkedAndReadBack);

  // A read-back that the card refuses cannot confirm the write.
  m.caretTo({false, 0, 14, false});
  m.type("42");
  d.results("IC_Read", {0, 0, -1});  // the two runs checked, then the read-back
  m.ui.shell.answers = {port::mb::kIdNo};
  m.key(kF5);
  EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"});
}

TEST_F(WriteTest, WholePageIsWrittenOnceForManyRows) {
  v.load(CardType::At45d041);
  v.edit();
  typeAt(5, "11");
  typeAt(40, "22");
  typeAt(260, "33");
  v.key(kF5);
  EXPECT_EQ(writes(drv), std::vector<std::string>{"IC_DirectWrite(7,0,0,264)"});
  EXPECT_EQ(reads(drv), (std::vector<std::string>{"IC_DirectRead(7,0,0,264)", "IC_DirectRead(7,0,0,264)"}))
      << "checked once and read back once";
  EXPECT_EQ(lastWritten(drv).at(260), 0x33);
}

TEST_F(WriteTest, CodeZonesAreWrittenOnlyWhereTyped) {
  v.load(CardType::At88sc102);  // AT88SC102: 10-11 user code, 12-13 its counter
  v.edit();
  typeAt(14, "41");
  v.key(kF5);
  EXPECT_EQ(writes(drv), (std::vector<std::string>{"IC_Write(7,0,10)", "IC_Write(7,14,2)"}));
  drv.clearCalls();
  typeAt(11, "aa");
  typeAt(15, "bb");
  v.key(kF5);
  EXPECT_EQ(writes(drv), (std::vector<std::string>{"IC_Write(7,0,10)", "IC_Write(7,11,1)", "IC_Write(7,14,2)"}));
  EXPECT_EQ(drv.callsTo("IC_Write").at(1).data.at(0), std::vector<std::uint8_t>{0xAA});
  drv.clearCalls();
  typeAt(87, "01");  // row 80: application zone 1 to 85, erase key 86-91
  v.key(kF5);
  EXPECT_EQ(writes(drv), (std::vector<std::string>{"IC_Write(7,80,6)", "IC_Write(7,87,1)", "IC_Write(7,92,4)"}));
}

TEST_F(WriteTest, Sle4428LastBytesAreNotRewritten) {
  v.load(CardType::Sle4428);
  v.edit();
  typeAt(1010, "55");
  v.key(kF5);
  EXPECT_EQ(writes(drv), std::vector<std::string>{"IC_Write(7,1008,13)"});
}

TEST_F(WriteTest, CryptoMemoryPasswordsAreNotRewritten) {
  v.st.zoneIndex = 8;
  v.load(CardType::At88sc1608);
  v.edit();
  typeAt(60, "01");  // test area 56-63, then passwords from 64
  typeAt(40, "02");  // 32-47 "密码验证"
  v.key(kF5);
  EXPECT_EQ(writes(drv), (std::vector<std::string>{"IC_WriteConfigZone(7,56,8)", "IC_WriteConfigZone(7,40,1)"}))
      << "the seed 48-55 and the untyped password bytes are left alone";
}

TEST_F(WriteTest, FailedRowIsAskedAboutEvenAfterALaterSuccess) {
  v.st.zoneIndex = 1;
  v.load(CardType::At88sc1608);
  v.edit();
  typeAt(0, "11");
  typeAt(32, "22");
  drv.results("IC_WriteUserZone", {-1, 0});
  v.ui.shell.answers = {port::mb::kIdNo};
  v.key(kF5);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"});
  EXPECT_EQ(v.ui.log.of(fake::Event::Kind::MessageBox)[0].style, port::mb::kYesNo | port::mb::kIconStop);
  EXPECT_EQ(drv.count("IC_Status"), 0) << "No: no re-read";
}

TEST_F(WriteTest, YesReReadsTheCard) {
  v.load(CardType::At24c02);
  v.edit();
  typeAt(0, "11");
  drv.results("IC_Write", {-1});
  v.ui.shell.answers = {port::mb::kIdYes};
  v.key(kF5);
  EXPECT_EQ(drv.count("IC_Read"), 2) << "the check before the write, then the re-read";
  EXPECT_EQ(v.doc.editedRowCount, 0);
  EXPECT_EQ(v.hex(0), "ff") << "the card's content again";

  // An AT88SC1608 re-reads the zone shown, selected again first: a card
  // swapped in meanwhile has another zone selected.
  fake::ScriptedDriver d;
  MemView m(d.table);
  keepWrites(d, m);
  m.st.zoneIndex = 2;
  m.load(CardType::At88sc1608);
  m.edit();
  m.type("11");
  d.results("IC_WriteUserZone", {-1});
  m.ui.shell.answers = {port::mb::kIdYes};
  m.key(kF5);
  const std::vector<std::string> calls = writes(d);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "IC_SetUserZone(7,2)");
  EXPECT_EQ(sig(d.calls.back()), "IC_ReadUserZone(7,0,256)");
}

TEST_F(WriteTest, ReReadingCardsStopAndAsk) {
  for (CardType type : {CardType::Sle4442, CardType::At88sc102, CardType::At24c01a}) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m);
    m.load(type);
    m.st.protect4442.fill(1);
    m.st.protect4442Saved.fill(1);
    m.edit();
    m.caretTo({false, 0, 0, false});
    m.type("11");
    m.caretTo({false, 2, 0, false});
    m.type("22");
    d.results("IC_Write", {-1});
    m.ui.shell.answers = {port::mb::kIdNo};
    m.key(kF5);
    EXPECT_EQ(d.count("IC_Write"), 1) << type << ": the rows after the re-read are not written";
    EXPECT_EQ(d.count("IC_Status"), 2) << type << ": re-read at once";
    EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"}) << type;
    EXPECT_EQ(m.doc.editedRowCount, 0) << type;
  }
}

TEST_F(WriteTest, WholeImageFailureReReadsAndAsks) {
  v.load(CardType::Ssf1101);
  v.edit();
  typeAt(3, "11");
  drv.results("IC_Write_1101", {-1});
  v.key(kF5);
  EXPECT_EQ(writes(drv), std::vector<std::string>{"IC_Write_1101(7,0,0,1024)"}) << "no row write follows";
  EXPECT_EQ(drv.count("IC_Read_1101"), 2) << "the check before the write, then the re-read";
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"});
}

TEST_F(WriteTest, NoCardOnReReadKeepsTheList) {
  v.load(CardType::At24c01a);
  v.edit();
  typeAt(3, "11");
  drv.results("IC_Write", {-1});
  drv.results("IC_Status", {1});
  v.key(kF5);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"提示信息|没有插入卡！"});
  EXPECT_EQ(v.doc.editedRowCount, 1);
  EXPECT_EQ(v.ui.log.beeps(0), 0);
  drv.clearCalls();
  v.ui.log.clear();
  v.key(kF5);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{std::string("提示信息|") + memview::kReadFirst});
  EXPECT_TRUE(writes(drv).empty()) << "the failed re-read ended the image";
}

TEST_F(WriteTest, NothingIsWrittenFromAnImageThatIsNotTheCurrentRead) {
  struct Case {
    const char* name;
    std::function<void(MemView&, fake::ScriptedDriver&)> makeStale;
  };
  const std::vector<Case> cases = {
      {"card type chosen", [](MemView& m, fake::ScriptedDriver&) { m.view.onCommand(ID_CARDTYPE_24C16); }},
      {"failed read",
       [](MemView& m, fake::ScriptedDriver& d) {
         d.results("IC_Read", {-1});
         m.view.onCommand(ID_CARD_READ);
       }},
      {"no card",
       [](MemView& m, fake::ScriptedDriver& d) {
         d.results("IC_Status", {1});
         m.view.onCommand(ID_CARD_READ);
       }},
      {"other port", [](MemView& m, fake::ScriptedDriver&) { m.view.onCommand(ID_PORT_COM1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m);
    d.setDefault("IC_InitComm", 7);
    m.load(CardType::At24c02);
    c.makeStale(m, d);
    EXPECT_EQ(m.st.gridShown, 1) << "the old grid may still be on screen";
    d.clearCalls();
    m.ui.log.clear();
    m.edit();
    EXPECT_EQ(m.st.editActive, 0);
    EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{std::string("提示信息|") + memview::kReadFirst});
    m.st.editActive = 1;  // were edit mode still on
    m.type("12");
    m.key(kF5);
    EXPECT_TRUE(writes(d).empty()) << d.dump();
  }
}

TEST_F(WriteTest, ACardThatNoLongerMatchesTheReadIsNotWritten) {
  struct Case {
    CardType cardType;
    int zoneIndex;
    const char* check;  // the read that finds the other card
  };
  const std::vector<Case> cases = {
      {CardType::At24c02, 0, "IC_Read(7,0,16)"},
      {CardType::At88sc1608, 1, "IC_ReadUserZone(7,0,16)"},
      {CardType::At88sc153, 0, "IC_ReadUserZone(7,0,16)"},
      {CardType::At45d041, 0, "IC_DirectRead(7,0,0,264)"},
      {CardType::Ssf1101, 0, "IC_Read_1101(7,0,0,1024)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.check);
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m);  // the card reads FF everywhere
    m.st.zoneIndex = c.zoneIndex;
    std::vector<std::uint8_t> image(1024, 0xFF);
    image[9] = 0x00;  // what the read found; the card now holds another byte
    m.load(c.cardType, image);
    m.edit();
    m.type("12");
    m.ui.log.clear();
    m.key(kF5);
    EXPECT_EQ(reads(d), std::vector<std::string>{c.check});
    EXPECT_TRUE(writes(d).empty() || writes(d) == std::vector<std::string>{"IC_SetUserZone(7,0)"})
        << d.dump();
    EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{std::string("提示信息|") + memview::kOtherCard});
    EXPECT_EQ(m.doc.editedRowCount, 1) << "the edits stay";
  }
}

TEST_F(WriteTest, AReadForgetsTypedMarksOfCodeBytes) {
  keepWrites(drv, v, true, {10, 11, 12, 13});
  v.load(CardType::At88sc102);
  v.edit();
  typeAt(11, "aa");                         // the user code, typed
  v.ui.shell.answers = {port::mb::kIdYes};  // discard the edits
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.hex(11), "00") << "the card hides its code";
  drv.clearCalls();
  v.edit();
  typeAt(14, "41");
  v.key(kF5);
  EXPECT_EQ(writes(drv), (std::vector<std::string>{"IC_Write(7,0,10)", "IC_Write(7,14,2)"}))
      << "the hidden 00 of the code is not sent";
}

TEST_F(WriteTest, ReReadAfterAFailedWriteSaysTheEditsWereDropped) {
  v.load(CardType::At24c01a);  // a refused row re-reads at once
  v.edit();
  typeAt(0, "11");
  typeAt(40, "22");
  drv.results("IC_Write", {-1});
  v.ui.shell.answers = {port::mb::kIdNo};
  v.key(kF5);
  EXPECT_EQ(v.status(1), memview::kEditsDropped);
  EXPECT_EQ(v.doc.editedRowCount, 0);
}

TEST_F(WriteTest, EmptyListStillBeepsAndWritesMarks) {
  v.load(CardType::Sle4442, std::vector<std::uint8_t>(32, 0x42));
  v.st.protect4442.fill(1);
  v.st.protect4442Saved.fill(1);
  v.st.protect4442Saved[4] = 0;
  v.st.protect4442[4] = 0;
  v.edit();
  v.caretTo({false, 0, 3, true});
  v.key(kSpace);
  EXPECT_EQ(v.st.protect4442[3], 0);
  EXPECT_EQ(v.hexCell(3)->fg, colour::red);
  v.caretTo({false, 0, 4, false});
  v.key(kSpace);
  EXPECT_EQ(v.st.protect4442[4], 0) << "protected on the card: cannot be unmarked";
  v.caretTo({false, 2, 4, false});
  v.key(kSpace);  // address 36
  v.key(kF5);
  EXPECT_EQ(writes(drv), std::vector<std::string>{"IC_WriteProtection(7,3,1)"});
  EXPECT_EQ(lastWritten(drv), std::vector<std::uint8_t>{0x42});
  EXPECT_EQ(v.st.protect4442Saved[3], 0);
  EXPECT_EQ(v.ui.log.beeps(0), 2);
  drv.clearCalls();
  v.key(kF5);
  EXPECT_TRUE(writes(drv).empty()) << "written marks are not written again";
}

TEST_F(WriteTest, SpaceTwiceRestoresTheFlag) {
  v.load(CardType::Sle4442);
  v.st.protect4442.fill(1);
  v.st.protect4442Saved.fill(1);
  v.edit();
  v.key(kSpace);
  v.key(kSpace);
  EXPECT_EQ(v.st.protect4442[0], 1);
  EXPECT_EQ(v.hexCell(0)->fg, colour::yellow);
  v.key(port::vk::kTab);
  v.key(kSpace);
  EXPECT_EQ(v.st.protect4442[0], 1) << "the character area types a blank instead";
}

TEST_F(WriteTest, Sle4428MarksOnSeveralPages) {
  v.load(CardType::Sle4428);
  for (auto& p : v.st.pages4428) std::fill(p.begin() + 256, p.end(), 1);
  v.st.pages4428Saved = v.st.pages4428;
  v.edit();
  for (int a : {2, 300, 1020, 1021}) {
    v.st.currentPage = a / 256;
    v.caretTo({false, (a % 256) / 16, a % 16, false});
    v.key(kSpace);
  }
  EXPECT_EQ(v.st.pages4428[3][256 + 253], 1) << "1021 cannot be marked";
  v.key(kF5);
  EXPECT_EQ(writes(drv), (std::vector<std::string>{"IC_WriteWithProtection(7,2,1)", "IC_WriteWithProtection(7,300,1)",
                                                   "IC_WriteWithProtection(7,1020,1)"}));
  EXPECT_EQ(v.st.pages4428Saved[1][256 + 44], 0);
}

TEST_F(WriteTest, FailedProtectionWriteEndsTheCommand) {
  v.load(CardType::Sle4442);
  v.st.protect4442.fill(1);
  v.st.protect4442Saved.fill(1);
  v.edit();
  typeAt(40, "11");
  v.caretTo({false, 0, 1, false});
  v.key(kSpace);
  drv.results("IC_WriteProtection", {-1});
  v.key(kF5);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"提示信息|写保护没有成功."});
  EXPECT_EQ(v.doc.editedRowCount, 0) << "the row is on the card";
  EXPECT_EQ(v.st.protect4442Saved[1], 1);
  EXPECT_TRUE(memview::hasPendingEdits(v.st, v.doc)) << "the mark waits for the next F5";
}

TEST_F(WriteTest, EscapeKeepsTheEditsForTheNextWrite) {
  v.load(CardType::At24c04);
  v.edit();
  typeAt(300, "77");
  v.key(port::vk::kEscape);
  v.key(kF5);
  EXPECT_TRUE(writes(drv).empty()) << "F5 outside edit mode does nothing";
  v.edit();
  v.key(port::vk::kReturn);
  EXPECT_EQ(writes(drv), std::vector<std::string>{"IC_Write(7,288,16)"});
}

// Input that reaches the view while F5's failure box is open (typed ahead,
// or dispatched by the box's message loop) is dropped with a beep; marks
// are written only after a data write that succeeded.
TEST_F(WriteTest, NoProtectionAfterAFailedDataWrite) {
  struct Case {
    CardType cardType;
    const char* markCall;
  };
  for (const Case& c : {Case{CardType::Sle4442, "IC_WriteProtection"},
                        Case{CardType::Sle4428, "IC_WriteWithProtection"}}) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    keepWrites(d, m);
    m.load(c.cardType);
    m.st.protect4442.fill(1);
    m.st.protect4442Saved.fill(1);
    for (auto& p : m.st.pages4428) std::fill(p.begin() + 256, p.end(), 1);
    m.st.pages4428Saved = m.st.pages4428;
    m.edit();
    m.caretTo({false, 0, 5, false});
    m.key(kSpace);  // marked before F5
    m.caretTo({false, 2, 8, false});
    m.type("11");
    d.results("IC_Write", {-1});
    m.ui.shell.answers = {port::mb::kIdNo, port::mb::kIdNo};
    m.ui.shell.whileOpen = {[&] {
      m.caretTo({false, 1, 1, false});
      m.view.onKeyDown(kSpace);  // byte 17, while the failure is on screen
      m.view.onCommand(ID_CARD_READ);
    }};
    m.key(kF5);
    EXPECT_EQ(d.count(c.markCall), 0) << c.markCall;
    EXPECT_EQ(m.st.protect4442[17], 1) << "the Space was dropped";
    EXPECT_EQ(flag4428(m.st.pages4428, 17), 1) << "the Space was dropped";
    EXPECT_EQ(d.count("IC_Status"), c.cardType == CardType::Sle4442 ? 2 : 0) << "only F5's own re-read";
    if (c.cardType == CardType::Sle4428) {
      EXPECT_EQ(flag4428(m.st.pages4428, 5), 0) << "the mark is still pending";
      d.clearCalls();
      m.key(kF5);
      EXPECT_EQ(writes(d), (std::vector<std::string>{"IC_Write(7,32,16)", "IC_WriteWithProtection(7,5,1)"}))
          << "the next F5 writes the row again, then the mark";
    }
  }
}

TEST_F(WriteTest, ARefusedRowStaysPendingInItsOwnColour) {
  v.load(CardType::At24c02);
  v.edit();
  typeAt(0x21, "aa");
  EXPECT_EQ(v.hexCell(0x21)->fg, colour::pendingOrange);
  EXPECT_EQ(v.hexCell(0x22)->fg, colour::white);
  drv.results("IC_Write", {-1});
  v.ui.shell.answers = {port::mb::kIdNo};
  v.key(kF5);
  EXPECT_EQ(v.hexCell(0x21)->fg, colour::pendingOrange) << "not on the card";
  drv.clearCalls();
  v.key(kF5);
  EXPECT_EQ(writes(drv), std::vector<std::string>{"IC_Write(7,32,16)"}) << "F5 again writes it again";
  EXPECT_EQ(v.hexCell(0x21)->fg, colour::white) << "read back from the card";
  EXPECT_EQ(v.doc.editedRowCount, 0);
}

}  // namespace
}  // namespace memview_test
