// Edit mode through the screen model: caret stops, typing, colours, the
// edited-row list, page keys, the mouse and the quit question.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/scripted_driver.h"
#include "memview_fixture.h"

namespace memview_test {
namespace {

using memview::Stop;
using port::vk::kDown;
using port::vk::kEnd;
using port::vk::kHome;
using port::vk::kLeft;
using port::vk::kNext;
using port::vk::kPrior;
using port::vk::kRight;
using port::vk::kTab;
using port::vk::kUp;

class EditorTest : public ::testing::Test {
 protected:
  fake::ScriptedDriver drv;
  MemView v{drv.table};
};

TEST_F(EditorTest, WriteCommandNeedsAGrid) {
  v.edit();
  EXPECT_EQ(v.st.editActive, 0);
  EXPECT_FALSE(v.ui.window.caretVisible);
  v.load(CardType::Sle4442);
  v.edit();
  EXPECT_EQ(v.st.editActive, 1);
  EXPECT_TRUE(v.ui.window.caretVisible);
  EXPECT_EQ(v.ui.window.caretWidth, 8);
  EXPECT_EQ(v.ui.window.caret, (port::Point{33, 32}));
  EXPECT_EQ(v.status(1), "F5 : 写数据");
  EXPECT_EQ(v.status(2), "ESC: 返  回");
  EXPECT_EQ(v.status(3), "SPA: 加保护");
  v.key(port::vk::kEscape);
  EXPECT_EQ(v.st.editActive, 0);
  EXPECT_FALSE(v.ui.window.caretVisible);
  EXPECT_EQ(v.status(1), "");
  EXPECT_EQ(v.status(3), "");
  EXPECT_TRUE(v.ui.log.boxes().empty()) << "Escape in edit mode asks nothing";
}

TEST_F(EditorTest, TheCaretKeepsItsCellBehindDialogs) {
  // A dialog's edit control takes the thread's caret; typing after it must
  // still land where the caret stood, not on byte 0.
  const std::vector<std::pair<const char*, int>> dialogs = {{"Save", ID_FILE_SAVE}, {"Open", ID_FILE_OPEN}};
  for (const auto& [name, command] : dialogs) {
    SCOPED_TRACE(name);
    fake::ScriptedDriver d;
    MemView m(d.table);
    m.load(CardType::At24c02);
    m.edit();
    m.caretTo({false, 2, 3, false});
    m.type("1");
    m.view.onCommand(command);  // the file dialog, cancelled
    EXPECT_TRUE(m.ui.window.caretCreated);
    EXPECT_TRUE(m.ui.window.caretVisible);
    EXPECT_EQ(m.ui.window.caret, memview::pointOf(m.st, {false, 2, 3, true}));
    m.type("2");
    EXPECT_EQ(m.doc.byteAt(35), 0x12);
    EXPECT_EQ(m.hex(0), "ff") << "byte 0 untouched";
    EXPECT_EQ(m.rows(), std::vector<int>{32});
  }
}

TEST_F(EditorTest, FocusCreatesAndDestroysTheCaret) {
  v.load(CardType::At24c02);
  v.view.onFocus(true);
  EXPECT_TRUE(v.ui.window.caretCreated);
  EXPECT_FALSE(v.ui.window.caretVisible) << "hidden outside edit mode";
  v.edit();
  v.caretTo({true, 4, 5, false});
  v.view.onFocus(false);
  EXPECT_FALSE(v.ui.window.caretCreated);
  v.view.onFocus(true);
  EXPECT_TRUE(v.ui.window.caretVisible);
  EXPECT_EQ(v.ui.window.caret, memview::pointOf(v.st, {true, 4, 5, false}));
  v.key(port::vk::kNext);  // 24C02: one page; Page Down on the last page changes nothing
  v.type("A");
  EXPECT_EQ(v.doc.byteAt(69), 'A');
}

TEST_F(EditorTest, HexTypingFillsTheByteAndAdvances) {
  v.load(CardType::At24c16);
  v.edit();
  v.type("A");
  EXPECT_EQ(v.hex(0), "af");
  EXPECT_EQ(v.caret(), (Stop{false, 0, 0, true}));
  v.type("5");
  EXPECT_EQ(v.hex(0), "a5");
  EXPECT_EQ(v.doc.byteAt(0), 0xA5);
  EXPECT_EQ(v.caret(), (Stop{false, 0, 1, false}));
  EXPECT_EQ(v.hexCell(0)->text, "a5");
  EXPECT_EQ(v.hexCell(0)->fg, colour::pendingOrange) << "typed, not on the card yet";
  EXPECT_EQ(v.charCell(0)->text, ".");
  v.type("g !");  // not hexadecimal digits: ignored
  EXPECT_EQ(v.caret(), (Stop{false, 0, 1, false}));
  EXPECT_EQ(v.hex(1), "ff");
}

TEST_F(EditorTest, ZeroByteBlanksItsCharacter) {
  v.load(CardType::At24c16, {'A'});
  v.edit();
  v.type("00");
  EXPECT_EQ(v.ui.window.screen.visibleText(475, 32), "");
}

TEST_F(EditorTest, TypingWrapsRowsAndPages) {
  v.load(CardType::At24c16);
  v.edit();
  v.caretTo({false, 3, 15, true});
  v.type("1");
  EXPECT_EQ(v.caret(), (Stop{false, 4, 0, false}));
  v.caretTo({false, 15, 15, true});
  v.type("2");
  EXPECT_EQ(v.st.currentPage, 1);
  EXPECT_EQ(v.caret(), (Stop{false, 0, 0, false}));
  EXPECT_EQ(v.ui.window.screen.visibleText(565, 332), "2") << "page number redrawn";
  EXPECT_EQ(v.hex(255), "f2");
  // The last byte of the card: high digit to low digit, then stays.
  v.st.currentPage = 7;
  v.caretTo({false, 15, 15, false});
  v.type("34");
  EXPECT_EQ(v.caret(), (Stop{false, 15, 15, true}));
  EXPECT_EQ(v.hex(2047), "34");
  v.type("5");
  EXPECT_EQ(v.hex(2047), "35");
  EXPECT_EQ(v.st.currentPage, 7);
}

TEST_F(EditorTest, CharacterTypingAndTab) {
  v.load(CardType::At24c16);
  v.edit();
  v.caretTo({false, 2, 5, true});
  v.key(kTab);
  EXPECT_EQ(v.caret(), (Stop{true, 2, 5, false}));
  v.type("Z~");
  EXPECT_EQ(v.hex(37), "5a");
  EXPECT_EQ(v.hex(38), "7e");
  EXPECT_EQ(v.hexCell(37)->text, "5a");
  EXPECT_EQ(v.charCell(37)->text, "Z");
  EXPECT_EQ(v.caret(), (Stop{true, 2, 7, false}));
  v.view.onChar(0x7F);
  v.view.onChar(0x0D);
  EXPECT_EQ(v.caret(), (Stop{true, 2, 7, false})) << "control codes are not typed";
  v.key(kTab);
  EXPECT_EQ(v.caret(), (Stop{false, 2, 7, false}));
  // End of the last page in the character area: stays on the last byte.
  v.st.currentPage = 7;
  v.caretTo({true, 15, 15, false});
  v.type("xy");
  EXPECT_EQ(v.doc.byteAt(2047), 'y');
  EXPECT_EQ(v.caret(), (Stop{true, 15, 15, false}));
}

TEST_F(EditorTest, EditedRowList) {
  v.load(CardType::At24c16);
  v.edit();
  v.type("1122");  // two bytes of row 0
  EXPECT_EQ(v.rows(), std::vector<int>{0});
  v.caretTo({false, 5, 0, false});
  v.type("33");
  v.caretTo({false, 0, 9, false});
  v.type("44");
  EXPECT_EQ(v.rows(), (std::vector<int>{0, 80, 0}));
  EXPECT_TRUE(v.doc.isEdited(0));
  EXPECT_TRUE(v.doc.isEdited(9));
  EXPECT_FALSE(v.doc.isEdited(2));
}

TEST_F(EditorTest, NoByteBeyondTheCardIsTyped) {
  v.load(CardType::At45d041);  // 264 bytes: page 1 holds 8 bytes
  v.edit();
  v.caretTo({false, 5, 3, false});
  v.key(kNext);
  ASSERT_EQ(v.st.currentPage, 1);
  EXPECT_EQ(v.caret(), (Stop{false, 0, 0, false})) << "a 45D041 page starts at the top";
  v.caretTo({false, 5, 3, false});
  v.type("12");
  v.key(kTab);
  v.type("ab");
  EXPECT_EQ(v.doc.editedRowCount, 0);
  EXPECT_EQ(v.hex(256 + 83), "ff");
}

TEST_F(EditorTest, EndOnAPartialRow) {
  v.load(CardType::At45d041);
  v.edit();
  v.key(kNext);
  v.key(kEnd);
  EXPECT_EQ(v.ui.window.caret.x, 33 + 22 * 9);
  EXPECT_EQ(v.caret(), (Stop{false, 0, 7, true}));
  v.key(kTab);
  v.key(kHome);
  v.key(kEnd);
  EXPECT_EQ(v.caret(), (Stop{true, 0, 7, false}));
  v.caretTo({true, 4, 2, false});
  v.key(kEnd);
  EXPECT_EQ(v.caret(), (Stop{true, 4, 2, false})) << "a row without bytes keeps the caret";
  v.st.currentPage = 0;
  v.caretTo({false, 3, 2, false});
  v.key(kEnd);
  EXPECT_EQ(v.caret(), (Stop{false, 3, 15, true}));
}

struct MoveCase {
  const char* name;
  int page;
  Stop from;
  int key;
  int expectPage;
  Stop to;
};

TEST_F(EditorTest, ArrowKeysAcrossRowsAndPages) {
  // 24C16: 8 pages of 256 bytes.
  const std::vector<MoveCase> cases = {
      {"left low to high", 0, {false, 1, 4, true}, kLeft, 0, {false, 1, 4, false}},
      {"left high to previous low", 0, {false, 1, 4, false}, kLeft, 0, {false, 1, 3, true}},
      {"left row start", 0, {false, 1, 0, false}, kLeft, 0, {false, 0, 15, true}},
      {"left page start", 2, {false, 0, 0, false}, kLeft, 1, {false, 15, 15, true}},
      {"left card start", 0, {false, 0, 0, false}, kLeft, 0, {false, 0, 0, false}},
      {"left chars", 1, {true, 0, 0, false}, kLeft, 0, {true, 15, 15, false}},
      {"right high to low", 0, {false, 2, 2, false}, kRight, 0, {false, 2, 2, true}},
      {"right low to next", 0, {false, 2, 2, true}, kRight, 0, {false, 2, 3, false}},
      {"right row end", 0, {false, 2, 15, true}, kRight, 0, {false, 3, 0, false}},
      {"right page end", 0, {false, 15, 15, true}, kRight, 1, {false, 0, 0, false}},
      {"right card end", 7, {false, 15, 15, true}, kRight, 7, {false, 15, 15, true}},
      {"right card end high", 7, {false, 15, 15, false}, kRight, 7, {false, 15, 15, true}},
      {"right chars page end", 3, {true, 15, 15, false}, kRight, 4, {true, 0, 0, false}},
      {"right chars card end", 7, {true, 15, 15, false}, kRight, 7, {true, 15, 15, false}},
      {"up", 0, {false, 4, 4, true}, kUp, 0, {false, 3, 4, true}},
      {"up page", 1, {true, 0, 4, false}, kUp, 0, {true, 15, 4, false}},
      {"up first page", 0, {false, 0, 4, false}, kUp, 0, {false, 0, 4, false}},
      {"down", 0, {false, 4, 4, true}, kDown, 0, {false, 5, 4, true}},
      {"down page", 5, {false, 15, 1, false}, kDown, 6, {false, 0, 1, false}},
      {"down card end", 7, {false, 15, 1, false}, kDown, 7, {false, 15, 1, false}},
      {"home", 0, {false, 4, 9, true}, kHome, 0, {false, 4, 0, false}},
  };
  v.load(CardType::At24c16);
  v.edit();
  for (const MoveCase& c : cases) {
    v.st.currentPage = c.page;
    v.caretTo(c.from);
    v.key(c.key);
    EXPECT_EQ(v.st.currentPage, c.expectPage) << c.name;
    EXPECT_EQ(v.caret(), c.to) << c.name;
    EXPECT_TRUE(v.ui.window.caretVisible) << c.name;
  }
}

TEST_F(EditorTest, DownStopsBeforeMissingBytes) {
  v.load(CardType::Sle4404);  // SLE4404, 52 bytes: row 3 holds 4
  v.edit();
  v.caretTo({false, 2, 3, false});
  v.key(kDown);
  EXPECT_EQ(v.caret(), (Stop{false, 3, 3, false}));
  v.caretTo({false, 2, 4, false});
  v.key(kDown);
  EXPECT_EQ(v.caret(), (Stop{false, 2, 4, false}));
}

TEST_F(EditorTest, TypedBytesArePendingInEveryZoneButMarksKeepTheirColour) {
  v.load(CardType::At88sc102);  // AT88SC102
  v.edit();
  v.caretTo({false, 0, 10, false});
  v.type("1");
  EXPECT_EQ(v.hexCell(10)->fg, colour::pendingOrange) << "用户密码";
  v.caretTo({false, 0, 12, false});
  v.type("1");
  EXPECT_EQ(v.hexCell(12)->fg, colour::pendingOrange) << "错误计数";
  EXPECT_EQ(v.hexCell(11)->fg, colour::yellow) << "not typed: its zone";

  fake::ScriptedDriver d;
  MemView m(d.table);
  m.load(CardType::Sle4442);
  m.st.protect4442.fill(1);
  m.st.protect4442[3] = 0;
  m.edit();
  m.caretTo({false, 0, 3, false});
  m.type("1");
  EXPECT_EQ(m.hexCell(3)->fg, colour::red) << "marked";
  m.caretTo({true, 0, 4, false});
  m.type("A");
  EXPECT_EQ(m.charCell(4)->fg, colour::pendingOrange);
  m.caretTo({true, 2, 4, false});
  m.type("A");
  EXPECT_EQ(m.charCell(36)->fg, colour::pendingOrange);

  fake::ScriptedDriver d2;
  MemView s(d2.table);
  s.load(CardType::Sle4428);
  for (auto& page : s.st.pages4428) std::fill(page.begin() + 256, page.end(), 1);
  s.st.pages4428[0][256 + 1] = 0;
  s.edit();
  s.type("1122");
  EXPECT_EQ(s.hexCell(0)->fg, colour::pendingOrange);
  EXPECT_EQ(s.hexCell(1)->fg, colour::red) << "flag byte 0 is protected";
}

TEST_F(EditorTest, MousePlacesTheCaret) {
  v.load(CardType::At24c16);
  v.edit();
  v.click(33 + 27 * 4 + 20, 32 + 15 * 6 + 3);  // the gap after cell 4
  EXPECT_EQ(v.caret(), (Stop{false, 6, 5, false}));
  EXPECT_EQ(v.st.caretRow, 6);
  EXPECT_EQ(v.st.caretCol, 5);
  v.click(475 + 9 * 15 + 1, 32 + 15 * 2);
  EXPECT_EQ(v.caret(), (Stop{true, 2, 15, false}));
  EXPECT_EQ(v.st.caretInAscii, 1);
  v.click(20, 20);  // outside both grids
  EXPECT_EQ(v.caret(), (Stop{true, 2, 15, false}));
  EXPECT_TRUE(v.ui.window.caretVisible);
}

TEST_F(EditorTest, MouseBelowTheLastFullRowDoesNotMove) {
  v.load(CardType::Sle4404);  // 52 bytes: three full rows
  v.edit();
  v.click(33 + 27, 32 + 15 * 3 + 2);
  EXPECT_EQ(v.caret(), (Stop{false, 0, 0, false}));
  v.click(33 + 27, 32 + 15 * 2 + 2);
  EXPECT_EQ(v.caret(), (Stop{false, 2, 1, false}));
}

TEST_F(EditorTest, ExitHotspotAsksToQuit) {
  v.load(CardType::At24c16);
  v.edit();
  v.caretTo({false, 3, 3, true});
  v.ui.shell.answers = {port::mb::kIdNo};
  v.click(478, 381);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"退出确认|确认退出本演示系统吗？"});
  EXPECT_TRUE(v.ui.log.of(fake::Event::Kind::PostQuit).empty());
  EXPECT_EQ(v.caret(), (Stop{false, 3, 3, true}));
  EXPECT_EQ(v.st.editActive, 1);
  v.ui.log.clear();
  v.click(630, 424);  // right edge is outside
  v.click(629, 425);  // bottom edge is outside
  EXPECT_TRUE(v.ui.log.boxes().empty());
  v.ui.shell.answers = {port::mb::kIdYes};
  v.click(629, 424);
  const auto quits = v.ui.log.of(fake::Event::Kind::PostQuit);
  ASSERT_EQ(quits.size(), 1u);
  EXPECT_EQ(quits[0].style, 0u);
}

