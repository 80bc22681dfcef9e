// The read core's driver calls per card type, its failures, and the Read
// command with its page/zone dialog.
#include "view/read_command.h"

#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/scripted_driver.h"
#include "memview/image_guard.h"
#include "memview_fixture.h"
#include "view/zone_select_dlg.h"

namespace memview_test {
namespace {

using fake::Event;

std::vector<std::string> described(const fake::ScriptedDriver& d) {
  std::vector<std::string> out;
  for (const auto& c : d.calls) out.push_back(sig(c));
  return out;
}

std::vector<std::uint8_t> pattern(int n, int seed) {
  std::vector<std::uint8_t> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + seed);
  return v;
}

class ReadCoreTest : public ::testing::Test {
 protected:
  fake::ScriptedDriver drv;
  MemView v{drv.table};
};

struct ReadCase {
  const char* name;
  CardType cardType;
  int zoneIndex;
  int blockIndex;
  std::vector<std::string> calls;  // after the two IC_Status calls
  int byteCount;
};

TEST_F(ReadCoreTest, CallsTheReadOfEachCardType) {
  const std::vector<ReadCase> cases = {
      {"4428",
       CardType::Sle4428,
       0,
       0,
       {"IC_InitType(7,4)", "IC_ReadWithProtection(7,0,256)", "IC_ReadWithProtection(7,256,256)",
        "IC_ReadWithProtection(7,512,256)", "IC_ReadWithProtection(7,768,256)"},
       1024},
      {"4442",
       CardType::Sle4442,
       0,
       0,
       {"IC_InitType(7,16)", "IC_Read(7,0,256)", "IC_ReadProtection(7,0,32)"},
       256},
      {"45D041", CardType::At45d041, 1234, 0, {"IC_DirectRead(7,1234,0,264)"}, 264},
      {"SSF1101", CardType::Ssf1101, 0, 77, {"IC_Read_1101(7,77,0,1024)"}, 1024},
      {"1608 user zone", CardType::At88sc1608, 3, 0, {"IC_ReadUserZone(7,0,256)"}, 256},
      {"1608 configuration", CardType::At88sc1608, 8, 0, {"IC_ReadConfigZone(7,0,128)"}, 128},
      {"153",
       CardType::At88sc153,
       0,
       0,
       {"IC_SetUserZone(7,0)", "IC_ReadUserZone(7,0,64)", "IC_SetUserZone(7,1)", "IC_ReadUserZone(7,0,64)",
        "IC_SetUserZone(7,2)", "IC_ReadUserZone(7,0,64)", "IC_ReadConfigZone(7,0,64)"},
       256},
      {"24C16", CardType::At24c16, 0, 0, {"IC_Read(7,0,2048)"}, 2048},
      {"1604A", CardType::At88sc1604, 0, 0, {"IC_Read(7,0,2007)"}, 2007},
      {"102", CardType::At88sc102, 0, 0, {"IC_Read(7,0,178)"}, 178},
      {"4404", CardType::Sle4404, 0, 0, {"IC_Read(7,0,52)"}, 52},
  };
  for (const ReadCase& c : cases) {
    drv.clearCalls();
    v.st.zoneIndex = c.zoneIndex;
    v.st.blockIndex = c.blockIndex;
    v.st.currentPage = 3;
    std::vector<std::string> expected = {"IC_Status(7)", "IC_Status(7)"};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(readCore(v.ctx(), ReaderPort::Usb, c.cardType), 0) << c.name;
    EXPECT_EQ(described(drv), expected) << c.name;
    EXPECT_EQ(v.st.viewState, ViewState::CardData) << c.name;
    EXPECT_EQ(v.st.byteCount, c.byteCount) << c.name;
    EXPECT_EQ(v.st.pageCount, pageCountFor(c.byteCount)) << c.name;
    EXPECT_EQ(v.st.currentPage, 0) << c.name;
  }
}

TEST_F(ReadCoreTest, ConvertsTheBytesIntoTheCardImage) {
  drv.readData("IC_Read", {pattern(2048, 3)});
  ASSERT_EQ(readCore(v.ctx(), ReaderPort::Usb, CardType::At24c16), 0);
  EXPECT_EQ(v.hex(0), "03");
  EXPECT_EQ(v.hex(1), "0a");
  EXPECT_EQ(v.doc.byteAt(2047), static_cast<std::uint8_t>(2047 * 7 + 3));
  EXPECT_EQ(v.hex(2048), "ff") << "beyond the card nothing changes";
}

TEST_F(ReadCoreTest, Sle4428PagesAndFlagsAreKept) {
  // Each call delivers 256 data bytes and 256 flag bytes.
  drv.onCall("IC_ReadWithProtection", [](const fake::DriverCall& c, const std::vector<void*>& out) {
    std::vector<std::uint8_t> page = pattern(256, static_cast<int>(c.ints.at(1) / 256));
    page.resize(512, 1);
    page[256 + 5] = 0;  // byte 5 of every page protected
    std::copy(page.begin(), page.end(), static_cast<std::uint8_t*>(out.at(0)));
  });
  ASSERT_EQ(readCore(v.ctx(), ReaderPort::Usb, CardType::Sle4428), 0);
  EXPECT_EQ(v.doc.byteAt(256 + 1), pattern(256, 1)[1]);
  EXPECT_EQ(v.doc.byteAt(768 + 9), pattern(256, 3)[9]);
  EXPECT_EQ(v.st.pages4428[2][256 + 5], 0);
  EXPECT_EQ(v.st.pages4428Saved[3][256 + 6], 1);
}

struct FailureCase {
  const char* name;
  CardType cardType;
  const char* failing;
  std::vector<int> results;
  bool message;
};

TEST_F(ReadCoreTest, FailedReadsLeaveTheImage) {
  const std::vector<FailureCase> cases = {
      {"4428 init", CardType::Sle4428, "IC_InitType", {-1}, false},
      {"4428 third page", CardType::Sle4428, "IC_ReadWithProtection", {0, 0, -3, 0}, false},
      {"4442 init", CardType::Sle4442, "IC_InitType", {1}, false},
      {"4442 data read", CardType::Sle4442, "IC_Read", {-2}, false},
      {"4442 protection", CardType::Sle4442, "IC_ReadProtection", {-1}, false},
      {"45D041", CardType::At45d041, "IC_DirectRead", {1}, true},
      {"SSF1101", CardType::Ssf1101, "IC_Read_1101", {-1}, true},
      {"1608", CardType::At88sc1608, "IC_ReadUserZone", {2}, true},
      {"153 second zone", CardType::At88sc153, "IC_SetUserZone", {0, 5}, true},
      {"24C02", CardType::At24c02, "IC_Read", {-1}, true},
  };
  for (const FailureCase& c : cases) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    m.st.protect4442[3] = 9;
    m.st.pages4428[0][256] = 9;
    d.results(c.failing, c.results);
    d.readData("IC_Read", {std::vector<std::uint8_t>(2048, 0x11)});
    EXPECT_EQ(readCore(m.ctx(), ReaderPort::Usb, c.cardType), 1) << c.name;
    EXPECT_EQ(m.st.viewState, ViewState::ReadFailed) << c.name;
    EXPECT_EQ(m.hex(0), "ff") << c.name << ": the image stays";
    EXPECT_EQ(m.st.protect4442[3], 9) << c.name << ": the flags stay";
    EXPECT_EQ(m.st.pages4428[0][256], 9) << c.name;
    const std::vector<std::string> boxes = m.ui.log.boxes();
    if (c.message) {
      EXPECT_EQ(boxes, std::vector<std::string>{"提示信息|读卡错误！"}) << c.name;
      EXPECT_EQ(m.st.detectResult, DetectResult::Undetermined) << c.name;
    } else {
      EXPECT_TRUE(boxes.empty()) << c.name;
    }
    if (std::string(c.name) == "4428 third page") {
      EXPECT_EQ(d.count("IC_ReadWithProtection"), 4) << "all four pages are read";
    }
    if (std::string(c.name) == "153 second zone") {
      EXPECT_EQ(d.count("IC_ReadUserZone"), 1) << "the read stops at the first failure";
    }
  }
}

