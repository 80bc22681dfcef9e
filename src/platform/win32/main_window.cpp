#include "platform/win32/main_window.h"

#include <exception>

#include "platform/win32/menu_bar.h"
#include "platform/win32/text.h"
#include "resources/resource.h"

namespace win32 {

MainWindow::MainWindow(Context& ctx, CDemoApp& app, ViewWindow& view, const CDemoApp::Ports& ports)
    : ctx_(ctx), app_(app), ports_(ports), frame_(*this, ports.shell), viewWindow_(view) {
  frame_.mayClose = [this] { return app_.confirmClose(); };
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool MainWindow::registerClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAINFRAME));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool MainWindow::create() {
  HMENU menu = LoadMenuW(ctx_.instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  if (menu == nullptr) {
    const std::string text = "菜单资源 2 无法加载（" + errorText(GetLastError()) + "）。";
    MessageBoxW(nullptr, wide(text).c_str(), L"Kv310型读写器演示系统", MB_OK | MB_ICONSTOP);
  }
  const DWORD style = CMainFrame::adjustStyle(WS_OVERLAPPEDWINDOW) | WS_CLIPCHILDREN;
  // The framework's title from string 2 until the first paint sets ours.
  CreateWindowExW(0, kClassName, L"Kv310系列型读写器演示系统", style, CW_USEDEFAULT, CW_USEDEFAULT, CMainFrame::kWidth,
                  CMainFrame::kHeight, nullptr, menu, ctx_.instance, this);
  if (hwnd_ == nullptr) {
    const std::string text = "主窗口无法创建（" + errorText(GetLastError()) + "）。";
    MessageBoxW(nullptr, wide(text).c_str(), L"Kv310型读写器演示系统", MB_OK | MB_ICONSTOP);
    return false;
  }
  return true;
}

void MainWindow::destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

LRESULT CALLBACK MainWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
    self->ctx_.frame = hwnd;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return self->handle(msg, wp, lp);
  } catch (const std::exception& e) {
    reportException(hwnd, "frame", &e);
  } catch (...) {
    reportException(hwnd, "frame", nullptr);
  }
  return 0;
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      app_.createView(ports_);
      if (viewWindow_.create(hwnd_, *app_.view()) == nullptr) return -1;
      return 0;
    case WM_SIZE: {
      const LRESULT r = DefWindowProcW(hwnd_, msg, wp, lp);
      onSize(wp);
      return r;
    }
    case WM_PAINT: {
      SetWindowTextW(hwnd_, wide(CMainFrame::kCaption).c_str());
      PAINTSTRUCT ps;
      BeginPaint(hwnd_, &ps);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_COMMAND:
      app_.routeCommand(frame_, LOWORD(wp));
      return 0;
    case WM_INITMENUPOPUP:
      if (HIWORD(lp) == 0)
        updatePopup(reinterpret_cast<HMENU>(wp), [this](int id) { return app_.commandEnabled(frame_, id); });
      return 0;
    case WM_SETFOCUS:
      if (ctx_.view != nullptr) SetFocus(ctx_.view);
      return 0;
    case WM_SETCURSOR:
      if (keepWaitCursor(ctx_, lp)) return TRUE;
      break;
    case WM_CLOSE:
      // The close button: edits not yet written go only with the operator's word.
      if (!app_.confirmClose()) return 0;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND self = hwnd_;
      SetWindowLongPtrW(self, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      ctx_.frame = nullptr;
      return DefWindowProcW(self, msg, wp, lp);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::onSize(WPARAM kind) {
  // The view fills the client area.
  if (ctx_.view != nullptr && kind != SIZE_MINIMIZED) {
    RECT r{};
    GetClientRect(hwnd_, &r);
    MoveWindow(ctx_.view, 0, 0, r.right, r.bottom, TRUE);
  }
  // Every size change puts the frame back at its one place and size. The
  // SetWindowPos below sends WM_SIZE again: the guard stops the recursion.
  // A minimised frame is left minimised; restoring it comes back here.
  if (placing_ || kind == SIZE_MINIMIZED) return;
  placing_ = true;
  const auto p = CMainFrame::placement(ports_.shell.screenSize());
  SetWindowPos(hwnd_, HWND_TOP, p.x, p.y, p.width, p.height, SWP_SHOWWINDOW);
  placing_ = false;
}

}  // namespace win32
