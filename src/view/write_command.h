// Writing the edited card image back to the card: the Write command (edit
// mode), F5/Enter, protection marks (Space), Escape and the error counter
// page of the SLE4442 and SLE4428.
#pragma once

#include <vector>

#include "view/editor.h"
#include "view/view_context.h"

namespace memview {

class CardWriter {
 public:
  CardWriter(ViewContext& ctx, MemoryEditor& editor) : ctx_(ctx), editor_(editor) {}

  // The Write command (32779): shows the hints and the caret.
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
  // Writes one edited row; false when the card refused it.
  bool writeRow(int rowAddress, int length, bool& beeped);
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

// One run of bytes of a row that a row write sends: offset and length.
struct RowRun {
  int offset = 0;
  int length = 0;
  friend bool operator==(const RowRun&, const RowRun&) = default;
};

// The runs of a row of `length` bytes at `rowAddress` that a write sends:
// all of it, except bytes of code, key, seed and counter zones (and the
// SLE4428's last three bytes) that the operator did not type.
std::vector<RowRun> rowRuns(ViewContext& ctx, int rowAddress, int length);

}  // namespace memview
