// Writing the edited card image back to the card: the Write command (edit
// mode), F5/Enter, protection marks (Space), Escape and the error counter
// page of the SLE4442 and SLE4428. What is written is read back: a card
// can answer a write and not keep it.
#pragma once

#include "memview/image_guard.h"
#include "memview/row_writes.h"
#include "view/editor.h"
#include "view/view_context.h"

namespace memview {

class CardWriter {
 public:
  CardWriter(ViewContext& ctx, MemoryEditor& editor) : ctx_(ctx), editor_(editor), rows_(ctx) {}

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
  // The edited rows; false when any failed (after telling the operator).
  bool writeRows();
  // The page shown again, in the colours the write left.
  void redrawPage();
  // True when the image may be written; otherwise tells the operator.
  bool imageWritable();
  // Ends F5 after a failed check: nothing of the row was written.
  void reportOtherCard();
  // The read core for the program's own re-read, of the zone shown.
  int rereadCore();
  // A failed write re-reads the card; false when nothing could be read
  // (the command ends with "没有插入卡！").
  bool rereadAfterFailure();

  ViewContext& ctx_;
  MemoryEditor& editor_;
  RowWriter rows_;
};

}  // namespace memview
