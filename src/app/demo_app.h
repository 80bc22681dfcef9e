// CDemoApp: the application object. It owns the process-wide state, the
// document and the driver table, creates the view object for the view
// window, handles the application's own commands and routes every command
// from the menu bar and the accelerators: view first, then frame, then
// application.
#pragma once

#include <memory>

#include "app/main_frame.h"
#include "platform/view_events.h"
#include "memview/demo_doc.h"
#include "platform/command_table.h"
#include "platform/dialog.h"
#include "platform/ports.h"
#include "reader/driver.h"
#include "view/app_state.h"

class CDemoApp {
 public:
  // Every dialog: grey background, black text.
  static constexpr port::Colour kDialogBackground = port::rgb(192, 192, 192);
  static constexpr port::Colour kDialogText = port::rgb(0, 0, 0);

  struct Ports {
    port::ViewWindow& window;
    port::Shell& shell;
    port::MenuBar& menu;
    port::DialogRunner& dialogs;
    port::FileDialogs& files;
  };

  explicit CDemoApp(port::DialogRunner& dialogs);
  ~CDemoApp();
  CDemoApp(const CDemoApp&) = delete;
  CDemoApp& operator=(const CDemoApp&) = delete;

  AppState state;
  CDemoDoc doc;
  DriverTable driver;

  // Creates the view object for the view window (before its WM_CREATE).
  ViewEvents& createView(const Ports& ports);
  // Puts another view object in its place (tests, in-process checks).
  void setView(std::unique_ptr<ViewEvents> v) { view_ = std::move(v); }
  ViewEvents* view() { return view_.get(); }
  void destroyView() { view_.reset(); }

  bool hasCommand(int id) const { return commands_.has(id); }
  bool onCommand(int id) { return commands_.run(id); }

  // A command from the menu bar or an accelerator: the view, then the
  // frame, then the application. False when nobody handles it.
  bool routeCommand(CMainFrame& frame, int id);
  // Whether the program may end now (the view asks about unwritten edits).
  bool confirmClose() { return view_ == nullptr || view_->confirmClose(); }
  // Whether a menu item with this command is enabled: someone handles it.
  bool commandEnabled(const CMainFrame& frame, int id) const;

 private:
  void onAbout();

  port::DialogRunner& dialogs_;
  CommandTable commands_;
  std::unique_ptr<ViewEvents> view_;
};

// The view object behind the view window (demo_view_host.cpp).
std::unique_ptr<ViewEvents> makeDemoView(CDemoApp& app, const CDemoApp::Ports& ports);
