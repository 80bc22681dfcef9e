// The steps on one card that a personalisation run is made of, each
// returning what went wrong (empty: nothing).
#pragma once

#include <string>
#include <vector>

#include "batch/batch_context.h"

namespace batch {

// The detection found no card.
inline constexpr const char* kNoCard = "未插入卡";

// The card in the reader must be the card type `type`: the detection that
// only reads first, the one with probe writes (put back) only where that
// cannot decide. kNoCard when there is no card.
std::string confirmCardType(BatchContext& ctx, CardType type);

// Selects `type` in the reader (and the AT88SC1608's user zone) and sizes
// the image; reads nothing.
std::string selectCardType(CardSession& st, DriverTable& drv, CardType type, int zoneIndex, int blockIndex);

// Reads the card of the selected type into the image.
std::string readCard(BatchContext& ctx);

// Writes the edited rows of the image, each checked before and read back
// after; the failures' addresses in `failed`. Why the write stopped (the
// card no longer holds what was read, or a smaller chip took a row at
// another address and it was put back): nothing more was written to it.
// Empty when every row was tried.
std::string writeEditedRows(const memview::CardContext& ctx, std::vector<int>& failed);

// The number of hex digits of the code a card type needs before a write
// (0: none that a run presents).
int codeDigits(CardType type);

// The outcome of presenting a card's code.
struct CodeCheck {
  std::string error;   // empty: the code was right
  bool fatal = false;  // no other card may be touched (a wrong code)
};
// Presents `code` to the card: the attempt counter is read first (a locked
// card, and the last attempt unless allowed, are refused before anything
// is sent), then the code, then the counter again.
CodeCheck presentCode(BatchContext& ctx, const std::string& code);

}  // namespace batch
