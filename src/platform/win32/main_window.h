// The main frame window: hosts CMainFrame's logic and the view window,
// routes menu and accelerator commands (view, frame, application) and
// greys the menu items nobody handles when a popup opens.
#pragma once

#include "app/demo_app.h"
#include "app/main_frame.h"
#include "platform/win32/context.h"
#include "platform/win32/view_window.h"

namespace win32 {

class MainWindow : public FrameWindow {
 public:
  static constexpr const wchar_t* kClassName = L"PeloxDemoFrame";

  MainWindow(Context& ctx, CDemoApp& app, ViewWindow& view, const CDemoApp::Ports& ports);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  static bool registerClass(HINSTANCE instance);
  // Creates the frame with menu 2 and the view; false when it failed
  // (reported).
  bool create();
  HWND hwnd() const { return hwnd_; }
  CMainFrame& frame() { return frame_; }

  void destroy() override;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void onSize(WPARAM kind);

  Context& ctx_;
  CDemoApp& app_;
  CDemoApp::Ports ports_;
  CMainFrame frame_;
  ViewWindow& viewWindow_;
  HWND hwnd_ = nullptr;
  bool placing_ = false;
};

}  // namespace win32
