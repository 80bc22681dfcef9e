// A signal for start-up measurements: when the environment variable
// DEMO_READY_EVENT names an event, the program sets it the first time its
// thread falls idle (no message, no window left to paint) after the moment
// the caller marks with arm(), with everything drawn sent to the screen.
// Off (a null pointer test per message) when the variable is unset.
#pragma once

#include <windows.h>

namespace win32 {

class ReadySignal {
 public:
  ReadySignal() {
    wchar_t name[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"DEMO_READY_EVENT", name, MAX_PATH);
    if (n > 0 && n < MAX_PATH) event_ = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
  }
  ~ReadySignal() {
    if (event_ != nullptr) CloseHandle(event_);
  }
  ReadySignal(const ReadySignal&) = delete;
  ReadySignal& operator=(const ReadySignal&) = delete;

  void arm() { armed_ = event_ != nullptr; }
  // Call before waiting for the next message.
  void onIdle() {
    if (!armed_) return;
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE)) return;  // posted input or a paint still due
    GdiFlush();  // what the paints drew reaches the screen now
    SetEvent(event_);
    CloseHandle(event_);
    event_ = nullptr;
    armed_ = false;
  }

 private:
  HANDLE event_ = nullptr;
  bool armed_ = false;
};

}  // namespace win32
