#pragma once

#include <windows.h>

namespace win32 {
// Creates the application's windows and runs the message loop; returns the
// program's exit code.
int runApplication(HINSTANCE instance, int show);
}  // namespace win32
