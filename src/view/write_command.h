// Writing the edited card image back to the card: the Write command (edit
// mode), F5/Enter, protection marks (Space), Escape and the error counter
// page of the SLE4442 and SLE4428. What is written is read back: a card
// can answer a write and not keep it.
#pragma once

#include <cstdint>
#include <vector>

#include "view/editor.h"
#include "view/image_guard.h"
#include "view/view_context.h"

namespace memview {

// One run of bytes of a row that a row write sends: offset and length.
struct RowRun {
  int offset = 0;
  int length = 0;
  friend bool operator==(const RowRun&, const RowRun&) = default;
};

class CardWriter {
 public:
  CardWriter(ViewContext& ctx, MemoryEditor& editor) : ctx_(ctx), editor_(editor) {}

  // The Write command (ID_CARD_WRITE): shows the hints and the caret.
  void enterEditMode();
  // Escape in edit mode.
  void leaveEditMode();
  // F5 or Enter in edit mode: the edited rows, then the protection marks.
  void writeEditedRows();
  // Space in edit mode: marks or unmarks an SLE4442/SLE4428 byte.
  void toggleMark();
  // Page Down on the last page of an SLE4442 or SLE4428.
  void showErrorCounterPage();

 private:
  enum class RowOutcome {
    Written,    // written and read back unchanged
    Refused,    // the card refused the write
    NotKept,    // the card answered, but does not hold the data
    OtherCard,  // before the write, the card did not hold what was read
  };
  // Whether the card still holds what was read, in the bytes about to be
  // written that the operator did not type.
  enum class CardCheck {
    Same,
    Differs,
    Unreadable,
  };
  // True when the image may be written; otherwise tells the operator.
  bool imageWritable();
  // The check of a row's runs at `rowAddress`, before they are written.
  CardCheck rowStillOnCard(int rowAddress, const std::vector<RowRun>& runs, const std::uint8_t* row);
  // The check of the AT45D041 page or SSF1101 block, before it is written.
  CardCheck imageStillOnCard();
  // Reads the runs of a row back into `back` (16 bytes) with the card
  // type's read call; false when the card refuses.
  bool readRuns(int rowAddress, const std::vector<RowRun>& runs, std::uint8_t* back);
  // Ends F5 after a failed check: nothing of the row was written.
  void reportOtherCard();
  // Writes one edited row and reads it back.
  RowOutcome writeRow(int rowAddress, int length);
  // Whether the card holds the runs of `row` at `rowAddress`, read back
  // with the card type's read call. Code and counter bytes are not compared.
  bool rowKept(int rowAddress, const std::vector<RowRun>& runs, const std::uint8_t* row);
  // Whether the AT45D041 page or the SSF1101 block holds `image`.
  bool imageKept(const std::uint8_t* image);
  // A failed write re-reads the card; false when nothing could be read
  // (the command ends with "没有插入卡！").
  bool rereadAfterFailure();
  // Writes the marked SLE4428/SLE4442 bytes protected; false on a failure.
  bool writeMarks4428();
  bool writeMarks4442();
  void beep(int times);

  ViewContext& ctx_;
  MemoryEditor& editor_;
};

// The runs of a row of `length` bytes at `rowAddress` that a write sends:
// all of it, except bytes of code, key, seed and counter zones (and the
// SLE4428's last three bytes) that the operator did not type.
std::vector<RowRun> rowRuns(ViewContext& ctx, int rowAddress, int length);

}  // namespace memview
