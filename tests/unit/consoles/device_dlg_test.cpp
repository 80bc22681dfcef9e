// CDeviceDlg against a scripted driver: the beep range, the range checks of
// device memory transfers, write and read, the hidden page mode button and
// the command's page operation path.
#include "consoles/device_dlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "view/consoles_module.h"
#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "memview/demo_doc.h"
#include "resources/resource.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace {

constexpr int kHandle = 9;
const std::string kTitle = kAppTitle;

struct DeviceDialog : ::testing::Test {
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  CDeviceDlg dlg{drv.table};
  std::unique_ptr<fake::FakeControls> c;

  void SetUp() override {
    dlg.m_reader = kHandle;
    c = std::make_unique<fake::FakeControls>(IDD_DEVICE, dlg, ui.shell);
    dlg.onInit(*c);
  }
  void range(const std::string& start, const std::string& length) {
    c->type(1019, start);
    c->type(1020, length);
  }
};

TEST_F(DeviceDialog, OpensWithStartValuesAndThePageButtonHidden) {
  EXPECT_EQ(c->text(1021), "20");
  EXPECT_EQ(c->text(1019), "0");
  EXPECT_EQ(c->text(1020), "10");
  EXPECT_EQ(c->text(1003), "");
  EXPECT_FALSE(c->controls[1].visible);
}

TEST_F(DeviceDialog, BeepTimeRange) {
  struct Case {
    const char* typed;
    bool called;
  };
  for (const Case& k : {Case{"0", true}, Case{"255", true}, Case{"256", false}, Case{"-1", false}}) {
    drv.clearCalls();
    ui.log.clear();
    c->type(1021, k.typed);
    c->click(IDC_DEVICE_BEEP);
    if (k.called) {
      ASSERT_EQ(drv.count("IC_Beep"), 1) << k.typed;
      EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{kHandle, 5, std::stoll(k.typed)}));
      EXPECT_TRUE(ui.log.boxes().empty()) << ui.log.dump();
    } else {
      EXPECT_EQ(drv.calls.size(), 0u) << k.typed;
      EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{kTitle + "|输入错误！"})) << k.typed;
    }
  }
  drv.results("IC_Beep", {-2});
  ui.log.clear();
  c->type(1021, "20");
  c->click(IDC_DEVICE_BEEP);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"设备操作|蜂鸣失败"}));
}

TEST_F(DeviceDialog, TransferRangeChecksForWriteAndRead) {
  struct Case {
    const char* start;
    const char* length;
    const char* refusal;  // nullptr: the driver is called
  };
  const Case cases[] = {
      {"2048", "0", nullptr},
      {"0", "1023", nullptr},  // the most one transfer carries
      {"1025", "1023", nullptr},
      {"2049", "0", "输入起始地址错误！"},
      {"4294967295", "1", "输入起始地址错误！"},
      {"2048", "1", "输入长度错误！"},
      {"1026", "1023", "输入长度错误！"},
      {"0", "1024", "输入长度错误！"},  // more than the hex buffer carries
      {"0", "2048", "输入长度错误！"},
      {"1", "4294967295", "输入长度错误！"},  // would wrap round to 0 in 32 bits
  };
  for (int button : {IDC_DEVICE_WRITE, IDC_DEVICE_READ}) {
    for (const Case& k : cases) {
      drv.clearCalls();
      ui.log.clear();
      range(k.start, k.length);
      c->type(1003, "");
      c->click(button);
      if (!k.refusal) {
        EXPECT_EQ(drv.calls.size(), 1u) << button << " " << k.start << "+" << k.length << " " << ui.log.dump();
        ASSERT_FALSE(drv.calls.empty());
        EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{kHandle, std::stoll(k.start), std::stoll(k.length)}));
      } else {
        EXPECT_EQ(drv.calls.size(), 0u) << button << " " << k.start << "+" << k.length;
        EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{kTitle + "|" + k.refusal})) << k.start << "+" << k.length;
      }
    }
  }
}

TEST_F(DeviceDialog, WriteSendsTheDataTextAndReportsTheResult) {
  range("16", "4");
  c->type(1003, "0a1B2c3D");
  c->click(IDC_DEVICE_WRITE);
  drv.results("IC_WriteDevice_Hex", {-1});
  c->click(IDC_DEVICE_WRITE);
  ASSERT_EQ(drv.count("IC_WriteDevice_Hex"), 2);
  EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{kHandle, 16, 4}));
  EXPECT_EQ(drv.calls[0].texts.at(0), "0a1B2c3D");
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"设备操作|写数据成功", "设备操作|写数据失败"}));
}

TEST_F(DeviceDialog, DataTextOverTheBufferIsRefusedUnwritten) {
  range("0", "1023");
  c->type(1003, std::string(2046, 'F'));
  c->click(IDC_DEVICE_WRITE);
  EXPECT_EQ(drv.count("IC_WriteDevice_Hex"), 1);
  drv.clearCalls();
  ui.log.clear();
  c->type(1003, std::string(2047, 'F'));
  c->click(IDC_DEVICE_WRITE);
  c->type(1003, std::string(10000, 'F'));
  c->click(IDC_DEVICE_WRITE);
  EXPECT_EQ(drv.calls.size(), 0u);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{kTitle + "|输入长度错误！", kTitle + "|输入长度错误！"}));
}

