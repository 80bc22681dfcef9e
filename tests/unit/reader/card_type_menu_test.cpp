// Menu bar per card type, the USB rule for "设备操作", FindMenuItem and the
// manual card-type commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "view/card_type_menu.h"
#include "reader/reader_fixture.h"
#include "support/rc_file.h"
#include "cards/card_catalogue.h"

namespace {

using readertest::ScriptedView;

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

struct MenuCase {
  CardType cardType;
  int menuId;
};
const MenuCase kMenuCases[] = {
    {CardType::Sle4428, 138},    {CardType::Sle4442, 138},     {CardType::Cpu, 135},
    {CardType::Sam, 135},        {CardType::At88sc102, 139},   {CardType::At24c01a, 137},
    {CardType::At24c02, 137},    {CardType::At24c04, 137},     {CardType::At24c08, 137},
    {CardType::At24c16, 137},    {CardType::At45d041, 137},    {CardType::At24c64, 137},
    {CardType::At88sc1604, 141}, {CardType::At88sc1604b, 141}, {CardType::At88sc1608, 143},
    {CardType::At88sc153, 143},  {CardType::None, 2},          {CardType::Sle4404, 2},
    {CardType::Ssf1101, 2},      {CardType::Sle4406, 2},       {CardType::Sle4418, 2},
    {CardType::Sle4432, 2},      {CardType::At88sc101, 2},     {CardType::At88sc103, 2},
};

TEST_F(ScriptedView, EachCardTypeGetsItsMenuBarAndUsbHidesTheDeviceDialog) {
  for (const MenuCase& c : kMenuCases) {
    for (ReaderPort port : {ReaderPort::Com1, ReaderPort::Com4, ReaderPort::Usb, ReaderPort::None}) {
      st.port = port;
      SwapMenuForCardType(view.context(), c.cardType);
      EXPECT_EQ(ui.menu.installedId, c.menuId) << "card type " << c.cardType;
      const auto items = ui.menu.popupCaptions("卡型选择(&T)");
      ASSERT_FALSE(items.empty()) << "card type " << c.cardType;
      EXPECT_EQ(contains(items, "设备操作"), port != ReaderPort::Usb)
          << "card type " << c.cardType << " port " << port;
      EXPECT_TRUE(contains(items, "卡下电")) << "only the device item goes";
    }
  }
  EXPECT_TRUE(ui.log.boxes().empty()) << context();
}

TEST_F(ScriptedView, MenuSwapEndsAnEditAndRedrawsTheFrame) {
  st.editActive = 1;
  st.viewState = ViewState::CardData;
  ui.window.caretCreated = true;
  ui.window.caretVisible = true;
  SwapMenuForCardType(view.context(), CardType::Sle4442);
  EXPECT_EQ(st.editActive, 0);
  EXPECT_FALSE(ui.window.caretVisible);
  EXPECT_EQ(st.viewState, ViewState::NoCardData);
  EXPECT_EQ(ui.menu.redraws, 1);
}

// A menu bar of one popup whose caption is given, for the failure paths.
class OnePopupBar : public port::MenuBar {
 public:
  explicit OnePopupBar(std::vector<std::string> captions) : captions_(std::move(captions)) {}
  port::MenuRef load(int) override { return 1; }
  int itemCount(port::MenuRef m) override { return m == 1 ? static_cast<int>(captions_.size()) : 0; }
  std::string itemCaption(port::MenuRef m, int i) override {
    return m == 1 ? captions_.at(static_cast<std::size_t>(i)) : "";
  }
  port::MenuRef subMenu(port::MenuRef, int) override { return 0; }
  bool removeItem(port::MenuRef, int) override { return false; }
  void install(port::MenuRef m) override { installed = m; }
  void redrawFrame() override { ++redraws; }
  port::MenuRef installed = 0;
  int redraws = 0;

 private:
  std::vector<std::string> captions_;
};

TEST_F(ScriptedView, FindMenuItemNeedsTheExactCaptionAndSkipsSeparators) {
  OnePopupBar bar({"", "卡型选择", "卡型选择(&T)", "设备操作", "卡型选择(&T)"});
  EXPECT_EQ(FindMenuItem(bar, 1, "卡型选择(&T)"), 2);
  EXPECT_EQ(FindMenuItem(bar, 1, "卡型选择"), 1);
  EXPECT_EQ(FindMenuItem(bar, 1, ""), -1) << "a separator never matches";
  EXPECT_EQ(FindMenuItem(bar, 1, "设备操作 "), -1);
  EXPECT_EQ(FindMenuItem(bar, 1, "选通讯口(&M)"), -1);
  EXPECT_EQ(FindMenuItem(bar, 0, "卡型选择"), -1);
}

TEST_F(ScriptedView, MissingCardTypePopupOnUsbIsReportedAndKeepsTheEdit) {
  OnePopupBar bar({"卡型选择", "帮 助(&H)"});
  ViewContext& v = view.context();
  ViewContext ctx{v.st, v.doc, v.drv, v.window, v.shell, bar, v.dialogs, v.files, v.catalogue, v.painter};
  st.port = ReaderPort::Usb;
  st.editActive = 1;
  st.viewState = ViewState::CardData;
  SwapMenuForCardType(ctx, CardType::Sle4442);
  EXPECT_EQ(bar.installed, 1u) << "the new bar stays installed";
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{std::string(kAppTitle) + "|Error pNewMenu"}));
  EXPECT_EQ(st.editActive, 1);
  EXPECT_EQ(st.viewState, ViewState::CardData);
  EXPECT_EQ(bar.redraws, 0);

  ui.log.clear();
  st.port = ReaderPort::Com2;
  SwapMenuForCardType(ctx, CardType::Sle4442);
  EXPECT_TRUE(ui.log.boxes().empty()) << "a serial port does not look for the popup";
  EXPECT_EQ(st.editActive, 0);
}

