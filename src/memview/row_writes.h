// Writing the edited rows of the card image to the card, each checked
// before (the card still holds what was read) and read back after (the card
// kept it), and writing the protection marks of the SLE4442 and SLE4428.
#pragma once

#include <cstdint>
#include <vector>

#include "memview/alias_check.h"
#include "memview/card_context.h"

namespace memview {

// One run of bytes of a row that a row write sends: offset and length.
struct RowRun {
  int offset = 0;
  int length = 0;
  friend bool operator==(const RowRun&, const RowRun&) = default;
};

enum class RowOutcome {
  Written,    // written and read back unchanged
  Refused,    // the card refused the write
  NotKept,    // the card answered, but does not hold the data
  OtherCard,  // before the write, the card did not hold what was read
  Aliased,    // the write changed bytes at another address (see aliased())
};

// Whether the card still holds what was read, in the bytes about to be
// written that the operator did not type.
enum class CardCheck {
  Same,
  Differs,
  Unreadable,
};

// The runs of a row of `length` bytes at `rowAddress` that a write sends:
// all of it, except bytes of code, key, seed and counter zones (and the
// SLE4428's last three bytes) that the operator did not type.
std::vector<RowRun> rowRuns(CardContext ctx, int rowAddress, int length);

class RowWriter {
 public:
  explicit RowWriter(CardContext ctx) : ctx_(ctx) {}

  // Writes one edited row and reads it back; beeps once it is kept.
  RowOutcome writeRow(int rowAddress, int length);
  // The bytes the last aliased row write changed elsewhere.
  const std::vector<AliasedByte>& aliased() const { return aliased_; }
  // Tells the operator of the last aliased row write (a beep and a box).
  void reportAliased(int rowAddress);
  // Writes the AT45D041 page or SSF1101 block in one call, checked before
  // and read back after.
  RowOutcome writeWholeImage();
  // The check of the AT45D041 page or SSF1101 block, before it is written.
  CardCheck imageStillOnCard();
  // Whether the AT45D041 page or the SSF1101 block holds `image`.
  bool imageKept(const std::uint8_t* image);
  // Writes the marked SLE4428/SLE4442 bytes protected; false on a failure
  // (after the box).
  bool writeMarks4428();
  bool writeMarks4442();
  // `times` beeps.
  void beep(int times);

 private:
  // The check of a row's runs at `rowAddress`, before they are written.
  CardCheck rowStillOnCard(int rowAddress, const std::vector<RowRun>& runs, const std::uint8_t* row);
  // Reads the runs of a row back into `back` (16 bytes) with the card
  // type's read call; false when the card refuses.
  bool readRuns(int rowAddress, const std::vector<RowRun>& runs, std::uint8_t* back);
  // Whether the card holds the runs of `row` at `rowAddress`, read back
  // with the card type's read call. Code and counter bytes are not compared.
  bool rowKept(int rowAddress, const std::vector<RowRun>& runs, const std::uint8_t* row);

  CardContext ctx_;
  std::vector<AliasedByte> aliased_;
};

}  // namespace memview