TEST_F(EditorTest, EscapeOutsideEditModeAsksToQuit) {
  v.ui.shell.answers = {port::mb::kIdYes};
  v.key(port::vk::kEscape);
  ASSERT_EQ(v.ui.log.boxes(), std::vector<std::string>{"退出确认|确认退出本演示系统吗？"});
  EXPECT_EQ(v.ui.log.of(fake::Event::Kind::MessageBox)[0].style, port::mb::kYesNo | port::mb::kIconQuestion);
  EXPECT_EQ(v.ui.log.of(fake::Event::Kind::PostQuit).size(), 1u);
}

TEST_F(EditorTest, PageKeys) {
  v.key(kNext);
  EXPECT_EQ(v.st.currentPage, 0) << "no grid yet";
  v.load(CardType::At24c16);
  v.key(kPrior);
  EXPECT_EQ(v.st.currentPage, 0);
  v.key(kNext, 9);
  EXPECT_EQ(v.st.currentPage, 7);
  EXPECT_TRUE(v.ui.log.boxes().empty());
  v.key(kPrior);
  EXPECT_EQ(v.st.currentPage, 6);
  EXPECT_EQ(v.ui.window.screen.visibleText(565, 332), "7");
  EXPECT_EQ(v.hexCell(0)->text, "ff");
}

