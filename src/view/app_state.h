// The process-wide application state: one record, alive for the whole run.
#pragma once

#include <array>
#include <cstdint>

#include "platform/ports.h"

struct AppState {
  int readerHandle = 0;  // 0 = no reader open
  int port = -1;         // 0..3 = COM1..COM4, 100 = USB, -1 = none
  int cardType = -1;     // card type code, -1 = none chosen
  int cpuProtocol = -1;  // 0 = T=0, 1 = T=1, other = not determined
  // 100 = first paint not yet done; 50 = no card data shown; 1 = no card;
  // 2 = card image holds card data; 3 = reader status error; 4 = read failed.
  int viewState = 100;
  int detectResult = 4;  // outcome word of the auto-detection
  int byteCount = 0;
  int pageCount = 0;
  int currentPage = 0;
  int gridShown = 0;
  int zoneIndex = 0;   // AT88SC1608 zone (8 = configuration) / AT45D041 page
  int blockIndex = 0;  // SSF1101 block
  int editActive = 0;
  int caretInAscii = 0;
  int caretRow = 0;
  int caretCol = 0;
  int charWidth = 9;
  int lineHeight = 15;
  // SLE4442 protection flags of bytes 0..31: 0 = protected, 1 = writable.
  std::array<std::uint8_t, 32> protect4442{};
  std::array<std::uint8_t, 32> protect4442Saved{};
  // SLE4428, one buffer per 256-byte page: 256 data bytes, then one flag
  // byte per data byte (0 = protected or marked, non-zero = writable).
  std::array<std::array<std::uint8_t, 512>, 4> pages4428{};
  std::array<std::array<std::uint8_t, 512>, 4> pages4428Saved{};
};

// Whether the last read found an SLE4442 or SLE4428 byte write-protected on
// the card: it can never be written again.
inline bool protectedOnCard(const AppState& st, int address) {
  if (st.cardType == 17 && address >= 0 && address < 32) {
    return st.protect4442Saved[static_cast<std::size_t>(address)] == 0;
  }
  if (st.cardType == 5 && address >= 0 && address < 1024) {
    return st.pages4428Saved[static_cast<std::size_t>(address / 256)]
                            [static_cast<std::size_t>(256 + address % 256)] == 0;
  }
  return false;
}

// The view's fixed drawing points.
namespace layout {
inline constexpr port::Point hexOrigin{33, 32};
inline constexpr port::Point asciiOrigin{475, 32};
inline constexpr port::Point cardNamePos{218, 301};
inline constexpr port::Point decimalAddressPos{425, 301};
inline constexpr port::Point hexAddressPos{533, 301};
inline constexpr port::Point portNamePos{220, 332};
inline constexpr port::Point zoneNamePos{425, 332};
inline constexpr port::Point pageNumberPos{565, 332};
inline constexpr port::Point pageTotalPos{589, 332};
inline constexpr port::Point pageSlashPos{583, 332};
inline constexpr port::Point statusLine1Pos{12, 296};
inline constexpr port::Point statusLine2Pos{12, 316};
inline constexpr port::Point statusLine3Pos{12, 336};
// The quit button of the background picture: left/top inclusive,
// right/bottom exclusive.
inline constexpr port::Point exitHotspotTopLeft{478, 381};
inline constexpr port::Point exitHotspotBottomRight{630, 425};
}  // namespace layout

// Colours of the view.
namespace colour {
inline constexpr port::Colour panelGrey = port::rgb(192, 192, 192);
inline constexpr port::Colour navy = port::rgb(0, 0, 128);
inline constexpr port::Colour red = port::rgb(255, 0, 0);
inline constexpr port::Colour black = port::rgb(0, 0, 0);
inline constexpr port::Colour white = port::rgb(255, 255, 255);
inline constexpr port::Colour yellow = port::rgb(255, 255, 0);
inline constexpr port::Colour green = port::rgb(0, 255, 0);
inline constexpr port::Colour cyan = port::rgb(0, 255, 255);
inline constexpr port::Colour blue = port::rgb(0, 0, 255);
inline constexpr port::Colour magenta = port::rgb(255, 0, 255);
inline constexpr port::Colour maroon = port::rgb(128, 0, 0);
}  // namespace colour
