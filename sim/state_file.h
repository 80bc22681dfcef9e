// The card state file: a readable text holding every field of a card.
//
//   pelox-card 1
//   type sle4442
//   bytes memory 256
//   0000 A2131091FFFF8115FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF
//   ...
//   number error_counter 7
//   end
//
// Saved by writing a temporary file beside it and renaming it over the old
// one, so a kill in the middle leaves the old or the new file, never a mix.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "sim/card.h"

namespace sim {

// The text of a card's state.
std::string stateText(Card& card);
// Fills a card of the right type from a state text; false (and a reason)
// when the text is damaged or belongs to another card type. The card is
// unchanged on failure.
bool parseState(Card& card, const std::string& text, std::string& why);

// Writes `text` to `path` atomically. False (and a reason) on failure.
bool saveAtomically(const std::filesystem::path& path, const std::string& text, std::string& why);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path);
// Moves a damaged file aside to "<name>.damaged-N" (the first free N) and
// returns the new path (empty when even that failed).
std::filesystem::path moveAside(const std::filesystem::path& path);

}  // namespace sim
