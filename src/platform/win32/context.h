// The handles every part of the Win32 layer shares during one run.
#pragma once

#include <windows.h>

namespace win32 {

struct Context {
  HINSTANCE instance = nullptr;
  HWND frame = nullptr;  // the main window (owner of boxes and dialogs)
  HWND view = nullptr;   // the view child window
  bool waitCursor = false;
};

// WM_SETCURSOR while the wait cursor is on: keeps it over the client area.
// Returns true when the message was handled.
bool keepWaitCursor(const Context& ctx, LPARAM lp);

}  // namespace win32
