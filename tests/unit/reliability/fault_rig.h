// The program on the simulated reader with the fake UI, for fault runs: a
// driver table that records the name of every call, and a rig that runs one
// operation and captures what the operator was left with.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "reader/driver.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace reliability {

// The simulator's table behind a recorder: every call's function name is
// appended to `calls()`.
DriverTable recordingTable();
std::vector<const char*>& calls();

// The card image Save and Open dialogs of the fake UI, taking the caret
// while they are open when asked to (see Rig::dialogTakesCaret).
class CaretTakingFiles : public port::FileDialogs {
 public:
  CaretTakingFiles(fake::FakeFileDialogs& files, std::function<void()> takeCaret)
      : files_(files), takeCaret_(std::move(takeCaret)) {}
  std::string askSavePath(const Filter& filter, std::string_view defaultName) override;
  std::string askOpenPath(const Filter& filter) override;
  FileContent readFile(std::string_view path, std::size_t limit) override {
    return files_.readFile(path, limit);
  }
  bool writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override {
    return files_.writeFile(path, bytes);
  }
  bool takesCaret = false;

 private:
  fake::FakeFileDialogs& files_;
  std::function<void()> takeCaret_;
};

// The main window as the frame's logic sees it: destroying it ends the program.
struct FrameStub : FrameWindow {
  void destroy() override { destroyed = true; }
  bool destroyed = false;
};

struct Rig {
  fake::FakeUi ui;
  FrameStub frameWindow;
  CMainFrame frame{frameWindow, ui.shell};
  DriverTable table = recordingTable();
  AppState st;
  CDemoDoc doc;
  CaretTakingFiles files{ui.files, [this] { dialogTakesCaret(); }};
  std::unique_ptr<CDemoView> view;

  // A fresh reader on USB with a factory card of `card`, and the view
  // created on it (the reader opened).
  explicit Rig(const char* card);
  ~Rig();
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  void command(int id) { view->onCommand(id); }
  // The window's close button (WM_CLOSE).
  void closeButton();
  // The program ended and is started again on the same reader and cards.
  void restart();
  void key(int vk) { view->onKeyDown(vk); }
  void type(const std::string& chars);
  // Types a byte in hexadecimal at a card address (edit mode on).
  void typeAt(int address, std::uint8_t value);
  // Space on a card address: marks the byte for write protection.
  void markAt(int address);
  // Runs a dialog command with the text typed into one edit and OK.
  void dialogCommand(int id, int editId, const std::string& text);

  // The operator's mouse click on a cell of the page shown.
  void clickCell(int row, int col, bool ascii);
  // The caret on screen: false when there is none to see.
  bool caretShown(port::Point& at) const;
  // What Windows does to the view's caret while a dialog with an edit
  // control is open: the edit takes the thread's one caret and destroys it
  // when the dialog closes; the caret position then read is the edit's.
  void dialogTakesCaret();

  // Boxes shown, then the three status lines: what tells the operator how
  // the operation ended.
  std::string signature() const;
  std::vector<std::uint8_t> image() const;
};

}  // namespace reliability
