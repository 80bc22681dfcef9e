#include "view/view_painter.h"

#include <gtest/gtest.h>

#include "cards/card_catalogue.h"
#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "support/enum_print.h"
#include "view/app_state.h"

namespace {

port::Point hexCell(int i) { return {33 + (i % 16) * 27, 32 + (i / 16) * 15}; }
port::Point charCell(int i) { return {475 + (i % 16) * 9, 32 + (i / 16) * 15}; }

class Painter : public ::testing::Test {
 protected:
  fake::FakeUi ui;
  AppState st;
  CDemoDoc doc;
  CardCatalogue cat;
  ViewPainter painter{st, doc, cat, ui.window};
  fake::ScreenModel& screen = ui.window.screen;

  void card(CardType code, int bytes) {
    st.cardType = code;
    st.byteCount = bytes;
    st.pageCount = pageCountFor(bytes);
    for (int a = 0; a < bytes && a < CDemoDoc::kCells; ++a) doc.setByte(a, static_cast<std::uint8_t>('A' + a % 26));
  }
  const fake::DrawnText& hexAt(int i) {
    const fake::DrawnText* t = screen.textAt(hexCell(i).x, hexCell(i).y);
    EXPECT_NE(t, nullptr) << "nothing at hex cell " << i;
    static const fake::DrawnText none;
    return t != nullptr ? *t : none;
  }
  std::string visibleHex(int i) { return screen.visibleText(hexCell(i).x, hexCell(i).y); }
  std::string visibleChar(int i) { return screen.visibleText(charCell(i).x, charCell(i).y); }
  void caretAt(int column, int row, bool ascii) {
    st.editActive = 1;
    st.caretInAscii = ascii ? 1 : 0;
    st.caretRow = row;
    st.caretCol = column;
    ui.window.setCaretPos(ascii ? charCell(row * 16 + column) : hexCell(row * 16 + column));
  }
};

TEST_F(Painter, BlankGridIsNavyOnNavyInTheFixedFont) {
  painter.drawBlankGrid();
  for (int i : {0, 15, 16, 255}) {
    EXPECT_EQ(screen.textAt(hexCell(i).x, hexCell(i).y)->text, "000");
    EXPECT_EQ(screen.textAt(charCell(i).x, charCell(i).y)->text, "00");
    EXPECT_EQ(visibleHex(i), "");
    EXPECT_EQ(screen.textAt(hexCell(i).x, hexCell(i).y)->font, port::Font::FixedSystem);
  }
}

TEST_F(Painter, GridUsesTheZoneColoursOfTheMap) {
  card(CardType::At88sc1604, 2007);
  st.currentPage = 4;  // addresses 1024..1279
  painter.drawGrid();
  EXPECT_EQ(st.gridShown, 1);
  EXPECT_EQ(hexAt(1221 - 1024).fg, colour::cyan);
  EXPECT_EQ(hexAt(1222 - 1024).fg, colour::yellow);
  EXPECT_EQ(hexAt(1224 - 1024).fg, colour::blue);
  EXPECT_EQ(hexAt(1226 - 1024).fg, colour::red);
  EXPECT_EQ(hexAt(1226 - 1024).bg, colour::navy);
  EXPECT_EQ(hexAt(1226 - 1024).font, port::Font::FixedSystem);
  const fake::DrawnText* ch = screen.textAt(charCell(200).x, charCell(200).y);
  ASSERT_NE(ch, nullptr);
  EXPECT_EQ(ch->fg, colour::blue);  // the character grid shares the colours
  EXPECT_EQ(visibleHex(0), doc.hexCells[1024].data());
}

TEST_F(Painter, GridOfTheLastPageStopsAtTheByteCount) {
  card(CardType::At88sc1604, 2007);
  st.currentPage = 7;  // 1792..2006: 215 bytes
  painter.drawGrid();
  EXPECT_NE(visibleHex(214), "");
  EXPECT_EQ(hexAt(2005 - 1792).fg, colour::yellow);  // 测试区
  EXPECT_EQ(visibleHex(215), "");
  EXPECT_EQ(visibleChar(215), "");
}

TEST_F(Painter, Sle4404ShowsThreeRowsAndFourBytes) {
  card(CardType::Sle4404, 52);
  painter.drawGrid();
  for (int i = 0; i < 52; ++i) EXPECT_NE(visibleHex(i), "") << i;
  for (int i = 52; i < 256; ++i) EXPECT_EQ(visibleHex(i), "") << i;
  EXPECT_EQ(visibleChar(51), std::string(1, static_cast<char>('A' + 51 % 26)));
  EXPECT_EQ(visibleChar(52), "");
}

TEST_F(Painter, Sle4442ProtectionColours) {
  card(CardType::Sle4442, 256);
  st.protect4442.fill(1);
  st.protect4442[0] = 0;
  st.protect4442[5] = 0;
  st.protect4442[7] = 2;  // neither flag value: the zone colour
  painter.drawGrid();
  EXPECT_EQ(hexAt(0).fg, colour::red);
  EXPECT_EQ(hexAt(5).fg, colour::red);
  EXPECT_EQ(hexAt(6).fg, colour::yellow);
  EXPECT_EQ(hexAt(7).fg, colour::yellow);  // 保护数据 is yellow too
  EXPECT_EQ(hexAt(31).fg, colour::yellow);
  EXPECT_EQ(hexAt(32).fg, colour::white);
}

TEST_F(Painter, Sle4428FlagByteZeroIsProtected) {
  card(CardType::Sle4428, 1024);
  for (auto& page : st.pages4428) std::fill(page.begin() + 256, page.end(), std::uint8_t{1});
  st.pages4428[2][256 + 10] = 0;
  st.pages4428[2][256 + 11] = '0';  // the character "0" is a non-zero flag: writable
  st.currentPage = 2;
  painter.drawGrid();
  EXPECT_EQ(hexAt(10).fg, colour::red);
  EXPECT_EQ(hexAt(11).fg, colour::yellow);
  EXPECT_EQ(hexAt(12).fg, colour::yellow);
  // Another page's flags do not leak into this one.
  st.currentPage = 0;
  painter.drawGrid();
  EXPECT_EQ(hexAt(10).fg, colour::yellow);
}

TEST_F(Painter, TypeWithoutMapIsWhite) {
  card(CardType::Sle4406, 1024);
  painter.drawGrid();
  EXPECT_EQ(hexAt(0).fg, colour::white);
  EXPECT_EQ(hexAt(255).fg, colour::white);
}

TEST_F(Painter, The1608GridFollowsTheZoneIndex) {
  card(CardType::At88sc1608, 128);
  st.zoneIndex = 8;
  painter.drawGrid();
  EXPECT_EQ(hexAt(0).fg, colour::maroon);
  EXPECT_EQ(hexAt(64).fg, colour::red);
  st.zoneIndex = 2;
  painter.drawGrid();
  EXPECT_EQ(hexAt(64).fg, colour::white);
}

TEST_F(Painter, CharacterGridTexts) {
  card(CardType::At24c02, 256);
  doc.setByte(0, 0);
  doc.setByte(1, 'z');
  doc.setByte(2, 0x1F);
  doc.setByte(3, 0x80);
  doc.setByte(4, 0xFF);
  doc.setByte(5, ' ');
  doc.setByte(6, 0x7F);
  painter.drawGrid();
  // Byte 0 draws nothing: the navy blank stays.
  EXPECT_EQ(screen.textAt(charCell(0).x, charCell(0).y)->text, "00");
  EXPECT_EQ(visibleChar(0), "");
  EXPECT_EQ(visibleHex(0), "00");
  EXPECT_EQ(visibleChar(1), "z");
  EXPECT_EQ(visibleChar(2), ".");
  EXPECT_EQ(visibleChar(3), ".");  // never a stray UTF-8 lead byte
  EXPECT_EQ(visibleChar(4), ".");
  EXPECT_EQ(visibleChar(5), " ");
  EXPECT_EQ(visibleChar(6), ".");
  EXPECT_EQ(visibleHex(4), "ff");
}

TEST_F(Painter, DrawCellRedrawsOneByteAndBlanksAZeroCharacter) {
  card(CardType::At24c02, 256);
  st.currentPage = 0;
  painter.drawGrid();
  doc.setByte(17, 0);
  painter.drawCell(17, colour::green);
  EXPECT_EQ(visibleHex(17), "00");
  EXPECT_EQ(hexAt(17).fg, colour::green);
  EXPECT_EQ(visibleChar(17), "");  // the old letter is gone
}

TEST_F(Painter, DrawCellOutsideThePageDrawsNothing) {
  card(CardType::At24c04, 512);
  st.currentPage = 1;
  ui.log.clear();
  painter.drawCell(255, colour::green);
  painter.drawCell(512, colour::green);
  painter.drawCell(-1, colour::green);
  EXPECT_TRUE(ui.log.events.empty()) << ui.log.dump();
  painter.drawCell(256, colour::green);
  EXPECT_EQ(visibleHex(0), doc.hexCells[256].data());
}

struct CaretCase {
  CardType code;
  int page;
  int column, row;
  bool ascii;
  int zoneIndex, blockIndex;
  const char* decimal;
  const char* hex;
  const char* zone;
};

TEST_F(Painter, CaretInformation) {
  const CaretCase cases[] = {
      {CardType::At88sc1608, 0, 5, 0, false, 8, 0, "5 IN 8", "05H", "标识代码"},
      {CardType::At88sc1608, 0, 0, 4, false, 8, 0, "64 IN 8", "040H", "密码区域"},
      {CardType::At88sc1608, 0, 0, 0, false, 3, 0, "0 IN 3", "00H", "数据区域"},
      {CardType::At45d041, 1, 2, 0, true, 6, 0, "258 IN 6", "0102H", "数据区域"},
      {CardType::Ssf1101, 0, 1, 1, false, 0, 2, "17 IN 2", "011H", "数据区域"},
      {CardType::At24c02, 0, 10, 1, false, 0, 0, "26", "01AH", "数据区域"},
      {CardType::Cpu, 0, 3, 0, false, 0, 0, "3", "03H", "末知区域"},
      {CardType::At88sc102, 0, 2, 11, true, 0, 0, "178", "0B2H", "末知区域"},
      {CardType::At88sc1604b, 2, 29 % 16, 1, false, 0, 0, "541", "021DH", " "},  // 1604B, hex area: a blank
      {CardType::At88sc1604b, 2, 29 % 16, 1, true, 0, 0, "541", "021DH",
       "错误计数"},  // character area: the name
      {CardType::At88sc1604b, 7, 15, 15, false, 0, 0, "2047", "07FFH",
       "末知区域"},  // no zone: still the text
      {CardType::At88sc1604, 4, 8, 12, false, 0, 0, "1224", "04C8H", "擦除密码"},
  };
  for (const CaretCase& c : cases) {
    SCOPED_TRACE(std::to_string(codeOf(c.code)) + " " + c.decimal);
    st.cardType = c.code;
    st.currentPage = c.page;
    st.zoneIndex = c.zoneIndex;
    st.blockIndex = c.blockIndex;
    caretAt(c.column, c.row, c.ascii);
    painter.drawCaretInfo();
    EXPECT_EQ(screen.visibleText(425, 301), c.decimal);
    EXPECT_EQ(screen.visibleText(533, 301), c.hex);
    EXPECT_EQ(screen.textAt(425, 332)->text, c.zone);
    EXPECT_EQ(screen.textAt(425, 332)->fg, colour::red);
    EXPECT_EQ(screen.visibleText(565, 332), std::to_string(c.page + 1));
  }
}

TEST_F(Painter, CaretInformationOutsideEditingErasesAndShowsOnlyThePage) {
  st.cardType = CardType::At24c02;
  caretAt(3, 3, false);
  painter.drawCaretInfo();
  ASSERT_EQ(screen.visibleText(425, 301), "51");
  st.editActive = 0;
  st.currentPage = 2;
  painter.drawCaretInfo();
  EXPECT_EQ(screen.visibleText(425, 301), "");
  EXPECT_EQ(screen.textAt(425, 301)->text, "0000000000");
  EXPECT_EQ(screen.visibleText(533, 301), "");
  EXPECT_EQ(screen.visibleText(425, 332), "");
  EXPECT_EQ(screen.visibleText(565, 332), "3");
}

TEST_F(Painter, PortNames) {
  const std::pair<ReaderPort, const char*> cases[] = {
      {ReaderPort::Com1, "COM1"}, {ReaderPort::Com4, "COM4"}, {ReaderPort::Usb, "USB "}};
  for (auto [port, name] : cases) {
    painter.drawPortName(port);
    EXPECT_EQ(screen.visibleText(220, 332), name);
    EXPECT_EQ(screen.textAt(220, 332)->fg, colour::red);
    EXPECT_EQ(screen.textAt(220, 332)->bg, colour::panelGrey);
  }
  screen.clear();
  for (int port : {-1, 4, 99}) painter.drawPortName(static_cast<ReaderPort>(port));
  EXPECT_TRUE(screen.at.empty());
}

TEST_F(Painter, CardCaptionErasesThenDraws) {
  st.cpuProtocol = CpuProtocol::T1;
  painter.drawCardCaption(CardType::Cpu);
  const auto texts = ui.log.of(fake::Event::Kind::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "PUSHOUTTT");
  EXPECT_EQ(texts[0].fg, colour::panelGrey);
  EXPECT_EQ(texts[0].bg, colour::panelGrey);
  EXPECT_EQ(texts[1].text, "CPU T=1");
  EXPECT_EQ(texts[1].fg, colour::red);
  EXPECT_EQ(texts[1].x, 218);
  EXPECT_EQ(texts[1].y, 301);
  painter.drawCardCaption(static_cast<CardType>(77));
  EXPECT_EQ(screen.visibleText(218, 301), "未知卡型");
}

TEST_F(Painter, PageIndicatorOfAFourPageCard) {
  capacityFor(st, painter, CardType::At24c08);
  painter.drawCaretInfo();
  EXPECT_EQ(screen.visibleText(565, 332), "1");
  EXPECT_EQ(screen.visibleText(583, 332), "/");
  EXPECT_EQ(screen.visibleText(589, 332), "4");
}

TEST_F(Painter, StatusTextsDrawnAndErased) {
  painter.showStatus(1, "正在读数据");
  painter.showStatus(2, " 请稍等.......");
  painter.showStatus(3, "SPA: 加保护");
  EXPECT_EQ(screen.visibleText(12, 296), "正在读数据");
  EXPECT_EQ(screen.visibleText(12, 316), " 请稍等.......");
  EXPECT_EQ(screen.visibleText(12, 336), "SPA: 加保护");
  EXPECT_EQ(screen.textAt(12, 296)->fg, colour::black);
  EXPECT_EQ(screen.textAt(12, 296)->font, port::Font::Default);
  painter.eraseStatus(1, "正在读数据");
  EXPECT_EQ(screen.visibleText(12, 296), "");
  EXPECT_EQ(screen.textAt(12, 296)->text, "正在读数据");
  EXPECT_EQ(screen.visibleText(12, 316), " 请稍等.......");
  // Lines other than 1..3 draw nothing.
  ui.log.clear();
  painter.showStatus(0, "x");
  painter.showStatus(4, "x");
  EXPECT_TRUE(ui.log.events.empty());
}

TEST_F(Painter, TargetSwitchesToAnotherSurfaceAndBack) {
  fake::ScreenModel offscreenScreen;
  fake::FakeSurface offscreen(offscreenScreen, ui.log);
  painter.setTarget(&offscreen);
  painter.showStatus(2, "读卡成功");
  painter.setTarget(nullptr);
  EXPECT_EQ(offscreenScreen.visibleText(12, 316), "读卡成功");
  EXPECT_EQ(screen.visibleText(12, 316), "");
  painter.showStatus(2, "x");
  EXPECT_EQ(screen.visibleText(12, 316), "x");
}

}  // namespace