TEST_F(DeviceDialog, ReadShowsTwoDigitsPerByteAndEmptiesTheFieldOnFailure) {
  // The driver writes more than was asked: only 2 x length digits count.
  drv.onCall("IC_ReadDevice_Hex", [](const fake::DriverCall&, const std::vector<void*>& out) {
    std::strcpy(static_cast<char*>(out.at(0)), "00112233445566778899AABBCCDDEEFF");
  });
  c->click(IDC_DEVICE_READ);  // start 0, length 10
  EXPECT_EQ(c->text(1003), "00112233445566778899");
  drv.results("IC_ReadDevice_Hex", {-1});
  c->click(IDC_DEVICE_READ);
  EXPECT_EQ(c->text(1003), "");
  EXPECT_EQ(dlg.m_data, "");
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"设备操作|读数据失败"}));
}

TEST_F(DeviceDialog, RefusedFieldStopsTheTransfer) {
  c->type(1003, "112233");
  c->type(1019, "abc");
  c->click(IDC_DEVICE_WRITE);
  c->type(1019, "0");
  c->type(1021, "x");
  c->click(IDC_DEVICE_READ);
  EXPECT_EQ(drv.calls.size(), 0u) << drv.dump();
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{kTitle + "|Please enter a positive integer.",
                                                      kTitle + "|Please enter an integer."}));
  EXPECT_EQ(c->text(1003), "112233");
}

TEST_F(DeviceDialog, RightDoubleClickInTheCornerRevealsThePageButton) {
  struct Case {
    port::Point p;
    bool reveals;
  };
  for (const Case& k : {Case{{5, 0}, false}, Case{{0, 5}, false}, Case{{30, 30}, false}, Case{{4, 4}, true}}) {
    c->rightDoubleClick(k.p);
    EXPECT_EQ(c->controls[1].visible, k.reveals) << k.p.x << "," << k.p.y;
  }
  c->click(CDeviceDlg::kPageModeButton);
  EXPECT_TRUE(c->ended);
  EXPECT_EQ(c->result, port::mb::kIdOk);
}

TEST_F(DeviceDialog, OkWhileThePageButtonIsHiddenDoesNothing) {
  dlg.onCommand(*c, port::mb::kIdOk, port::notify::kClicked);
  EXPECT_FALSE(c->ended);
  c->rightDoubleClick({0, 0});
  dlg.onCommand(*c, port::mb::kIdOk, port::notify::kClicked);
  EXPECT_TRUE(c->ended);
  EXPECT_EQ(c->result, port::mb::kIdOk);
}

struct DeviceCommand : ::testing::Test {
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  AppState st;
  CDemoDoc doc;
  std::unique_ptr<CDemoView> view;

  void SetUp() override {
    st.readerHandle = kHandle;
    st.port = ReaderPort::Com1;
    st.cardType = CardType::Sle4442;
    view =
        std::make_unique<CDemoView>(st, doc, drv.table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
    if (!view->hasCommand(ID_DEVICE_OPERATIONS)) installConsolesModule(*view);
  }
};

TEST_F(DeviceCommand, PageModeButtonSelects24C16AndSetsThePageMode) {
  for (int pageModeResult : {0, 1}) {
    drv.clearCalls();
    ui.log.clear();
    drv.results("IC_InitType", {0, pageModeResult});
    ui.dialogs.scripts.push_back([](fake::FakeControls& c) {
      c.rightDoubleClick({2, 3});
      c.click(1);
    });
    view->onCommand(ID_DEVICE_OPERATIONS);
    EXPECT_EQ(st.cardType, CardType::At24c16);
    EXPECT_EQ(ui.menu.installedId, 137);
    const auto inits = drv.callsTo("IC_InitType");
    ASSERT_EQ(inits.size(), 2u) << drv.dump();
    EXPECT_EQ(inits[0].ints, (std::vector<long long>{kHandle, 64}));
    EXPECT_EQ(inits[1].ints, (std::vector<long long>{kHandle, 1}));
    const auto boxes = ui.log.of(fake::Event::Kind::MessageBox);
    if (pageModeResult == 0) {
      EXPECT_TRUE(boxes.empty()) << ui.log.dump();
    } else {
      ASSERT_EQ(boxes.size(), 1u) << ui.log.dump();
      EXPECT_EQ(boxes[0].caption, "提示信息");
      EXPECT_EQ(boxes[0].text, "页操作模式失败！");
      EXPECT_EQ(boxes[0].style, port::mb::kOk | port::mb::kIconInformation);
    }
  }
}

TEST_F(DeviceCommand, ClosingWithoutThePageButtonChangesNothing) {
  ui.dialogs.scripts.push_back([](fake::FakeControls& c) { c.click(2); });
  view->onCommand(ID_DEVICE_OPERATIONS);
  EXPECT_EQ(ui.dialogs.opened, (std::vector<int>{146}));
  EXPECT_EQ(st.cardType, CardType::Sle4442);
  EXPECT_EQ(drv.calls.size(), 0u) << drv.dump();
}

TEST(CpuCardCommand, OpensTheConsoleOnTheReaderHandle) {
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  AppState st;
  CDemoDoc doc;
  st.readerHandle = kHandle;
  st.cardType = CardType::Cpu;
  CDemoView view(st, doc, drv.table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
  if (!view.hasCommand(ID_CPU_CARD_CONSOLE)) installConsolesModule(view);
  ui.dialogs.scripts.push_back([](fake::FakeControls& c) { c.click(1008); });
  view.onCommand(ID_CPU_CARD_CONSOLE);
  EXPECT_EQ(ui.dialogs.opened, (std::vector<int>{127}));
  ASSERT_EQ(drv.count("IC_Down"), 1);
  EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{kHandle}));
  EXPECT_EQ(st.cardType, CardType::Cpu);
}

}  // namespace
