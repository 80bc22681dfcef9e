// The card image's state: what the last read brought, its size and pages,
// the zone, page or block it belongs to, and the protection flags read with
// it. The bytes themselves are in CDemoDoc.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "cards/card_types.h"
#include "cards/protection_flags.h"
#include "reader/reader_session.h"

// What the card image holds, for the view to show.
enum class ViewState : int {
  FirstPaintPending = 100,  // the first paint, which starts the detection, has not happened
  NoCardData = 50,          // a card type was chosen; nothing of its card is shown
  NoCard = 1,               // the last read found no card
  CardData = 2,             // the card image holds the card's data
  StatusError = 3,          // the reader's status call failed
  ReadFailed = 4,
};

struct CardImageState {
  ViewState viewState = ViewState::FirstPaintPending;
  int gridShown = 0;  // the grid on screen shows the image
  int byteCount = 0;
  int pageCount = 0;
  int currentPage = 0;
  int zoneIndex = 0;   // AT88SC1608 zone (8 = configuration) / AT45D041 page
  int blockIndex = 0;  // SSF1101 block
  // What the card image holds: set by a successful read, cleared by
  // anything that makes it another card's, zone's, page's or block's.
  struct ImageSource {
    bool valid = false;
    CardType cardType = CardType::None;
    int zoneIndex = 0;
    int blockIndex = 0;
  };
  ImageSource imageSource;
  // The card's bytes as last read, or as written and read back since: what
  // the card holds, beside the image that may hold edits not yet written.
  // Valid with imageSource.
  std::array<std::uint8_t, 8192> cardBytes{};
  // SLE4442 protection flags of bytes 0..31 (kProtectedFlag, kWritableFlag).
  std::array<std::uint8_t, 32> protect4442{};
  std::array<std::uint8_t, 32> protect4442Saved{};
  // SLE4428, one buffer per 256-byte page: 256 data bytes, then one flag
  // byte per data byte.
  std::array<std::array<std::uint8_t, 512>, 4> pages4428{};
  std::array<std::array<std::uint8_t, 512>, 4> pages4428Saved{};
};

// The reader session with the card image read through it: what the card
// data commands work on.
struct CardSession : ReaderSession, CardImageState {};

// The SLE4428 protection flag of a card address in one of its buffers.
inline std::uint8_t& flag4428(std::array<std::array<std::uint8_t, 512>, 4>& pages, int address) {
  return pages[static_cast<std::size_t>(address / 256)][static_cast<std::size_t>(256 + address % 256)];
}

// Whether the last read found an SLE4442 or SLE4428 byte write-protected on
// the card: it can never be written again.
inline bool protectedOnCard(const CardSession& st, int address) {
  if (st.cardType == CardType::Sle4442 && address >= 0 && address < 32) {
    return st.protect4442Saved[static_cast<std::size_t>(address)] == kProtectedFlag;
  }
  if (st.cardType == CardType::Sle4428 && address >= 0 && address < 1024) {
    return st.pages4428Saved[static_cast<std::size_t>(address / 256)]
                            [static_cast<std::size_t>(256 + address % 256)] == kProtectedFlag;
  }
  return false;
}