TEST_F(ReadCoreTest, NoCardAndReaderErrors) {
  drv.results("IC_Status", {1});
  EXPECT_EQ(readCore(v.ctx(), ReaderPort::Usb, CardType::At24c16), 1);
  EXPECT_EQ(v.st.viewState, ViewState::NoCard);
  EXPECT_EQ(drv.count("IC_Status"), 1);

  drv.results("IC_Status", {0, -5});
  EXPECT_EQ(readCore(v.ctx(), ReaderPort::Usb, CardType::At24c16), 1);
  EXPECT_EQ(v.st.viewState, ViewState::StatusError);
  EXPECT_EQ(drv.count("IC_Read"), 0);
  EXPECT_FALSE(v.ui.shell.waitCursor) << "the cursor is restored";
}

TEST_F(ReadCoreTest, WithoutPortOrCardTypeNothingRuns) {
  v.st.viewState = ViewState::NoCardData;
  v.st.editActive = 1;
  v.ui.window.caretCreated = true;
  v.ui.window.caretVisible = true;
  EXPECT_EQ(readCore(v.ctx(), ReaderPort::None, CardType::At24c16), 1);
  EXPECT_EQ(readCore(v.ctx(), ReaderPort::Usb, static_cast<CardType>(0)), 1);
  EXPECT_TRUE(drv.calls.empty()) << drv.dump();
  EXPECT_EQ(v.st.viewState, ViewState::NoCardData);
  EXPECT_EQ(v.st.editActive, 0);
  EXPECT_FALSE(v.ui.window.caretVisible);
}

