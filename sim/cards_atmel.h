// Atmel secure memory cards: AT88SC102 (DriverType::At88sc102) and
// AT88SC1604 / 1604B (DriverType::At88sc1604), laid out as the program's memory maps show them.
#pragma once

#include <array>
#include <limits>

#include "sim/card.h"

namespace sim {

// What a byte of these cards is, for writes.
enum class ByteKind {
  Fixed,    // manufacturer bytes: never change
  Issuer,   // writable with the user code until the card is personalised
  User,     // writable with the user code (or the byte's zone code)
  Guarded,  // codes, keys and counters: a write covering them needs their code
  Test,     // always writable: the detection probe writes here
};

// Shared rules of the code-protected memory cards.
class CodedCard : public Card {
 public:
  using Card::Card;
  std::vector<Field> fields() override;
  std::size_t size() const override { return memory_.size(); }
  std::uint8_t look(std::size_t address) const override;
  short write(int address, int length, const std::uint8_t* data) override;
  Bytes rawMemory() const override { return memory_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;
  void powerOff() override { presented_.fill(false); }
  void resetCounters() override;
  bool personalised() const { return personalised_ != 0; }
  short blowFuse();

 protected:
  // Where a code counts its attempts: a byte of memory (0 or more), a slot
  // of hiddenCounters_ (hiddenSlot), or nowhere (kNoCounter: presenting the
  // code costs nothing, as for the AT88SC102 erase keys).
  static constexpr int kNoCounter = std::numeric_limits<int>::min();
  static constexpr int hiddenSlot(int slot) { return -1 - slot; }
  struct Code {
    int address = -1;  // first of its bytes in memory
    int length = 0;
    int counter = kNoCounter;  // see kNoCounter
    int attempts = 8;          // attempts of a fresh card
  };
  // Index of a code slot (user code 0, ...), meaning depends on the card.
  virtual const Code* code(int index) const = 0;
  virtual ByteKind kindOf(std::size_t address) const = 0;
  // The zone code whose presentation opens this user byte (0 = none but the user code).
  virtual int zoneCodeOf(std::size_t) const { return 0; }

  // Whether a plain write may change a guarded byte: the user code opens
  // every code, key and counter, a code also its own bytes and counter.
  virtual bool guardedWritable(std::size_t address) const;

  static bool hasCounter(const Code& c) { return c.counter != kNoCounter; }
  // How a counter reads when full, loses a wrong attempt and counts the
  // attempts left: one bit per attempt unless a card says otherwise.
  virtual int fullCounter(const Code& c) const { return fullAttempts(c.attempts); }
  virtual int afterWrongCode(const Code&, int bits) const { return useAttempt(bits); }
  virtual int attemptsIn(const Code&, int bits) const { return attemptsLeft(bits); }
  int counterBits(const Code& c) const;
  void setCounterBits(const Code& c, int bits);
  short check(int index, const std::uint8_t* code);
  short change(int index, const std::uint8_t* code);
  short count(int index) const;
  bool isPresented(int index) const { return index >= 0 && index < 16 && presented_[static_cast<std::size_t>(index)]; }
  bool hidden(std::size_t address) const;

  Bytes memory_;
  Bytes hiddenCounters_;  // counters the memory map has no byte for
  int personalised_ = 0;
  std::array<bool, 16> presented_{};
};

// Which bit of the AT88SC102's security code attempts counter a wrong code
// clears first: the chip's documents do not say, so the card runs either way.
enum class ScacOrder { LowFirst, HighFirst };

class At102Card : public CodedCard {
 public:
  // The order comes from PELOX_SCAC_ORDER ("high" or "low", default low),
  // so that a whole test run can be repeated in the other order.
  At102Card();
  void setScacOrder(ScacOrder order) { order_ = order; }
  ScacOrder scacOrder() const { return order_; }
  bool speaks(pelox::DriverType driverType) const override { return driverType == pelox::DriverType::At88sc102; }
  void resetCounters() override;
  short checkUser(const std::uint8_t* c) { return check(0, c); }
  short changeUser(const std::uint8_t* c) { return change(0, c); }
  short userCount() const { return count(0); }
  // Erase keys of application zones 1 (6 bytes) and 2 (4 bytes).
  short checkEraseKey(int zone, const std::uint8_t* key) {
    return (zone == 1 || zone == 2) ? check(10 + zone, key) : err::kParam;
  }
  short changeEraseKey(int zone, const std::uint8_t* key);
  // `counted`: a zone-2 erase uses a bit of the erase counter (while the
  // card's EC2EN fuse is intact).
  short erase(int address, int length, bool counted = true);
  int eraseCounterLeft() const;  // zone-2 erases left
  // One bit of the erase counter used (a zone-2 erase whose key was wrong).
  void spendEraseAttempt();

 protected:
  const Code* code(int index) const override;
  ByteKind kindOf(std::size_t address) const override;
  // The erase counter is the issuer's: frozen once the card is personalised.
  bool guardedWritable(std::size_t address) const override;
  // The security code's counter (byte 12) reads FF when full; a wrong code
  // clears one bit; the attempts left are the fewer set bits of its two
  // nibbles, so both orders count 4, 3, 2, 1, 0.
  int fullCounter(const Code& c) const override;
  int afterWrongCode(const Code& c, int bits) const override;
  int attemptsIn(const Code& c, int bits) const override;

 private:
  ScacOrder order_;
};

// Attempts left in an AT88SC102 security code counter byte: the fewer set
// bits of its two nibbles (right whichever bit a wrong code clears first).
int scacAttempts(int bits);

class At1604Card : public CodedCard {
 public:
  explicit At1604Card(bool variantB);
  bool variantB() const { return variantB_; }
  bool speaks(pelox::DriverType driverType) const override { return driverType == pelox::DriverType::At88sc1604; }
  // Index 0 user code, 1..4 zone codes, 11..14 erase codes.
  short checkCode(int index, const std::uint8_t* c) { return check(index, c); }
  short changeCode(int index, const std::uint8_t* c) { return change(index, c); }
  short codeCount(int index) const { return count(index); }
  // Bytes of zone z (1..4): its code, counters and application zone.
  struct Zone {
    int code, codeCounter, erase, eraseCounter, first, last;
  };

 protected:
  const Code* code(int index) const override;
  ByteKind kindOf(std::size_t address) const override;
  int zoneCodeOf(std::size_t address) const override;

 private:
  const Zone& zone(int z) const;  // z = 1..4
  bool variantB_;
  std::array<Code, 15> codes_{};
};

}  // namespace sim
