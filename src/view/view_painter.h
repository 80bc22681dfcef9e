// The view's drawing operations. Command handlers call them to draw at once
// on the window; the paint handler calls them on its off-screen surface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cards/palette.h"
#include "platform/ports.h"
#include "view/painter_layout.h"
#include "cards/card_types.h"
#include "reader/reader_port.h"

struct AppState;
struct CardImageState;
class CDemoDoc;
class CardCatalogue;

class ViewPainter {
 public:
  ViewPainter(AppState& st, CDemoDoc& doc, CardCatalogue& catalogue, port::ViewWindow& window);

  // The surface drawn on: the window's, or another one while a paint runs.
  port::Surface& target();
  void setTarget(port::Surface* s);  // nullptr: back to the window

  // The full paint handler's drawing, in order (background, grid, captions,
  // page total, caret information; then detectResult := Undetermined). Returns after
  // the grid when `firstPaint` is set. The page total is recomputed as
  // capacityFor does, but currentPage stays: a repaint keeps the page shown.
  // The status area is not redrawn (the background covers it).
  void paintAll(bool firstPaint);

  // "000" / "00" navy on navy in every cell of both grids, in the grids'
  // fixed font so the blank covers exactly what drawGrid draws.
  void drawBlankGrid();
  // The current page of the card image, in zone and protection colours.
  void drawGrid();
  // Caret address, zone and the page number.
  void drawCaretInfo();
  void drawPortName(ReaderPort port);
  void drawCardCaption(CardType code);
  // Page total and "/" (the drawing part of capacityFor).
  void drawPageTotal();
  // Status lines 1..3: black on panel grey / panel grey on panel grey.
  void showStatus(int line, std::string_view text);
  void eraseStatus(int line, std::string_view text);

  // One cell of the grids for a card address on the current page, in the
  // given colour on navy (fixed font). Draws nothing outside the page. A
  // byte 0 blanks its character cell, so no earlier character stays.
  void drawCell(int address, port::Colour colour);
  // Colour of a card byte for the current card type (protection marks
  // first, then the memory map's zone, white outside every zone).
  port::Colour byteColour(int address);
  // The text a card byte shows in the character grid: "" for 0 (the navy
  // blank stays), the character for printable ASCII 0x20..0x7E, "." for
  // control bytes and for 0x80 and above. Raw card bytes never reach the
  // drawing port (which takes UTF-8); every place that draws a byte as a
  // character uses this.
  static std::string charText(std::uint8_t byte);

  // Plain text at a point (used by the few handlers that draw elsewhere).
  void text(port::Point p, std::string_view s, port::Colour fg, port::Colour bg,
            port::Font font = port::Font::Default);

 private:
  AppState& st_;
  CDemoDoc& doc_;
  CardCatalogue& catalogue_;
  port::ViewWindow& window_;
  port::Surface* target_ = nullptr;
};

// Sets byteCount, pageCount and currentPage = 0 for a card type and redraws
// the page total.
void capacityFor(CardImageState& st, ViewPainter& painter, CardType code);