TEST_F(EditorTest, ErrorCounterPageOfTheSle4442) {
  drv.setDefault("IC_ReadCount_SLE4442", 3);
  v.load(CardType::Sle4442);
  v.edit();
  v.key(kNext);
  EXPECT_EQ(drv.count("IC_ReadCount_SLE4442"), 1);
  EXPECT_EQ(v.ui.window.screen.visibleText(60, 90), "错误计数：3");
  EXPECT_EQ(v.ui.window.screen.textAt(60, 90)->fg, colour::red);
  EXPECT_EQ(v.ui.window.screen.visibleText(33, 32), "") << "the grid is blanked";
  EXPECT_FALSE(v.ui.window.caretVisible);
  // The grid is hidden: typing, a click on a cell and Space change nothing.
  const port::Point cell = memview::pointOf(v.st, {false, 9, 14, false});
  v.click(cell.x, cell.y);
  v.type("f4");
  v.key(port::vk::kSpace);
  EXPECT_FALSE(v.ui.window.caretVisible);
  EXPECT_TRUE(v.rows().empty());
  EXPECT_EQ(v.st.protect4442, v.st.protect4442Saved);
  v.key(kPrior);
  EXPECT_EQ(v.ui.window.screen.visibleText(60, 90), "");
  EXPECT_EQ(v.hexCell(0)->text, "ff");
  EXPECT_EQ(v.doc.byteAt(158), 0xFF);
  EXPECT_EQ(v.ui.window.caret, (port::Point{33, 32})) << "the caret is where it was before the page";
  EXPECT_TRUE(v.ui.window.caretVisible) << "the grid is back, and so is the caret";
}

TEST_F(EditorTest, PageUpBeforeAReadDoesNotShowTheEmptyImage) {
  v.st.cardType = CardType::Sle4442;
  v.key(kPrior);
  EXPECT_EQ(v.st.gridShown, 0);
  v.edit();
  EXPECT_EQ(v.st.editActive, 0);
}

TEST_F(EditorTest, ErrorCounterOfTheSle4428ShowsNegativeResults) {
  drv.setDefault("IC_ReadCount_SLE4428", -2);
  v.load(CardType::Sle4428);
  v.key(kNext, 4);
  EXPECT_EQ(v.st.currentPage, 3);
  EXPECT_EQ(v.ui.window.screen.visibleText(60, 90), "错误计数：-2");
}

}  // namespace
}  // namespace memview_test