// ---- The Read command ----

class ReadCommandTest : public ReadCoreTest {};

TEST_F(ReadCommandTest, SuccessShowsTheCardAndBeepsFourTimes) {
  v.st.cardType = CardType::At24c16;
  drv.readData("IC_Read", {pattern(2048, 1)});
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.st.viewState, ViewState::CardData);
  EXPECT_EQ(v.st.gridShown, 1);
  EXPECT_EQ(v.status(2), "读卡成功");
  EXPECT_EQ(v.status(1), "");
  EXPECT_EQ(v.ui.log.beeps(1), 4);
  ASSERT_NE(v.hexCell(1), nullptr);
  EXPECT_EQ(v.hexCell(1)->text, "08");
}

TEST_F(ReadCommandTest, OutcomesInTheStatusArea) {
  struct Case {
    std::vector<int> status;
    int readResult;
    const char* line2;
  };
  for (const Case& c : std::vector<Case>{{{1}, 0, "未插入卡"}, {{0, 3}, 0, "未知串口"}, {{0, 0}, -1, "未知错误"}}) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    m.st.cardType = CardType::At24c02;
    d.results("IC_Status", c.status);
    d.results("IC_Read", {c.readResult});
    m.view.onCommand(ID_CARD_READ);
    EXPECT_EQ(m.status(1), "读卡失败") << c.line2;
    EXPECT_EQ(m.status(2), c.line2);
    EXPECT_EQ(m.ui.log.beeps(1), 4);
    // The progress texts were shown, then erased by their exact wording.
    bool shown = false;
    for (const Event& e : m.ui.log.of(Event::Kind::Text)) shown = shown || e.text == " 请稍等.......";
    EXPECT_TRUE(shown);
  }
}

TEST_F(ReadCommandTest, ReadLeavesEditMode) {
  v.load(CardType::At24c16);
  v.edit();
  ASSERT_EQ(v.st.editActive, 1);
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.st.editActive, 0);
  EXPECT_FALSE(v.ui.window.caretVisible);
}

TEST_F(ReadCommandTest, At45d041AsksForThePage) {
  v.st.cardType = CardType::At45d041;
  v.st.zoneIndex = 12;
  v.ui.dialogs.scripts.push_back([](fake::FakeControls& c) {
    EXPECT_EQ(c.text(1002), "12");
    EXPECT_EQ(c.text(1005), "(0-2047):");
    EXPECT_FALSE(c.controls[1009].visible);
    c.type(1002, "2048");
    c.click(1);
    EXPECT_FALSE(c.ended) << "2048 is refused";
    c.type(1002, "abc");
    c.click(1);
    EXPECT_FALSE(c.ended);
    c.type(1002, "2047");
    c.click(1);
  });
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.ui.dialogs.opened, std::vector<int>{113});
  EXPECT_EQ(v.st.zoneIndex, 2047);
  EXPECT_EQ(drv.names().front(), "IC_InitType");
  EXPECT_EQ(sig(drv.callsTo("IC_DirectRead").at(0)), "IC_DirectRead(7,2047,0,264)");
  const std::vector<std::string> boxes = v.ui.log.boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("Please enter an integer between 0 and 2047."), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[1].find("Please enter an integer."), std::string::npos) << boxes[1];
}

