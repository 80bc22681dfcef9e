// Edit mode of the memory view: caret movement, typing in the hexadecimal
// and character grids, the page keys, the mouse and the quit question.
#pragma once

#include "platform/ports.h"
#include "view/editor_caret.h"
#include "view/view_context.h"

namespace memview {

class MemoryEditor {
 public:
  explicit MemoryEditor(ViewContext& ctx) : ctx_(ctx) {}

  // A character message: a hexadecimal digit in the hexadecimal area or a
  // printable character in the character area, in edit mode only.
  void onChar(unsigned character);
  // Tab, Home, End and the arrow keys in edit mode; false for other keys.
  bool navigate(int virtualKey);
  // Page keys, in and out of edit mode. pageDown does not show the error
  // counter page (the write command does, on the last page).
  void pageUp();
  void pageDown();
  // Mouse button down: the quit button and, in edit mode, caret placement.
  void onLButtonDown(port::Point p);
  // "确认退出本演示系统吗？"; Yes posts the quit request, after the discard
  // question when edits are pending.
  void askQuit();

  // The caret was hidden by the error counter page and stays hidden until
  // the grid comes back (Page Up).
  bool caretParked = false;

  // The view gained or lost the focus: the caret is created again at the
  // cell the program keeps (shown in edit mode), or destroyed.
  void onFocus(bool gained);

  // The caret's stop, as the program keeps it.
  Stop caret();
  // Moves the caret to a stop on the current page.
  void moveTo(const Stop& s);
  // The stop one cell on (the next page's first at a page's end); false
  // when there is none.
  bool nextCell(Stop& s);

 private:
  // Changes the page shown: drawGrid and drawCaretInfo.
  void goToPage(int page);
  void typeHexDigit(unsigned character);
  void typeCharacter(unsigned character);
  // Records an edited byte: its row in the edited-row list, the byte itself
  // in the edited marks, and draws it in its colour.
  void storeEdited(int address, unsigned char value);
  bool isLastByte(int address) const { return address >= ctx_.st.byteCount - 1; }
  bool hasNextPage() const { return ctx_.st.currentPage < ctx_.st.pageCount - 1; }
  void hideCaret();
  void showCaret();

  ViewContext& ctx_;
};

}  // namespace memview
