#include "platform/win32/shell.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "platform/win32/text.h"

namespace win32 {

bool keepWaitCursor(const Context& ctx, LPARAM lp) {
  if (!ctx.waitCursor || LOWORD(lp) != HTCLIENT) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

int Shell::messageBox(std::string_view text, std::string_view caption, unsigned style) {
  return MessageBoxW(ctx_.frame, wide(text).c_str(), wide(caption).c_str(), style);
}

void Shell::beep(unsigned type) { MessageBeep(type); }

void Shell::setWaitCursor(bool on) {
  ctx_.waitCursor = on;
  SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

void Shell::postQuit(int exitCode) { PostQuitMessage(exitCode); }

bool Shell::startProcess(std::string_view commandLine, int show) {
  std::wstring line = wide(commandLine);  // CreateProcessW may write into it
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

void Shell::shellExecute(std::string_view file, int show) {
  // shell32.dll (and the DLLs it brings) is loaded on the first use rather
  // than at every start of the program.
  using Execute = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  static const Execute execute = [] {
    HMODULE dll = LoadLibraryW(L"shell32.dll");
    return dll != nullptr ? reinterpret_cast<Execute>(reinterpret_cast<void*>(GetProcAddress(dll, "ShellExecuteW")))
                          : nullptr;
  }();
  if (execute != nullptr) execute(nullptr, nullptr, wide(file).c_str(), L"", L"", show);
}

void Shell::helpEngine(std::string_view file, unsigned command) {
  WinHelpW(ctx_.frame, wide(file).c_str(), command, 0);
}

std::string Shell::programPath() { return narrow(modulePath()); }

port::Point Shell::screenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

bool Shell::copyToClipboard(std::string_view utf8) {
  const std::wstring text = wide(utf8);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* p = GlobalLock(memory);
  if (p == nullptr) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(p, text.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboard(ctx_.frame)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  // The clipboard owns the memory once it takes it.
  const bool taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!taken) GlobalFree(memory);
  return taken;
}

std::wstring modulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return L"";
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring moduleDirectory() {
  std::wstring path = modulePath();
  const auto cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

}  // namespace win32