TEST_F(ReadCommandTest, RefusedSelectionEndsTheReadAndKeepsTheOldPart) {
  struct Case {
    CardType cardType;
    const char* refused;  // the selection call the card refuses
    const char* told;
    const char* readCall;  // must not be made
  };
  const std::vector<Case> cases = {
      {CardType::Ssf1101, "IC_InitType", "提示信息|init card is fail.!", "IC_Read_1101"},
      {CardType::At45d041, "IC_InitType", "提示信息|init card is fail.!", "IC_DirectRead"},
      {CardType::At88sc1608, "IC_SetUserZone", "提示信息|IC_SetUserZone is fail.!", "IC_ReadUserZone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readCall);
    fake::ScriptedDriver d;
    MemView m(d.table);
    m.st.zoneIndex = 1;
    m.st.blockIndex = 1;
    m.load(c.cardType);
    d.results(c.refused, {-1});
    m.ui.dialogs.scripts.push_back(fake::typeAndOk(1002, "5"));
    m.view.onCommand(ID_CARD_READ);
    EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{c.told});
    EXPECT_EQ(d.count(c.readCall), 0) << "the card's old part would show under the new number";
    EXPECT_EQ(c.cardType == CardType::Ssf1101 ? m.st.blockIndex : m.st.zoneIndex, 1) << "the number is kept";
    EXPECT_EQ(m.status(1), "读卡失败");
    EXPECT_FALSE(memview::holdsCurrentRead(m.st));
    m.edit();
    EXPECT_EQ(m.st.editActive, 0) << "no edit mode on an image that is not the current read";
  }
}

TEST_F(ReadCommandTest, FailedReadOfAnotherPageKeepsThePageOfTheImage) {
  v.st.zoneIndex = 0;
  v.load(CardType::At45d041);
  drv.results("IC_DirectRead", {-1});
  v.ui.dialogs.scripts.push_back(fake::typeAndOk(1002, "3"));
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.st.zoneIndex, 0);
  EXPECT_FALSE(memview::holdsCurrentRead(v.st));
  v.ui.log.clear();
  v.edit();
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{std::string("提示信息|") + memview::kReadFirst});
  drv.clearCalls();
  v.st.editActive = 1;  // even if edit mode were still on
  v.view.onKeyDown(port::vk::kF5);
  EXPECT_EQ(drv.count("IC_DirectWrite"), 0) << drv.dump();
}

TEST_F(ReadCommandTest, PendingEditsAreDiscardedOnlyWhenTheOperatorAgrees) {
  v.load(CardType::At24c02);
  v.edit();
  v.type("ab");
  drv.clearCalls();
  v.ui.shell.answers = {port::mb::kIdNo};
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.ui.log.boxes(),
            std::vector<std::string>{std::string("Kv310型读写器演示系统|") + memview::kDiscardEdits});
  EXPECT_TRUE(drv.calls.empty()) << "No: nothing happens";
  EXPECT_EQ(v.st.editActive, 1);
  EXPECT_EQ(v.rows(), std::vector<int>{0});

  v.ui.shell.answers = {port::mb::kIdYes};
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.status(2), "读卡成功");
  EXPECT_TRUE(v.rows().empty()) << "a read starts from a clean slate";
  EXPECT_FALSE(v.doc.isEdited(0));
  EXPECT_TRUE(memview::holdsCurrentRead(v.st));
  v.ui.log.clear();
  v.view.onCommand(ID_CARD_READ);
  EXPECT_TRUE(v.ui.log.boxes().empty()) << "nothing pending, nothing asked";
}

