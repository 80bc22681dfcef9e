#include "app/main_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

struct RecordingFrame : FrameWindow {
  int destroyed = 0;
  void destroy() override { ++destroyed; }
};

struct RecordingShell : port::Shell {
  std::vector<std::string> calls;
  std::string path = "C:\\Program Files\\Demo\\Demo.exe";
  int messageBox(std::string_view t, std::string_view, unsigned) override {
    calls.push_back("box:" + std::string(t));
    return 1;
  }
  void beep(unsigned) override { calls.push_back("beep"); }
  void setWaitCursor(bool) override {}
  void postQuit(int) override { calls.push_back("quit"); }
  bool startProcess(std::string_view line, int show) override {
    calls.push_back("start:" + std::string(line) + "|" + std::to_string(show));
    return false;  // the help viewer is missing: nothing may be shown
  }
  void shellExecute(std::string_view, int) override {}
  void helpEngine(std::string_view file, unsigned command) override {
    calls.push_back("help:" + std::string(file) + "|" + std::to_string(command));
  }
  std::string programPath() override { return path; }
  port::Point screenSize() override { return {1024, 768}; }
};

TEST(MainFrame, PlacementCentresAs640x480WithFixedSize) {
  struct Case {
    port::Point screen;
    int x, y;
  };
  const Case cases[] = {{{1024, 768}, 192, 144}, {{640, 480}, 0, 0}, {{1025, 769}, 192, 144}, {{600, 400}, -20, -40}};
  for (const auto& c : cases) {
    const auto p = CMainFrame::placement(c.screen);
    EXPECT_EQ(p.x, c.x) << c.screen.x;
    EXPECT_EQ(p.y, c.y) << c.screen.y;
    EXPECT_EQ(p.width, 651);
    EXPECT_EQ(p.height, 415);
  }
}

TEST(MainFrame, StyleLosesResizingBorderAndMaximiseBoxOnly) {
  const unsigned overlappedWindow = 0x00CF0000;  // WS_OVERLAPPEDWINDOW
  EXPECT_EQ(CMainFrame::adjustStyle(overlappedWindow), 0x00CA0000u);
  EXPECT_EQ(CMainFrame::adjustStyle(0x02000000), 0x02000000u);  // WS_CLIPCHILDREN kept
}

TEST(MainFrame, HelpTopicsCommandLine) {
  struct Case {
    const char* path;
    const char* line;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Demo\\Demo.exe", "hh.exe C:\\Program Files\\Demo\\KVhelp.chm"},
      {"D:\\读写器\\Demo.exe", "hh.exe D:\\读写器\\KVhelp.chm"},
      {"C:\\Demo.exe", "hh.exe C:\\KVhelp.chm"},
      {"Demo.exe", "hh.exe KVhelp.chm"},
  };
  for (const auto& c : cases) EXPECT_EQ(CMainFrame::helpTopicsCommandLine(c.path), c.line) << c.path;
}

TEST(MainFrame, HelpTopicsPathLongerThan260CharactersIsCut) {
  // 256 characters of directory, then "\sub\Demo.exe": the buffer holds the
  // first 260, which end inside "sub", so the cut falls after the first
  // backslash.
  const std::string dir = "C:\\" + std::string(253, 'a');
  const std::string line = CMainFrame::helpTopicsCommandLine(dir + "\\sub\\Demo.exe");
  EXPECT_EQ(line, "hh.exe " + dir + "\\KVhelp.chm");
}

TEST(MainFrame, Commands) {
  RecordingFrame frame;
  RecordingShell shell;
  CMainFrame f(frame, shell);
  for (int id : {ID_APP_EXIT, ID_HELP_TOPICS, ID_HELP_WINHELP_INDEX}) EXPECT_TRUE(f.hasCommand(id)) << id;
  EXPECT_FALSE(f.hasCommand(ID_APP_ABOUT));

  EXPECT_TRUE(f.onCommand(ID_HELP_TOPICS));
  EXPECT_TRUE(f.onCommand(ID_HELP_WINHELP_INDEX));
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"start:hh.exe C:\\Program Files\\Demo\\KVhelp.chm|5",
                                                   "help:DEMO.hlp|3"}));
  EXPECT_EQ(frame.destroyed, 0);
  EXPECT_TRUE(f.onCommand(ID_APP_EXIT));
  EXPECT_EQ(frame.destroyed, 1);
  EXPECT_EQ(shell.calls.size(), 2u) << "exit asks no question";
  EXPECT_FALSE(f.onCommand(ID_CARDTYPE_AUTODETECT));
  bool allowed = false;
  f.mayClose = [&] { return allowed; };
  EXPECT_TRUE(f.onCommand(ID_APP_EXIT));
  EXPECT_EQ(frame.destroyed, 1) << "the view kept the program (edits not written)";
  allowed = true;
  f.onCommand(ID_APP_EXIT);
  EXPECT_EQ(frame.destroyed, 2);
}

}  // namespace
