// The view's drawing operations. Command handlers call them to draw at once
// on the window; the paint handler calls them on its off-screen surface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ports.h"

struct AppState;
class CDemoDoc;
class CardCatalogue;

class ViewPainter {
 public:
  ViewPainter(AppState& st, CDemoDoc& doc, CardCatalogue& catalogue, port::ViewWindow& window);

  // The surface drawn on: the window's, or another one while a paint runs.
  port::Surface& target();
  void setTarget(port::Surface* s);  // nullptr: back to the window

  // The full paint handler's drawing, in order (background, grid, captions,
  // page total, caret information). Returns after the blank grid when
  // `firstPaint` is set.
  void paintAll(bool firstPaint);

  // "000" / "00" navy on navy in every cell of both grids.
  void drawBlankGrid();
  // The current page of the card image, in zone and protection colours.
  void drawGrid();
  // Caret address, zone and the page number.
  void drawCaretInfo();
  void drawPortName(int port);
  void drawCardCaption(int code);
  // Page total and "/" (the drawing part of capacityFor).
  void drawPageTotal();
  // Status lines 1..3: black on panel grey / panel grey on panel grey.
  void showStatus(int line, std::string_view text);
  void eraseStatus(int line, std::string_view text);

  // One cell of the grids for a card address on the current page, in the
  // given colour on navy (fixed font). Draws nothing outside the page.
  void drawCell(int address, port::Colour colour);
  // Colour of a card byte for the current card type (protection marks
  // first, then the memory map's zone, white outside every zone).
  port::Colour byteColour(int address);
  // The text a card byte shows in the character grid: "" for 0, the
  // printable ASCII character, "." for anything else.
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
void capacityFor(AppState& st, ViewPainter& painter, int code);
