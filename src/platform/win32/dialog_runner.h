// Modal dialogs on Win32: a small dialog base in the manner of 7-Zip's.
// The runner creates the dialog from its template with DialogBoxParamW;
// the dialog procedure stores the host at WM_INITDIALOG and hands the
// messages to the core's Dialog object through DialogControls.
#pragma once

#include "platform/dialog.h"
#include "platform/win32/context.h"

namespace win32 {

class DialogRunner : public port::DialogRunner {
 public:
  explicit DialogRunner(Context& ctx) : ctx_(ctx) {}
  int runModal(port::Dialog& dialog) override;

 private:
  Context& ctx_;
};

// The grey background and black text of every dialog; edits keep theirs.
// Returns the brush for WM_CTLCOLOR* or nullptr to leave the default.
HBRUSH dialogColours(UINT msg, HDC dc, HWND control);

}  // namespace win32
