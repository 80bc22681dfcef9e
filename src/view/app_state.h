// The process-wide application state: one record, alive for the whole run.
#pragma once

#include <array>
#include <cstdint>

#include "platform/ports.h"
#include "cards/card_types.h"
#include "cards/palette.h"
#include "cards/protection_flags.h"
#include "reader/reader_port.h"

// What the view shows.
enum class ViewState : int {
  FirstPaintPending = 100,  // the first paint, which starts the detection, has not happened
  NoCardData = 50,          // a card type was chosen; nothing of its card is shown
  NoCard = 1,               // the last read found no card
  CardData = 2,             // the card image holds the card's data
  StatusError = 3,          // the reader's status call failed
  ReadFailed = 4,
};

// The outcome word of the card type detection.
enum class DetectResult : int {
  Found = 0,         // a probe identified the card
  NoCard = 1,        // no card in the reader
  ReaderFailed = 2,  // the reader connection failed
  Undetermined = 4,  // nothing determined yet, or since the last repaint or failed read
  Unknown = 100,     // a probe's card type or read was refused; also once an outcome is shown
};

struct AppState {
  int readerHandle = 0;  // 0 = no reader open
  ReaderPort port = ReaderPort::None;
  CardType cardType = CardType::None;
  CpuProtocol cpuProtocol = CpuProtocol::Undetermined;
  ViewState viewState = ViewState::FirstPaintPending;
  DetectResult detectResult = DetectResult::Undetermined;
  int byteCount = 0;
  int pageCount = 0;
  int currentPage = 0;
  int gridShown = 0;
  int zoneIndex = 0;   // AT88SC1608 zone (8 = configuration) / AT45D041 page
  int blockIndex = 0;  // SSF1101 block
  int editActive = 0;
  int caretInAscii = 0;
  // The caret's cell in edit mode: the program's own record, never read
  // back from the window (another window's caret replaces it).
  int caretRow = 0;
  int caretCol = 0;
  bool caretOnLowDigit = false;  // hexadecimal area: on the second digit
  int charWidth = 9;
  int lineHeight = 15;
  // What the card image holds: set by a successful read, cleared by
  // anything that makes it another card's, zone's, page's or block's.
  struct ImageSource {
    bool valid = false;
    CardType cardType = CardType::None;
    int zoneIndex = 0;
    int blockIndex = 0;
  };
  ImageSource imageSource;
  // SLE4442 protection flags of bytes 0..31 (kProtectedFlag, kWritableFlag).
  std::array<std::uint8_t, 32> protect4442{};
  std::array<std::uint8_t, 32> protect4442Saved{};
  // SLE4428, one buffer per 256-byte page: 256 data bytes, then one flag
  // byte per data byte.
  std::array<std::array<std::uint8_t, 512>, 4> pages4428{};
  std::array<std::array<std::uint8_t, 512>, 4> pages4428Saved{};
};

// Whether the last read found an SLE4442 or SLE4428 byte write-protected on
// the card: it can never be written again.
inline bool protectedOnCard(const AppState& st, int address) {
  if (st.cardType == CardType::Sle4442 && address >= 0 && address < 32) {
    return st.protect4442Saved[static_cast<std::size_t>(address)] == kProtectedFlag;
  }
  if (st.cardType == CardType::Sle4428 && address >= 0 && address < 1024) {
    return st.pages4428Saved[static_cast<std::size_t>(address / 256)]
                            [static_cast<std::size_t>(256 + address % 256)] == kProtectedFlag;
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
