// One run of the program on Win32: the shared handles, the port
// implementations, the application object and its windows.
#pragma once

#include <windows.h>

#include "app/demo_app.h"
#include "platform/win32/context.h"
#include "platform/win32/dialog_runner.h"
#include "platform/win32/file_dialogs.h"
#include "platform/win32/main_window.h"
#include "platform/win32/menu_bar.h"
#include "platform/win32/shell.h"
#include "platform/win32/view_window.h"

namespace win32 {

class Application {
 public:
  explicit Application(HINSTANCE instance);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Loads the driver (unless `loadReaderDriver` is false: the table is then
  // filled with stand-ins), registers the window classes, creates the frame
  // with its view and shows it. False when the frame could not be created
  // (already reported).
  bool start(int show, bool loadReaderDriver = true);
  // The message loop with accelerator table 2; returns the exit code.
  int run();

  HWND frame() const { return ctx_.frame; }
  HWND view() const { return ctx_.view; }
  CDemoApp& app() { return app_; }
  MainWindow& mainWindow() { return main_; }
  ViewWindow& viewWindow() { return viewWindow_; }

 private:
  Context ctx_;
  Shell shell_{ctx_};
  MenuBar menu_{ctx_};
  DialogRunner dialogs_{ctx_};
  FileDialogs files_{ctx_};
  ViewWindow viewWindow_{ctx_};
  CDemoApp app_{dialogs_};
  MainWindow main_;
  HMODULE driver_ = nullptr;
  HACCEL accelerators_ = nullptr;
};

// Creates the application's windows and runs the message loop; returns the
// program's exit code.
int runApplication(HINSTANCE instance, int show);

}  // namespace win32