// Every way out of the typed bytes asks first: exit, the close button, the
// picture's quit button and Escape after their own question, the port
// switch. No keeps the program, the reader and the edits; Yes puts the
// card's bytes back in the image whatever the command does next.
TEST_F(ReadCommandTest, EveryWayOutOfPendingEditsAsks) {
  struct Case {
    const char* name;
    std::function<bool(MemView&)> act;  // true: the program was let go
    int ownQuestion;                     // boxes before the discard question
  };
  const auto quits = [](MemView& m) { return !m.ui.log.of(fake::Event::Kind::PostQuit).empty(); };
  const std::vector<Case> cases = {
      {"exit", [](MemView& m) { return m.view.confirmClose(); }, 0},
      {"quit button", [&](MemView& m) { m.view.onLButtonDown({500, 400}); return quits(m); }, 1},
      {"escape", [&](MemView& m) { m.view.onKeyDown(port::vk::kEscape); m.view.onKeyDown(port::vk::kEscape); return quits(m); }, 1},
      {"port", [](MemView& m) { m.view.onCommand(ID_PORT_COM2); return m.ui.log.beepCount() > 0 || m.st.port == ReaderPort::Com2; }, 0},
  };
  for (const Case& c : cases) {
    for (int answer : {port::mb::kIdNo, port::mb::kIdYes}) {
      fake::ScriptedDriver d;
      MemView m(d.table);
      m.st.port = ReaderPort::Usb;
      m.load(CardType::At24c02);
      m.edit();
      m.type("ab");
      d.clearCalls();
      m.ui.shell.answers.assign(static_cast<std::size_t>(c.ownQuestion), port::mb::kIdYes);
      m.ui.shell.answers.push_back(answer);
      const bool let = c.act(m);
      const auto boxes = m.ui.log.boxes();
      ASSERT_EQ(boxes.size(), static_cast<std::size_t>(c.ownQuestion + 1)) << c.name;
      EXPECT_NE(boxes.back().find(memview::kDiscardEdits), std::string::npos) << c.name;
      EXPECT_EQ(let, answer == port::mb::kIdYes) << c.name;
      EXPECT_EQ(m.doc.byteAt(0), answer == port::mb::kIdYes ? 0xFF : 0xAB) << c.name;
      if (answer == port::mb::kIdNo) {
        EXPECT_TRUE(d.calls.empty()) << c.name << d.dump();
      }
    }
  }
}

TEST_F(ReadCommandTest, DiscardingThenCancellingTheReadLeavesTheCardsBytes) {
  v.st.zoneIndex = 2;
  v.load(CardType::At45d041);
  v.edit();
  v.type("aa");
  v.ui.shell.answers = {port::mb::kIdYes};
  v.ui.dialogs.scripts.push_back(fake::cancel());
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.hex(0), "ff");
  EXPECT_FALSE(memview::hasPendingEdits(v.st, v.doc));
  EXPECT_TRUE(memview::holdsCurrentRead(v.st)) << "the image is the card's read again";
}

TEST_F(ReadCommandTest, At88sc1608ZonesSelectTheUserZone) {
  v.st.cardType = CardType::At88sc1608;
  v.ui.dialogs.scripts.push_back([](fake::FakeControls& c) {
    EXPECT_EQ(c.text(1005), "(0-8)8区是控制区\n     0-7区用户区");
    EXPECT_TRUE(c.controls[1009].visible);
    EXPECT_FALSE(c.isChecked(1009));
    c.type(1002, "3");
    c.click(1);
  });
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(described(drv), (std::vector<std::string>{"IC_SetUserZone(7,3)", "IC_Status(7)", "IC_Status(7)",
                                                      "IC_ReadUserZone(7,0,256)"}));
  drv.clearCalls();
  v.ui.dialogs.scripts.push_back(fake::typeAndOk(1002, "9"));
  v.view.onCommand(ID_CARD_READ);
  EXPECT_EQ(v.st.zoneIndex, 8);
  EXPECT_EQ(drv.count("IC_SetUserZone"), 0);
  EXPECT_EQ(sig(drv.callsTo("IC_ReadConfigZone").at(0)), "IC_ReadConfigZone(7,0,128)");
  EXPECT_EQ(v.st.byteCount, 128);
}

TEST_F(ReadCommandTest, CancelChangesNothing) {
  for (CardType type : {CardType::At45d041, CardType::Ssf1101, CardType::At88sc1608}) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    m.st.cardType = type;
    m.st.zoneIndex = 4;
    m.st.blockIndex = 5;
    m.ui.dialogs.scripts.push_back(fake::cancel());
    m.view.onCommand(ID_CARD_READ);
    EXPECT_EQ(m.st.zoneIndex, 4) << type;
    EXPECT_EQ(m.st.blockIndex, 5) << type;
    EXPECT_EQ(d.count("IC_Status"), 0) << type;
    EXPECT_EQ(m.ui.log.beepCount(), 0) << type;
    EXPECT_EQ(m.status(1), "") << type;
    EXPECT_EQ(m.hex(0), "ff") << type;
  }
}

TEST(ZoneSelectDlg, PromptsByCardType) {
  EXPECT_EQ(CZoneSelectDlg::promptFor(CardType::At45d041), "(0-2047):");
  EXPECT_EQ(CZoneSelectDlg::promptFor(CardType::Ssf1101), "(0-511):");
  EXPECT_EQ(CZoneSelectDlg::promptFor(CardType::Sle4442), "(0-511):");
}

}  // namespace
}  // namespace memview_test
