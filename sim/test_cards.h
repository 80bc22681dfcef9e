// Card objects for native tests that swap cards and put them back later
// with all their state (memory, protection, codes, counters, fuses).
#pragma once

#include <functional>
#include <memory>

#include "sim/card.h"

namespace sim {

struct TestCards {
  // Takes the card out of the reader (power lost) and hands it over; null
  // when no card is in.
  static std::unique_ptr<Card> take();
  // The card that a pull_at_call fault took out, once; null when none.
  static std::unique_ptr<Card> takePulled();
  // Inserts a card taken out earlier (or made with makeCard); null: none.
  static void put(std::unique_ptr<Card> card);
  // Runs `look` on the inserted card (null when none) under the reader's lock.
  static void withCard(const std::function<void(Card*)>& look);
};

}  // namespace sim
