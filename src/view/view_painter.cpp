#include "view/view_painter.h"

#include <algorithm>
#include <cstdio>

#include "cards/card_catalogue.h"
#include "memview/demo_doc.h"
#include "memview/image_guard.h"
#include "view/app_state.h"

namespace {

constexpr int kCellsPerPage = 256;
constexpr int kCellsPerRow = 16;

// Erasing texts: drawn panel grey on panel grey over what may stand there.
constexpr const char* kEraseDecimal = "0000000000";
constexpr const char* kEraseHex = "00000000";
constexpr const char* kEraseZone = "00000000";
constexpr const char* kEraseNumber = "00";
// The caption's erasing text is "PUSHOUTTT" and a closing 0 character in the
// resource's wording; the 0 character has no glyph, so the nine visible
// letters are what gets drawn.
constexpr const char* kEraseCaption = "PUSHOUTTT";
constexpr const char* kUnknownZone = "末知区域";

std::string format(const char* fmt, int a) {
  char buf[32];
  std::snprintf(buf, sizeof buf, fmt, a);
  return buf;
}

std::string format(const char* fmt, int a, int b) {
  char buf[48];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

}  // namespace

ViewPainter::ViewPainter(AppState& st, CDemoDoc& doc, CardCatalogue& catalogue, port::ViewWindow& window)
    : st_(st), doc_(doc), catalogue_(catalogue), window_(window) {}

port::Surface& ViewPainter::target() { return target_ != nullptr ? *target_ : window_.surface(); }

void ViewPainter::setTarget(port::Surface* s) { target_ = s; }

void ViewPainter::text(port::Point p, std::string_view s, port::Colour fg, port::Colour bg, port::Font font) {
  target().drawText(p.x, p.y, s, fg, bg, font);
}

void ViewPainter::paintAll(bool firstPaint) {
  target().drawBackground();
  if (st_.viewState == ViewState::CardData) {
    drawGrid();
  } else {
    drawBlankGrid();
  }
  if (firstPaint) return;
  drawPortName(st_.port);
  drawCardCaption(st_.cardType);
  // The page total as capacityFor draws it, but the page shown stays: the
  // grid above was drawn for currentPage, and the page number and later
  // navigation must keep referring to it.
  st_.byteCount = byteCountFor(st_.cardType, st_.zoneIndex, st_.byteCount);
  st_.pageCount = pageCountFor(st_.byteCount);
  drawPageTotal();
  drawCaretInfo();
  st_.detectResult = DetectResult::Undetermined;
}

namespace {
port::Point hexCell(const EditorState& st, int i) {
  return {layout::hexOrigin.x + (i % kCellsPerRow) * 3 * st.charWidth,
          layout::hexOrigin.y + (i / kCellsPerRow) * st.lineHeight};
}
port::Point charCell(const EditorState& st, int i) {
  return {layout::asciiOrigin.x + (i % kCellsPerRow) * st.charWidth,
          layout::asciiOrigin.y + (i / kCellsPerRow) * st.lineHeight};
}
}  // namespace

void ViewPainter::drawBlankGrid() {
  for (int i = 0; i < kCellsPerPage; ++i) {
    text(hexCell(st_, i), "000", colour::navy, colour::navy, port::Font::FixedSystem);
  }
  for (int i = 0; i < kCellsPerPage; ++i) {
    text(charCell(st_, i), "00", colour::navy, colour::navy, port::Font::FixedSystem);
  }
}

void ViewPainter::drawGrid() {
  st_.gridShown = 1;
  drawBlankGrid();
  const int base = st_.currentPage * kCellsPerPage;
  const int end = std::min(base + kCellsPerPage, std::min(st_.byteCount, CDemoDoc::kCells));
  for (int a = base; a < end; ++a) {
    const auto& cell = doc_.hexCells[static_cast<std::size_t>(a)];
    text(hexCell(st_, a - base), std::string_view(cell.data(), 2), byteColour(a), colour::navy,
         port::Font::FixedSystem);
  }
  for (int a = base; a < end; ++a) {
    const std::string c = charText(doc_.byteAt(a));
    if (c.empty()) continue;  // byte 0: the blank stays
    text(charCell(st_, a - base), c, byteColour(a), colour::navy, port::Font::FixedSystem);
  }
}

void ViewPainter::drawCell(int address, port::Colour colour) {
  const int base = st_.currentPage * kCellsPerPage;
  if (address < base || address >= base + kCellsPerPage || address >= CDemoDoc::kCells) return;
  const int i = address - base;
  const auto& cell = doc_.hexCells[static_cast<std::size_t>(address)];
  text(hexCell(st_, i), std::string_view(cell.data(), 2), colour, colour::navy, port::Font::FixedSystem);
  const std::string c = charText(doc_.byteAt(address));
  if (c.empty()) {
    // The cell may show the byte it held before: blank it.
    text(charCell(st_, i), "00", colour::navy, colour::navy, port::Font::FixedSystem);
  } else {
    text(charCell(st_, i), c, colour, colour::navy, port::Font::FixedSystem);
  }
}

port::Colour ViewPainter::byteColour(int address) {
  // A protected or marked byte shows its mark; a byte not on the card yet
  // shows that before its zone.
  const bool pending = memview::isPendingByte(doc_, address);
  if (st_.cardType == CardType::Sle4428 && address >= 0 && address < 1024) {
    // SLE4428: the flag byte after the page's 256 data bytes.
    const auto& page = st_.pages4428[static_cast<std::size_t>(address / kCellsPerPage)];
    if (page[static_cast<std::size_t>(kCellsPerPage + address % kCellsPerPage)] == kProtectedFlag) return colour::red;
    return pending ? colour::pendingOrange : colour::yellow;
  }
  if (st_.cardType == CardType::Sle4442 && address >= 0 && address < 32) {
    const std::uint8_t flag = st_.protect4442[static_cast<std::size_t>(address)];
    if (flag == kProtectedFlag) return colour::red;
    if (pending) return colour::pendingOrange;
    if (flag == kWritableFlag) return colour::yellow;
  }
  if (pending) return colour::pendingOrange;
  catalogue_.build1608Map(st_.zoneIndex);
  const ZoneEntry* z = CardCatalogue::zoneOf(catalogue_.findDescriptor(st_.cardType), address);
  return z != nullptr ? z->colour : colour::white;
}

std::string ViewPainter::charText(std::uint8_t byte) {
  if (byte == 0) return "";
  if (byte >= 0x20 && byte <= 0x7E) return std::string(1, static_cast<char>(byte));
  return ".";
}

void ViewPainter::drawCaretInfo() {
  const port::Colour grey = colour::panelGrey;
  text(layout::decimalAddressPos, kEraseDecimal, grey, grey);
  text(layout::hexAddressPos, kEraseHex, grey, grey);
  text(layout::zoneNamePos, kEraseZone, grey, grey);
  if (st_.editActive == 1) {
    // The caret's cell as the program keeps it: the window's caret may be
    // another window's by now.
    const int address = st_.currentPage * kCellsPerPage + st_.caretRow * kCellsPerRow + st_.caretCol;

    std::string decimal;
    if (st_.cardType == CardType::At45d041 || st_.cardType == CardType::At88sc1608) {
      decimal = format("%d IN %d", address, st_.zoneIndex);
    } else if (st_.cardType == CardType::Ssf1101) {
      decimal = format("%d IN %d", address, st_.blockIndex);
    } else {
      decimal = format("%d", address);
    }
    text(layout::decimalAddressPos, decimal, colour::red, grey);
    text(layout::hexAddressPos, format("0%XH", address), colour::red, grey);

    catalogue_.build1608Map(st_.zoneIndex);
    const ZoneEntry* z = CardCatalogue::zoneOf(catalogue_.findDescriptor(st_.cardType), address);
    // The AT88SC1604B shows a found zone as a blank while the caret is in
    // the hexadecimal area.
    const char* zone = z != nullptr ? z->name : kUnknownZone;
    if (z != nullptr && st_.cardType == CardType::At88sc1604b && st_.caretInAscii == 0) zone = " ";
    text(layout::zoneNamePos, zone, colour::red, grey);
  }
  text(layout::pageNumberPos, kEraseNumber, grey, grey);
  text(layout::pageNumberPos, format("%d", st_.currentPage + 1), colour::red, grey);
}

void ViewPainter::drawPortName(ReaderPort port) {
  std::string name;
  if (codeOf(port) >= codeOf(ReaderPort::Com1) && codeOf(port) <= codeOf(ReaderPort::Com4)) {
    name = format("COM%d", codeOf(port) + 1);
  } else if (port == ReaderPort::Usb) {
    name = "USB ";
  } else {
    return;
  }
  text(layout::portNamePos, name, colour::red, colour::panelGrey);
}

void ViewPainter::drawCardCaption(CardType code) {
  text(layout::cardNamePos, kEraseCaption, colour::panelGrey, colour::panelGrey);
  text(layout::cardNamePos, captionFor(code, st_.cpuProtocol), colour::red, colour::panelGrey);
}

void ViewPainter::drawPageTotal() {
  text(layout::pageTotalPos, kEraseNumber, colour::panelGrey, colour::panelGrey);
  text(layout::pageTotalPos, format("%d", st_.pageCount), colour::red, colour::panelGrey);
  text(layout::pageSlashPos, "/", colour::red, colour::panelGrey);
}

namespace {
const port::Point* statusLine(int line) {
  switch (line) {
    case 1: return &layout::statusLine1Pos;
    case 2: return &layout::statusLine2Pos;
    case 3: return &layout::statusLine3Pos;
    default: return nullptr;
  }
}
}  // namespace

void ViewPainter::showStatus(int line, std::string_view s) {
  if (const port::Point* p = statusLine(line)) text(*p, s, colour::black, colour::panelGrey);
}

void ViewPainter::eraseStatus(int line, std::string_view s) {
  if (const port::Point* p = statusLine(line)) text(*p, s, colour::panelGrey, colour::panelGrey);
}

void capacityFor(CardImageState& st, ViewPainter& painter, CardType code) {
  st.byteCount = byteCountFor(code, st.zoneIndex, st.byteCount);
  st.pageCount = pageCountFor(st.byteCount);
  st.currentPage = 0;
  painter.drawPageTotal();
}
