// A card behind a memory-card reader of the ACR38/ACR39 family: answers the
// reader's CLA FF pseudo-APDUs on top of the simulated reader's card models
// (sim/), and passes every other APDU to a microprocessor card.
//
// It takes exactly the forms of acs_commands.grammar and answers with what
// the manuals document for them, as a chip would behave: bits that only
// clear are ANDed (SLE4404, AT88SC102), protection is burnt byte by byte
// after comparing, and a write the chip refuses (no code presented, a
// protected byte) is ignored with 90 00. Every APDU outside the grammar,
// and every answer of ours that the manuals do not document, is recorded as
// a violation: the tests fail on any.
//
// The readers' manuals come in two generations whose answers differ (the
// older ones append protection bytes to SLE reads, want Le 00 on the error
// counter reads, answer a presentation with the counter and the code, and
// return the answer to reset after a card-type select); `Generation`
// chooses which one this reader imitates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pcsc/vreader/grammar.h"
#include "sim/card.h"

namespace vreader {

// How the reader maps an AT88SC102 bit address to the bits of the bytes it
// reads: its manuals do not say, so the reader runs either way.
enum class BitOrder { MsbFirst, LsbFirst };

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

  // APDUs outside the grammar and answers it does not document, as text.
  const std::vector<std::string>& violations() const { return violations_; }
  void clearViolations() { violations_.clear(); }
  // Every APDU answered from now on is appended to `log` (null: none).
  void logApdus(std::vector<Bytes>* log) { log_ = log; }

  // AT88SC102 fuse bits beyond the card model's 178 bytes (bit addresses of
  // the BLOWN_FUSE command): EC2EN intact (1) enables the zone-2 erase
  // counter. `fuseBytes` are bytes 178-195 as read, before the fuses known
  // to the model are applied.
  void setBitOrder(BitOrder order) { bitOrder_ = order; }
  void setEc2Enabled(bool enabled) { ec2Enabled_ = enabled; }
  bool ec2Enabled() const { return ec2Enabled_; }
  Bytes& at102FuseBytes() { return fuseBytes_; }

 private:
  Bytes select(std::uint8_t type);
  Bytes memory(const Bytes& apdu);
  Bytes crypto(const Bytes& apdu);
  Bytes codes(const Bytes& apdu);
  Bytes at102(const Bytes& apdu);
  std::uint8_t at102Byte(std::size_t address);
  void violation(const Bytes& apdu, const std::string& why);

  std::unique_ptr<sim::Card> card_;
  Generation generation_;
  std::uint8_t type_ = 0;  // the reader's card type, 0 = none selected
  int pageSize_ = 8;       // I2C page writes
  BitOrder bitOrder_ = BitOrder::MsbFirst;
  bool ec2Enabled_ = true;
  Bytes fuseBytes_ = Bytes(18, 0xFF);
  std::vector<std::string> violations_;
  std::vector<Bytes>* log_ = nullptr;
  // The chip did not answer the reader (no acknowledge beyond an EEPROM's
  // size): what the reader then says is in no manual, so it is not checked.
  bool chipSilent_ = false;
  Bytes silent() {
    chipSilent_ = true;
    return {0x6B, 0x00};
  }
};

Bytes withStatus(Bytes data, std::uint8_t sw1, std::uint8_t sw2);

// An SLE card's protection flags of `bits` bytes from `address`, packed in
// `bytes` bytes as the reader sends them (bit j of byte k: byte 8k + j,
// 1 = writable); every byte of another card is writable.
Bytes packedProtection(sim::Card& card, int address, std::size_t bits, std::size_t bytes);

// The card models' driver type for the reader's card-type byte.
pelox::DriverType driverTypeOf(std::uint8_t readerType);

// An AT88SC102 bit address as a byte address and mask, in a bit order.
struct BitPlace {
  std::size_t byte;
  std::uint8_t mask;
};
BitPlace bitPlace(int bitAddress, BitOrder order);

}  // namespace vreader
