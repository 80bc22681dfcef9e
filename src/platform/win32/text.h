// UTF-8 <-> UTF-16 at the Win32 calls, and error texts.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

namespace win32 {

// UTF-8 to the wide text of a W function. Invalid bytes show as U+FFFD and
// are reported to the debugger output.
std::wstring wide(std::string_view utf8);
// Wide text of a W function to UTF-8 (unpaired surrogates as U+FFFD).
std::string narrow(std::wstring_view text);
// "错误 <code>：<system text>" for a GetLastError code.
std::string errorText(DWORD code);

// Shows an exception that reached a window or dialog procedure: nothing
// may cross a Win32 callback.
void reportException(HWND owner, const char* where, const std::exception* e);

}  // namespace win32
