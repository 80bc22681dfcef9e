// The simulated reader as a native library: for tests and tools.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reader/driver.h"
#include "sim/config.h"

namespace sim {

// Fills a driver table with the simulator's own functions.
void fillDriverTable(DriverTable& table);

// An in-memory reader for native tests: no INI file, no state files.
struct TestReader {
  // A fresh reader on `port` (100 = USB, 0..3 = COM1..COM4) with a fresh
  // factory card of `cardType` ("none", "sle4442", "24c16", ... as in the
  // INI file's [card] type) inserted.
  static void reset(std::string_view cardType = "none", int port = 100);
  // Swap the card for a fresh factory card of another type ("none" pulls it).
  static void insert(std::string_view cardType);
  static void pull();
  // The reader unplugged and plugged into another port, its card kept.
  static void movePort(int port);
  // The card's main memory (what IC_Read of its own protocol covers; for
  // the AT88SC1608/153 the user zones one after the other).
  static std::vector<std::uint8_t> memory();
  static void setMemory(std::size_t address, const std::vector<std::uint8_t>& bytes);
  // CryptoMemory configuration zone (empty for other cards).
  static std::vector<std::uint8_t> configZone();
  // The card's whole state in the state-file text format: equal texts mean
  // byte-for-byte equal cards (memory, protection, codes, counters, fuses).
  static std::string stateText();
  // Fault switches, as under [faults] in the INI file; call counts start
  // again from here.
  static void setFaults(const Faults& faults);
};

}  // namespace sim
