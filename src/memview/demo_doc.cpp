#include "memview/demo_doc.h"

#include <algorithm>

CDemoDoc::CDemoDoc() {
  for (auto& c : charCells) c = {'.', '\0'};
  for (auto& h : hexCells) h = {'f', 'f', '\0'};
}

void CDemoDoc::setByte(int address, std::uint8_t value) {
  if (address < 0 || address >= kCells) return;
  static constexpr char kDigits[] = "0123456789abcdef";
  charCells[address] = {static_cast<char>(value), '\0'};
  hexCells[address] = {kDigits[value >> 4], kDigits[value & 0x0F], '\0'};
}

std::uint8_t CDemoDoc::byteAt(int address) const {
  if (address < 0 || address >= kCells) return 0;
  return static_cast<std::uint8_t>(charCells[address][0]);
}

void CDemoDoc::recordRow(int rowAddress) {
  if (editedRowCount > 0 && editedRows[editedRowCount] == rowAddress) return;
  if (editedRowCount >= kEditedRowCapacity) {
    // Keep the first occurrence of every row, in order. A card has at most
    // 512 rows, so the compacted list always has room again.
    int kept = 0;
    for (int i = 1; i <= editedRowCount; ++i) {
      const auto begin = editedRows.begin() + 1;
      if (std::find(begin, begin + kept, editedRows[i]) == begin + kept) {
        editedRows[++kept] = editedRows[i];
      }
    }
    editedRowCount = kept;
    if (editedRowCount > 0 && editedRows[editedRowCount] == rowAddress) return;
  }
  editedRows[++editedRowCount] = rowAddress;
}

void CDemoDoc::pruneRows() {
  int kept = 0;
  for (int i = 1; i <= editedRowCount; ++i) {
    const int row = editedRows[i];
    const auto begin = editedRows.begin() + 1;
    if (std::find(begin, begin + kept, row) != begin + kept) continue;
    bool edited = false;
    for (int a = row; a < row + 16 && !edited; ++a) edited = isEdited(a);
    if (edited) editedRows[++kept] = row;
  }
  editedRowCount = kept;
}
