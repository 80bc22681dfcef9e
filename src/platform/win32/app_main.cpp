#include "platform/win32/app_main.h"

namespace win32 {
namespace {

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      SetWindowTextW(hwnd, L"pelox\u8bfb\u5199\u5668\u6f14\u793a\u7a0b\u5e8f");
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
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

int runApplication(HINSTANCE instance, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = frameProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"PeloxDemoFrame";
  RegisterClassW(&wc);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - 640) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - 480) / 2;
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Demo", WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX),
                              x, y, 651, 415, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}

}  // namespace win32
