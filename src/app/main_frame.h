// CMainFrame: the main frame window's own logic. The Win32 layer creates
// the window, asks this class for its style and placement, and hands it the
// commands that the view did not take.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/command_table.h"
#include "platform/ports.h"

// What CMainFrame needs from its window.
class FrameWindow {
 public:
  virtual ~FrameWindow() = default;
  // Destroys the main window, which ends the program.
  virtual void destroy() = 0;
};

class CMainFrame {
 public:
  static constexpr const char* kCaption = "pelox读写器演示程序";
  static constexpr int kWidth = 651;
  static constexpr int kHeight = 415;
  // Window style bits the frame removes before it is created.
  static constexpr unsigned kThickFrame = 0x00040000;   // WS_THICKFRAME
  static constexpr unsigned kMaximizeBox = 0x00010000;  // WS_MAXIMIZEBOX

  static constexpr unsigned kHelpIndexCommand = 3;  // HELP_INDEX
  static constexpr int kShow = 5;                   // SW_SHOW

  struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
  };

  CMainFrame(FrameWindow& window, port::Shell& shell);

  // The frame's style: the given style without the resizing border and
  // the maximise box.
  static unsigned adjustStyle(unsigned style);
  // Where every size change puts the frame: centred as a 640x480 window
  // would be, with the frame's own fixed size.
  static Placement placement(port::Point screen);
  // "hh.exe " + the program's directory with its trailing backslash +
  // "KVhelp.chm". The path is taken as at most 260 characters and not
  // quoted.
  static std::string helpTopicsCommandLine(std::string_view programPath);

  bool hasCommand(int id) const { return commands_.has(id); }
  bool onCommand(int id) { return commands_.run(id); }

  // Asked before "退出系统" ends the program: false keeps it running (the
  // view's edits not yet written). Unset: the program may end.
  std::function<bool()> mayClose;

 private:
  void onExit();
  void onHelpTopics();
  void onHelpIndex();

  FrameWindow& window_;
  port::Shell& shell_;
  CommandTable commands_;
};
