// A card behind a memory-card reader of the ACR38/ACR39 family: answers the
// reader's CLA FF pseudo-APDUs on top of the simulated reader's card models
// (sim/), so it is exactly as strict as they are, and passes every other
// APDU to a microprocessor card.
//
// The readers' manuals come in two generations whose answers differ (the
// older ones append protection bytes to SLE reads, answer a presentation
// with the counter and the code, and return the answer to reset after a
// card-type select); `Generation` chooses which one this reader imitates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/card.h"

namespace vreader {

using Bytes = std::vector<std::uint8_t>;

enum class Generation { Older, Newer };

class PseudoCard {
 public:
  PseudoCard(std::unique_ptr<sim::Card> card, Generation generation);

  sim::Card& card() { return *card_; }
  Generation generation() const { return generation_; }

  // The reader's power switches; each forgets presented codes.
  void powerOn();
  void powerOff();
  // The answer to reset: the CPU card's own, or a short one made up by the
  // reader for a memory card.
  Bytes atr();
  // One command APDU in, data and status word out.
  Bytes answer(const Bytes& apdu);

 private:
  Bytes select(std::uint8_t type);
  Bytes memory(const Bytes& apdu);
  Bytes crypto(const Bytes& apdu);
  Bytes codes(const Bytes& apdu);

  std::unique_ptr<sim::Card> card_;
  Generation generation_;
  std::uint8_t type_ = 0;  // the reader's card type, 0 = none selected
  int pageSize_ = 8;       // I2C page writes
};

// The status word for a result of the card models.
Bytes statusFor(short simResult);
Bytes withStatus(Bytes data, std::uint8_t sw1, std::uint8_t sw2);

// The card models' driver type for the reader's card-type byte.
pelox::DriverType driverTypeOf(std::uint8_t readerType);

}  // namespace vreader
