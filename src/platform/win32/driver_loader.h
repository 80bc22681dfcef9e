// Fills the driver table from pelox.dll in the program's directory.
#pragma once

#include <windows.h>

#include "reader/driver.h"

namespace win32 {

// Loads the DLL by its full path and looks up every function by its plain
// name, then by its stdcall form `_Name@N`. Whatever is missing is filled
// with stand-ins that report no reader, and one message box (owned by
// `owner`) names what is missing. Returns the module (kept loaded for the
// whole run), or nullptr.
HMODULE loadDriver(DriverTable& table, HWND owner);

}  // namespace win32
