// The editor's state: edit mode and the caret.
#pragma once

struct EditorState {
  int editActive = 0;
  int caretInAscii = 0;
  // The caret's cell in edit mode: the program's own record, never read
  // back from the window (another window's caret replaces it).
  int caretRow = 0;
  int caretCol = 0;
  bool caretOnLowDigit = false;  // hexadecimal area: on the second digit
  // The size of a grid cell in pixels, set when the view is created.
  int charWidth = 9;
  int lineHeight = 15;
};
