// The steps of a write that write and personalise share.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_plan.h"
#include "batch/card_steps.h"
#include "run_context.h"

namespace cli {

using batch::kNoCard;

// The card in the reader must be the card type `type`: the detection that
// only reads first, the window's detection (probe bytes put back) only where
// that cannot decide and this is not a dry run.
Outcome checkDetectedCard(Run& run, CardType type);

// Writes the edited rows of the image, each checked before and read back
// after; the failures' addresses in `failed`. A card that no longer holds
// what was read stops the write.
Outcome writeRows(Run& run, std::vector<int>& failed);

// The card image file of the first operand: its size must be the card
// type's (the zone's for the AT88SC1608).
struct ImageFile {
  std::vector<std::uint8_t> bytes;
};
Outcome readImageFile(Run& run, CardType type, ImageFile& file);

bool isSle(CardType t);

using batch::parseAddress;
// Address ranges ("5", "0-15", "0x10-0x1F") up to `last` into `addresses`.
Outcome parseRanges(const std::vector<std::string>& operands, int last, std::set<int>& addresses);

}  // namespace cli
