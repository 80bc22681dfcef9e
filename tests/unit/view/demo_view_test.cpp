#include "view/demo_view.h"

#include <gtest/gtest.h>

#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "memview/demo_doc.h"
#include "resources/resource.h"
#include "support/enum_print.h"
#include "view/app_state.h"

namespace {

class View : public ::testing::Test {
 protected:
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  AppState st;
  CDemoDoc doc;
  CDemoView view{st, doc, drv.table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files};
  fake::ScreenModel offscreen;
  fake::FakeSurface surface{offscreen, ui.log};

  void paint() { view.onPaint(surface); }
};

TEST_F(View, FirstPaintDrawsTheBlankGridAndPostsDetectionOnce) {
  st.port = ReaderPort::Usb;
  paint();
  EXPECT_EQ(st.viewState, ViewState::NoCardData);
  EXPECT_EQ(ui.window.posted, std::vector<int>{ID_CARDTYPE_AUTODETECT});
  EXPECT_EQ(offscreen.backgroundDraws, 1);
  EXPECT_EQ(offscreen.textAt(33, 32)->text, "000");
  // Nothing past the grid: no port name, caption or page total yet.
  EXPECT_EQ(offscreen.textAt(220, 332), nullptr);
  EXPECT_EQ(offscreen.textAt(218, 301), nullptr);
  EXPECT_EQ(st.detectResult, DetectResult::Undetermined);

  st.detectResult = DetectResult::Unknown;
  paint();
  EXPECT_EQ(ui.window.posted, std::vector<int>{ID_CARDTYPE_AUTODETECT}) << "posted again on a later paint";
  EXPECT_EQ(offscreen.visibleText(220, 332), "USB ");
  EXPECT_EQ(offscreen.visibleText(218, 301), "未知卡型");
  EXPECT_EQ(st.detectResult, DetectResult::Undetermined);
  // The paint went to the off-screen surface, not the window.
  EXPECT_TRUE(ui.window.screen.at.empty());
}

TEST_F(View, RepaintKeepsThePageShown) {
  st.viewState = ViewState::CardData;
  st.cardType = CardType::At24c08;
  st.byteCount = 1024;
  st.pageCount = 4;
  st.currentPage = 2;
  for (int a = 0; a < 1024; ++a) doc.setByte(a, static_cast<std::uint8_t>(a / 256));
  paint();
  EXPECT_EQ(st.currentPage, 2);
  EXPECT_EQ(offscreen.visibleText(33, 32), "02");
  EXPECT_EQ(offscreen.visibleText(565, 332), "3");
  EXPECT_EQ(offscreen.visibleText(589, 332), "4");
  EXPECT_EQ(st.gridShown, 1);
}

TEST_F(View, RepaintWithoutCardDataDrawsTheBlankGrid) {
  st.viewState = ViewState::NoCardData;
  st.cardType = CardType::Sle4442;
  paint();
  EXPECT_EQ(offscreen.visibleText(33, 32), "");
  EXPECT_EQ(st.gridShown, 0);
  EXPECT_EQ(offscreen.visibleText(218, 301), "4442");
  EXPECT_EQ(offscreen.visibleText(589, 332), "1");
  EXPECT_EQ(st.byteCount, 256);
}

TEST_F(View, RepaintClearsTheStatusArea) {
  st.viewState = ViewState::NoCardData;
  view.painter().setTarget(&surface);
  view.painter().showStatus(2, "读卡成功");
  view.painter().setTarget(nullptr);
  paint();
  EXPECT_EQ(offscreen.textAt(12, 316), nullptr);
}

TEST_F(View, CreateSetsTheCellSizeMakesTheCaretAndRunsHooks) {
  st.charWidth = 0;
  st.lineHeight = 0;
  std::vector<std::string> order;
  view.createHooks.push_back([&] { order.push_back("a"); });
  view.createHooks.push_back([&] { order.push_back("b"); });
  view.destroyHooks.push_back([&] { order.push_back("closed"); });
  view.onCreate();
  EXPECT_EQ(st.charWidth, 9);
  EXPECT_EQ(st.lineHeight, 15);
  EXPECT_TRUE(ui.window.caretCreated);
  EXPECT_EQ(ui.window.caretWidth, 8);
  EXPECT_EQ(ui.window.caretHeight, 15);
  EXPECT_FALSE(ui.window.caretVisible);
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b"}));
  view.onDestroy();
  EXPECT_EQ(order.back(), "closed");
}

TEST_F(View, CommandTableDispatches) {
  std::vector<int> ran;
  view.addCommand(40001, [&](int id) { ran.push_back(id); });
  view.addCommandRange(40010, 40012, [&](int id) { ran.push_back(id); });
  EXPECT_TRUE(view.hasCommand(40001));
  EXPECT_TRUE(view.hasCommand(40012));
  EXPECT_FALSE(view.hasCommand(40013));
  EXPECT_TRUE(view.onCommand(40011));
  EXPECT_TRUE(view.onCommand(40001));
  EXPECT_FALSE(view.onCommand(40002));
  EXPECT_EQ(ran, (std::vector<int>{40011, 40001}));
  view.addCommand(40020, nullptr);
  EXPECT_FALSE(view.hasCommand(40020));
  EXPECT_FALSE(view.onCommand(40020));
}

TEST_F(View, InputGoesToTheInstalledHandlersOnly) {
  // Whatever the modules installed, clearing them leaves input harmless.
  view.keyDown = nullptr;
  view.charInput = nullptr;
  view.leftButtonDown = nullptr;
  view.onKeyDown(port::vk::kEscape);
  view.onChar('A');
  view.onLButtonDown({500, 400});
  int keys = 0;
  unsigned lastChar = 0;
  port::Point click;
  view.keyDown = [&](int) { ++keys; };
  view.charInput = [&](unsigned c) { lastChar = c; };
  view.leftButtonDown = [&](port::Point p) { click = p; };
  view.onKeyDown(port::vk::kF5);
  view.onChar('z');
  view.onLButtonDown({480, 390});
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(lastChar, static_cast<unsigned>('z'));
  EXPECT_EQ(click, (port::Point{480, 390}));
}

}  // namespace
