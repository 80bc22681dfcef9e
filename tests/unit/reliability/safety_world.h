// The physical cards of a safety sweep sequence: two simulated cards with
// seeded contents, one in the reader and one on the table, and their state
// field by field for comparisons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cards/card_types.h"
#include "sim/card.h"
#include "cards/card_catalogue.h"

namespace reliability {

// A card's whole state, as its state file holds it.
struct CardState {
  std::vector<std::pair<std::string, sim::Bytes>> bytes;
  std::vector<std::pair<std::string, int>> numbers;
  friend bool operator==(const CardState&, const CardState&) = default;
};

// Where a byte of a card's state shows in the program's card image: the
// page, block or zone (0 for cards read whole) and the image address.
struct Place {
  int region = 0;
  int address = 0;
};

// The program's card type for a simulated card type ("sle4442" -> 17).
CardType cardTypeOf(const std::string& simType);
// Whether a byte field of a card holds data the program reads into its image.
bool isImageField(const std::string& field);
Place placeOf(const std::string& simType, const std::string& field, std::size_t index);

class World {
 public:
  // Cards of the given types with contents drawn from `seed`; card 0 is put
  // into a fresh reader (sim::TestReader::reset must have run).
  World(std::vector<std::string> types, std::uint32_t seed);
  int cardCount() const { return static_cast<int>(types_.size()); }
  const std::string& type(int card) const { return types_[static_cast<std::size_t>(card)]; }
  int inReader() const { return inReader_; }
  // Pulls the card in the reader out onto the table and puts `card` in
  // (-1: the reader stays empty).
  void swapTo(int card);
  // After a fault pulled the card out: it goes onto the table.
  void collectPulled();
  CardState state(int card) const;
  // The card's byte behind an image address of a region, or -1 when the
  // card has none there or hides it (codes, keys, counters).
  int visibleByte(int card, const CardState& s, int region, int address);

 private:
  std::vector<std::string> types_;
  std::vector<std::unique_ptr<sim::Card>> table_;  // null: the card is in the reader
  int inReader_ = -1;
  CardCatalogue catalogue_;
};

}  // namespace reliability
