// The document: owns the card image and the list of edited rows.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

class CDemoDoc {
 public:
  static constexpr int kCells = 8192;          // largest card (24C64)
  static constexpr int kEditedRowCapacity = 2047;

  CDemoDoc();

  // The card bytes as one-character texts (the byte, then 0); "." at start.
  std::array<std::array<char, 2>, kCells> charCells;
  // The card bytes as two lower-case hexadecimal digits and 0; "ff" at start.
  std::array<std::array<char, 3>, kCells> hexCells;

  // Edited-row list: entries 1..editedRowCount hold the card address of the
  // first byte of a 16-byte row changed since the last write (entry 0 unused).
  int editedRowCount = 0;
  std::array<std::int32_t, kEditedRowCapacity + 1> editedRows{};

  // Stores byte `value` at card address `address` in both tables.
  void setByte(int address, std::uint8_t value);
  // The byte value held by the character cell of `address`.
  std::uint8_t byteAt(int address) const;
  // Appends a row unless it equals the entry last appended. A full list is
  // first compacted to its distinct rows (first occurrences, in order).
  void recordRow(int rowAddress);
  // Keeps the rows that still hold an edited byte, each once, in order:
  // what the next write has left to do.
  void pruneRows();
  // Empties the list and the marks of the edited bytes.
  void clearRows() {
    editedRowCount = 0;
    editedBytes.reset();
  }

  // Marks of the bytes typed since the list was last emptied: row writes
  // leave code, key and counter bytes alone unless they were typed.
  std::bitset<kCells> editedBytes;
  void markEdited(int address) {
    if (address >= 0 && address < kCells) editedBytes.set(static_cast<std::size_t>(address));
  }
  bool isEdited(int address) const {
    return address >= 0 && address < kCells && editedBytes.test(static_cast<std::size_t>(address));
  }
};
