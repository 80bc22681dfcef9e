// A virtual card: its memory, its rules and its persistent state.
//
// The reader (reader.h) decides which protocol is active and hands a command
// to the card only when the card speaks that protocol; reads in a foreign
// protocol see the card's bytes through `look`. Family-specific commands
// (passwords, fuses, zones) live on the concrete classes in cards_*.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cards/card_types.h"
#include "driverlib/attempts.h"
#include "sim/errors.h"

namespace sim {

using Bytes = std::vector<std::uint8_t>;

// One piece of a card's persistent state: a byte array or a number.
struct Field {
  std::string name;
  Bytes* bytes = nullptr;
  int* number = nullptr;
};

class Card {
 public:
  explicit Card(std::string typeName) : typeName_(std::move(typeName)) {}
  virtual ~Card() = default;
  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;

  // The INI name of the card type ("sle4442", ...).
  const std::string& typeName() const { return typeName_; }
  // True for the driver types whose commands this card understands.
  virtual bool speaks(pelox::DriverType driverType) const = 0;
  // Everything that must survive a power cycle, in a fixed order.
  virtual std::vector<Field> fields() = 0;
  // Power off: unlocked codes and selected zones are forgotten.
  virtual void powerOff() {}
  // Every attempt counter (and erase counter) back to full, as on a fresh
  // card; codes and data stay. For the card tray.
  virtual void resetCounters() {}

  // Main memory size and its bytes as any read sees them (secret bytes 00).
  virtual std::size_t size() const = 0;
  virtual std::uint8_t look(std::size_t address) const = 0;
  // IC_Read in the card's own protocol.
  virtual short read(int address, int length, std::uint8_t* out);
  // IC_Write in the card's own protocol: all or nothing.
  virtual short write(int address, int length, const std::uint8_t* data);

  // Raw main memory (user zones one after the other for CryptoMemory) and
  // the CryptoMemory configuration zone, for tests and tools.
  virtual Bytes rawMemory() const = 0;
  virtual void setRawMemory(std::size_t address, const Bytes& bytes) = 0;
  virtual Bytes rawConfig() const { return {}; }

 protected:
  // A range [address, address + length) inside [0, limit).
  static bool inRange(int address, int length, std::size_t limit) {
    return address >= 0 && length >= 0 && static_cast<std::size_t>(address) + static_cast<std::size_t>(length) <= limit;
  }

 private:
  std::string typeName_;
};

// The INI names of every card type, "none" excluded.
const std::vector<std::string>& cardTypeNames();
// A factory-new card of the named type, or null for "none" and unknown names.
std::unique_ptr<Card> makeCard(std::string_view typeName);

using driverlib::attemptsLeft;
using driverlib::fullAttempts;
using driverlib::useAttempt;

}  // namespace sim
