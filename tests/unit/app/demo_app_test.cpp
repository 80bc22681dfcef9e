#include "app/demo_app.h"

#include <gtest/gtest.h>

#include "app/about_dlg.h"
#include "platform/recording_controls.h"

namespace {

struct NullFrame : FrameWindow {
  int destroyed = 0;
  void destroy() override { ++destroyed; }
};

struct NullShell : port::Shell {
  int messageBox(std::string_view, std::string_view, unsigned) override { return 1; }
  void beep(unsigned) override {}
  void setWaitCursor(bool) override {}
  void postQuit(int) override {}
  bool startProcess(std::string_view, int) override { return true; }
  void shellExecute(std::string_view, int) override {}
  void helpEngine(std::string_view, unsigned) override {}
  std::string programPath() override { return "C:\\Demo.exe"; }
  port::Point screenSize() override { return {1024, 768}; }
};

// Runs each dialog's onInit on recording controls, then presses OK.
struct InitOnlyRunner : port::DialogRunner {
  std::vector<int> opened;
  test::RecordingControls last;
  int runModal(port::Dialog& d) override {
    opened.push_back(d.templateId());
    last = {};
    d.onInit(last);
    d.onCommand(last, port::mb::kIdOk, port::notify::kClicked);
    return last.endResult;
  }
};

// A view that takes one command, to check the routing order.
struct OneCommandView : ViewEvents {
  int id;
  std::vector<int>* log;
  OneCommandView(int i, std::vector<int>* l) : id(i), log(l) {}
  void onCreate() override {}
  void onDestroy() override {}
  void onPaint(port::Surface&) override {}
  void onKeyDown(int) override {}
  void onChar(unsigned) override {}
  void onLButtonDown(port::Point) override {}
  void onFocus(bool) override {}
  bool hasCommand(int c) const override { return c == id; }
  bool onCommand(int c) override {
    if (c != id) return false;
    log->push_back(c);
    return true;
  }
};

TEST(AboutDlg, SetsItsTextsAndCaptionAndClosesWithButton1) {
  InitOnlyRunner runner;
  CDemoApp app(runner);
  NullFrame fw;
  NullShell shell;
  CMainFrame frame(fw, shell);
  EXPECT_TRUE(app.routeCommand(frame, 57664));
  ASSERT_EQ(runner.opened, std::vector<int>{100});
  EXPECT_EQ(runner.last.texts[1025], "pelox读写器演示程序");
  EXPECT_FALSE(runner.last.texts[1026].empty());
  EXPECT_EQ(runner.last.texts[1026].find('\n'), std::string::npos) << "the notice is one line";
  EXPECT_TRUE(runner.last.texts.count(1027));
  EXPECT_EQ(runner.last.texts[1027], "");
  EXPECT_EQ(runner.last.caption, "pelox读写器演示程序");
  EXPECT_EQ(runner.last.endResult, port::mb::kIdOk);
}

TEST(DemoApp, NewDocumentKeepsTheCardImage) {
  InitOnlyRunner runner;
  CDemoApp app(runner);
  NullFrame fw;
  NullShell shell;
  CMainFrame frame(fw, shell);
  app.doc.setByte(5, 0x41);
  EXPECT_TRUE(app.routeCommand(frame, 57600));
  EXPECT_EQ(app.doc.byteAt(5), 0x41);
  EXPECT_TRUE(runner.opened.empty());
}

TEST(DemoApp, CommandsGoToTheViewFirstThenFrameThenApp) {
  InitOnlyRunner runner;
  CDemoApp app(runner);
  NullFrame fw;
  NullShell shell;
  CMainFrame frame(fw, shell);
  std::vector<int> log;
  EXPECT_TRUE(app.routeCommand(frame, 57665));
  EXPECT_EQ(fw.destroyed, 1) << "without a view the frame takes exit";

  // A view that claims the exit command: the frame must not see it.
  app.setView(std::make_unique<OneCommandView>(57665, &log));
  EXPECT_TRUE(app.routeCommand(frame, 57665));
  EXPECT_EQ(log, std::vector<int>{57665});
  EXPECT_EQ(fw.destroyed, 1);
  // Commands the view lacks still reach the frame and the application.
  EXPECT_TRUE(app.routeCommand(frame, 57600));
  EXPECT_FALSE(app.routeCommand(frame, 32790)) << "nobody handles detection here";
  EXPECT_FALSE(app.commandEnabled(frame, 32790));
  app.setView(std::make_unique<OneCommandView>(32790, &log));
  EXPECT_TRUE(app.commandEnabled(frame, 32790));
}

struct EnableCase {
  int id;
  bool enabled;
};

TEST(DemoApp, MenuItemsWithoutAHandlerAreDisabled) {
  InitOnlyRunner runner;
  CDemoApp app(runner);
  NullFrame fw;
  NullShell shell;
  CMainFrame frame(fw, shell);
  const EnableCase cases[] = {
      {57664, true}, {57665, true}, {32847, true}, {32793, true},  // app and frame
      {32775, false}, {32789, false}, {32813, false}, {32846, false}, {32830, false},
      {32850, false}, {32812, false}, {32843, false}, {32794, false}, {32777, false},  // 手工选择 without command
  };
  for (const auto& c : cases) EXPECT_EQ(app.commandEnabled(frame, c.id), c.enabled) << c.id;
}

}  // namespace