TEST_F(ScriptedView, MenuThatCannotBeLoadedKeepsTheOldBar) {
  SwapMenuForCardType(view.context(), CardType::Sle4442);
  ui.menu.failLoad = true;
  SwapMenuForCardType(view.context(), CardType::At88sc102);
  EXPECT_EQ(ui.menu.installedId, 138);
  EXPECT_EQ(ui.log.boxes().size(), 1u) << context();
}

struct ManualCase {
  int commandId;
  CardType cardType;
  pelox::DriverType driverType;
  bool checksStatus;
  const char* caption;
  int menuId;
};
const ManualCase kManualCases[] = {
    {32771, CardType::At24c01a, pelox::DriverType::I2c, true, "24C01A", 137},
    {32772, CardType::At24c02, pelox::DriverType::I2c, false, "24C02", 137},
    {32773, CardType::At24c04, pelox::DriverType::I2c, false, "24C04", 137},
    {32805, CardType::At24c08, pelox::DriverType::I2c, false, "24C08", 137},
    {32774, CardType::At24c16, pelox::DriverType::I2c, false, "24C16", 137},
    {32806, CardType::At24c64, pelox::DriverType::I2cTwoByteAddress, false, "24C64", 137},
    {32791, CardType::Sle4442, pelox::DriverType::Sle4442, true, "4442", 138},
    {32796, CardType::Sle4428, pelox::DriverType::Sle4428, true, "4428", 138},
};

TEST_F(ScriptedView, ManualChoiceWithoutCardReportsPerTheStatusRule) {
  connected(ReaderPort::Com1);
  for (const ManualCase& c : kManualCases) {
    drv.clearCalls();
    drv.setDefault("IC_Status", 1);  // no card in the reader
    ASSERT_TRUE(view.onCommand(c.commandId)) << c.commandId;
    EXPECT_EQ(st.cardType, c.cardType);
    EXPECT_EQ(ui.menu.installedId, c.menuId);
    EXPECT_EQ(caption(), c.caption);
    ASSERT_EQ(drv.count("IC_InitType"), 1) << context();
    EXPECT_EQ(drv.callsTo("IC_InitType")[0].ints, (std::vector<long long>{7, codeOf(c.driverType)}));
    EXPECT_EQ(drv.count("IC_Status"), c.checksStatus ? 1 : 0) << c.commandId;
    EXPECT_EQ(line(2), c.checksStatus ? "设卡失败" : "设卡成功") << c.commandId;
  }
}

TEST_F(ScriptedView, ManualChoiceWithCardSucceedsAndSetsTheCapacity) {
  connected(ReaderPort::Com1);
  view.onCommand(32805);
  EXPECT_EQ(line(2), "设卡成功");
  EXPECT_EQ(st.byteCount, 1024);
  EXPECT_EQ(st.pageCount, 4);
  view.onCommand(32796);
  EXPECT_EQ(line(2), "设卡成功");
  EXPECT_EQ(st.byteCount, 1024);
}

TEST_F(ScriptedView, RefusedCardTypeKeepsTheChoiceAndSkipsTheStatus) {
  connected(ReaderPort::Com1);
  drv.results("IC_InitType", {-2});
  view.onCommand(32791);
  EXPECT_EQ(drv.count("IC_Status"), 0) << context();
  EXPECT_EQ(line(2), "设卡失败");
  EXPECT_EQ(st.cardType, CardType::Sle4442);
  EXPECT_EQ(ui.menu.installedId, 138);
}

TEST_F(ScriptedView, CpuCardChoiceOnlySwapsTheMenu) {
  connected(ReaderPort::Com1);
  view.onCommand(32791);
  const std::string before2 = line(2);
  drv.clearCalls();
  view.onCommand(32828);
  EXPECT_EQ(st.cardType, CardType::Cpu);
  EXPECT_EQ(ui.menu.installedId, 135);
  EXPECT_TRUE(drv.calls.empty()) << context();
  EXPECT_EQ(line(2), before2);
}

// The items of "手工选择" without a command are the greyed ones in every
// menu bar, and the view has no handler for them.
TEST_F(ScriptedView, OnlyTheNineManualItemsHaveCommands) {
  for (const rc::Menu& m : rc::File::program().menus) {
    const rc::MenuItem& cardPopup = m.items.at(0);
    const rc::MenuItem& manual = cardPopup.children.at(0);
    ASSERT_EQ(manual.caption, "手工选择");
    for (const rc::MenuItem& it : manual.children) {
      if (it.separator) continue;
      EXPECT_EQ(view.hasCommand(it.id), !it.grayed) << "menu " << m.id << " item " << it.caption;
    }
  }
}

}  // namespace
