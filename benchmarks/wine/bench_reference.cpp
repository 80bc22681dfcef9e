// The reference for the start-up measurement: the smallest sensible Win32
// window program. It opens a window of the main window's size, paints its
// client area once and, like Demo.exe, sets the event named by
// DEMO_READY_EVENT when its thread first falls idle after that paint.
//   bench_reference.exe [cjk]   cjk: a Chinese caption and text, so Wine
//                               loads its CJK font as for Demo.exe
#include <windows.h>

#include <cwchar>

#include "platform/win32/ready_signal.h"

namespace {

win32::ReadySignal* g_ready = nullptr;
bool g_cjk = false;

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      FillRect(dc, &ps.rcPaint, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
      if (g_cjk)
        TextOutW(dc, 12, 12, L"\u68c0\u6d4b\u6210\u529f", 4);  // "检测成功"
      else
        TextOutW(dc, 12, 12, L"ready", 5);
      EndPaint(hwnd, &ps);
      if (g_ready != nullptr) g_ready->arm();
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
  g_cjk = commandLine != nullptr && std::wcsstr(commandLine, L"cjk") != nullptr;
  win32::ReadySignal ready;
  g_ready = &ready;
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"BenchReference";
  if (RegisterClassW(&wc) == 0) return 1;
  HWND w = CreateWindowExW(0, wc.lpszClassName, g_cjk ? L"pelox\u8bfb\u5199\u5668\u6f14\u793a\u7a0b\u5e8f" : L"reference",
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 651,
                           415, nullptr, nullptr, instance, nullptr);
  if (w == nullptr) return 1;
  ShowWindow(w, show);
  UpdateWindow(w);
  MSG m{};
  for (;;) {
    ready.onIdle();
    if (GetMessageW(&m, nullptr, 0, 0) <= 0) break;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}
