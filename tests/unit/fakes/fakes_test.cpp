// The fakes carry logic of their own: what the scripted driver copies from
// and into the caller's buffers, and how the dialog and menu fakes follow
// the .rc file. Buffers below are heap blocks of exactly the size a caller
// passes, so the sanitizer catches any read or write past them.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>

#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"

namespace {

std::unique_ptr<unsigned char[]> bytes(std::initializer_list<unsigned char> b) {
  auto p = std::make_unique<unsigned char[]>(b.size());
  std::copy(b.begin(), b.end(), p.get());
  return p;
}

TEST(ScriptedDriver, CopiesInputsByTheLengthArgument) {
  fake::ScriptedDriver drv;
  auto data = bytes({1, 2, 3, 4});
  drv.table.IC_Write(7, 10, 4, data.get());
  drv.table.IC_DirectWrite(7, 2, 0, 3, data.get());
  drv.table.IC_CpuApdu(7, 2, data.get(), nullptr, nullptr);
  auto hex = bytes({0xAB});
  char out[3];
  drv.table.asc2hex(hex.get(), out, 1);  // the count follows the pointer
  drv.table.IC_Write(7, 0, 0, data.get());
  ASSERT_EQ(drv.calls.size(), 5u) << drv.dump();
  EXPECT_EQ(drv.calls[0].data[0], (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{7, 10, 4}));
  EXPECT_EQ(drv.calls[1].data[0], (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(drv.calls[2].data[0], (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(drv.calls[3].data[0], (std::vector<std::uint8_t>{0xAB}));
  EXPECT_TRUE(drv.calls[4].data[0].empty());
}

struct PasswordCase {
  const char* name;
  int zone;  // AZ calls only
  std::size_t length;
};

TEST(ScriptedDriver, PasswordCallsCopyTheCodeLengthOfTheirCard) {
  const PasswordCase cases[] = {
      {"IC_CheckPass_SLE4442", 0, 3}, {"IC_ChangePass_SLE4442", 0, 3}, {"IC_CheckPass_SLE4428", 0, 2},
      {"IC_ChangePass_SLE4428", 0, 2}, {"IC_CheckPass_102", 0, 2},      {"IC_ChangePass_102", 0, 2},
      {"IC_CheckPass_1604", 5, 2},     {"IC_ChangePass_1604B", 7, 2},   {"IC_CheckAZPass_102", 1, 6},
      {"IC_CheckAZPass_102", 2, 4},    {"IC_ChangeAZPass_102", 1, 6},   {"IC_ChangeAZPass_102", 2, 4},
  };
  for (const PasswordCase& c : cases) {
    fake::ScriptedDriver drv;
    auto code = std::make_unique<unsigned char[]>(c.length);
    for (std::size_t i = 0; i < c.length; ++i) code[i] = static_cast<unsigned char>(0x10 + i);
    const std::string n = c.name;
    const short z = static_cast<short>(c.zone);
    if (n == "IC_CheckPass_SLE4442") drv.table.IC_CheckPass_SLE4442(1, code.get());
    if (n == "IC_ChangePass_SLE4442") drv.table.IC_ChangePass_SLE4442(1, code.get());
    if (n == "IC_CheckPass_SLE4428") drv.table.IC_CheckPass_SLE4428(1, code.get());
    if (n == "IC_ChangePass_SLE4428") drv.table.IC_ChangePass_SLE4428(1, code.get());
    if (n == "IC_CheckPass_102") drv.table.IC_CheckPass_102(1, code.get());
    if (n == "IC_ChangePass_102") drv.table.IC_ChangePass_102(1, code.get());
    if (n == "IC_CheckPass_1604") drv.table.IC_CheckPass_1604(1, z, code.get());
    if (n == "IC_ChangePass_1604B") drv.table.IC_ChangePass_1604B(1, z, code.get());
    if (n == "IC_CheckAZPass_102") drv.table.IC_CheckAZPass_102(1, z, code.get());
    if (n == "IC_ChangeAZPass_102") drv.table.IC_ChangeAZPass_102(1, z, code.get());
    ASSERT_EQ(drv.calls.size(), 1u) << n;
    ASSERT_EQ(drv.calls[0].data.size(), 1u) << n;
    EXPECT_EQ(drv.calls[0].data[0].size(), c.length) << n << " zone " << c.zone;
    EXPECT_EQ(static_cast<int>(drv.calls[0].data[0].back()), static_cast<int>(0x10 + c.length - 1)) << n;
  }
}

TEST(ScriptedDriver, ResultsComeFromTheQueueThenTheDefault) {
  fake::ScriptedDriver drv;
  drv.results("IC_Status", {1, -5});
  drv.setDefault("IC_Status", 2);
  EXPECT_EQ(drv.table.IC_Status(3), 1);
  EXPECT_EQ(drv.table.IC_Status(3), -5);
  EXPECT_EQ(drv.table.IC_Status(3), 2);
  EXPECT_EQ(drv.table.IC_Down(3), 0);
  drv.results("IC_InitComm", {0x12345678});
  EXPECT_EQ(drv.table.IC_InitComm(100), 0x12345678);  // the handle is 32-bit
  EXPECT_EQ(drv.names(), (std::vector<std::string>{"IC_Status", "IC_Status", "IC_Status", "IC_Down", "IC_InitComm"}));
  EXPECT_EQ(drv.callsTo("IC_Status")[1].result, -5);
  EXPECT_EQ(drv.count("IC_Status"), 3);
}

TEST(ScriptedDriver, ReadDataNeverWritesPastTheLength) {
  fake::ScriptedDriver drv;
  drv.readData("IC_Read", {{1, 2, 3, 4, 5, 6, 7, 8}, {9}});
  auto buf = std::make_unique<unsigned char[]>(4);
  drv.table.IC_Read(1, 0, 4, buf.get());
  EXPECT_EQ(buf[3], 4);
  buf[0] = 0;
  drv.table.IC_Read(1, 0, 4, buf.get());
  EXPECT_EQ(buf[0], 9);
  EXPECT_EQ(buf[1], 2);  // a short chunk leaves the rest
  buf[0] = 0;
  drv.table.IC_Read(1, 0, 4, buf.get());
  EXPECT_EQ(buf[0], 9) << "the last chunk repeats";
}

TEST(ScriptedDriver, HexTextOutputGetsTwoDigitsPerByteAndItsZero) {
  fake::ScriptedDriver drv;
  const std::string text = "0A1B2C3D";
  drv.readData("IC_ReadDevice_Hex", {{text.begin(), text.end()}});
  auto out = std::make_unique<char[]>(5);  // two bytes
  drv.table.IC_ReadDevice_Hex(1, 0, 2, out.get());
  EXPECT_STREQ(out.get(), "0A1B");
}

TEST(ScriptedDriver, CpuAnswersSetTheirLengthByte) {
  fake::ScriptedDriver drv;
  drv.readData("IC_CpuReset", {{0x3B, 0x02, 0x14}});
  unsigned char len = 0;
  unsigned char answer[64] = {};
  drv.table.IC_CpuReset(1, &len, answer);
  EXPECT_EQ(len, 3);
  EXPECT_EQ(answer[2], 0x14);
}

TEST(ScriptedDriver, ActionSeesTheRecordedCallAndTheOutputs) {
  fake::ScriptedDriver drv;
  drv.results("IC_ReadProtection", {3});
  drv.onCall("IC_ReadProtection", [](const fake::DriverCall& c, const std::vector<void*>& out) {
    EXPECT_EQ(c.result, 3);
    ASSERT_EQ(out.size(), 1u);
    static_cast<unsigned char*>(out[0])[c.ints[2] - 1] = 0xEE;
  });
  unsigned char flags[32] = {};
  EXPECT_EQ(drv.table.IC_ReadProtection(1, 0, 32, flags), 3);
  EXPECT_EQ(flags[31], 0xEE);
}

TEST(ScriptedDriver, DescribeAndTheActiveInstance) {
  fake::ScriptedDriver first;
  {
    fake::ScriptedDriver second;
    EXPECT_EQ(fake::ScriptedDriver::active(), &second);
    second.table.IC_CheckWPassword_Hex(4, 1, "ABCDEF");
    auto d = bytes({0xFF, 0x01});
    second.table.IC_Write(4, 3, 2, d.get());
    EXPECT_EQ(second.calls[0].describe(), "IC_CheckWPassword_Hex(4,1,\"ABCDEF\")=0");
    EXPECT_EQ(second.calls[1].describe(), "IC_Write(4,3,2,[FF01])=0");
  }
  EXPECT_EQ(fake::ScriptedDriver::active(), nullptr);
  // The fake driver without an active instance fails instead of crashing.
  EXPECT_EQ(first.table.IC_Status(1), -1);
  EXPECT_TRUE(first.calls.empty());
}

TEST(FakeMenuBar, LoadsMenusFromTheResourceScript) {
  fake::EventLog log;
  fake::FakeMenuBar menu(log);
  const port::MenuRef bar = menu.load(2);
  ASSERT_NE(bar, 0u);
  EXPECT_EQ(menu.itemCaption(bar, 0), "卡型选择(&T)");
  const port::MenuRef popup = menu.subMenu(bar, 0);
  ASSERT_NE(popup, 0u);
  const port::MenuRef manual = menu.subMenu(popup, 0);
  ASSERT_NE(manual, 0u);
  const int n = menu.itemCount(manual);
  EXPECT_EQ(menu.itemCaption(manual, 0), "102");
  EXPECT_TRUE(menu.removeItem(manual, 0));
  EXPECT_EQ(menu.itemCount(manual), n - 1);
  EXPECT_EQ(menu.itemCaption(manual, 0), "1604");
  EXPECT_FALSE(menu.removeItem(manual, n + 5));
  EXPECT_EQ(menu.subMenu(manual, 0), 0u);  // a plain item has no popup
  // A fresh load is not affected by the removal.
  const port::MenuRef again = menu.load(2);
  EXPECT_EQ(menu.itemCount(menu.subMenu(menu.subMenu(again, 0), 0)), n);
  EXPECT_EQ(menu.load(9999), 0u);
  menu.failLoad = true;
  EXPECT_EQ(menu.load(2), 0u);
  EXPECT_EQ(menu.loads, 4);

  menu.install(bar);
  EXPECT_EQ(menu.installedId, 2);
  EXPECT_EQ(log.events.back().describe(), "menu[2]");
  EXPECT_EQ(menu.popupCaptions("卡型选择(&T)").front(), "手工选择");
}

TEST(FakeMenuBar, SeparatorsHaveAnEmptyCaption) {
  fake::EventLog log;
  fake::FakeMenuBar menu(log);
  const port::MenuRef bar = menu.load(2);
  bool sawSeparator = false;
  for (int p = 0; p < menu.itemCount(bar); ++p) {
    const port::MenuRef sub = menu.subMenu(bar, p);
    for (int i = 0; sub != 0 && i < menu.itemCount(sub); ++i) {
      if (menu.itemCaption(sub, i).empty() && menu.subMenu(sub, i) == 0) sawSeparator = true;
    }
  }
  EXPECT_TRUE(sawSeparator);
}

// A dialog on the password template that records what reaches it.
class RecordingDlg : public port::Dialog {
 public:
  int templateId() const override { return tmpl; }
  bool onInit(port::DialogControls& c) override {
    c.setText(1001, "init");  // from the dialog: no notification
    c.limitText(1001, limit);
    return true;
  }
  void onCommand(port::DialogControls& c, int id, int code) override {
    seen.push_back({id, code});
    port::Dialog::onCommand(c, id, code);
  }
  void onOK(port::DialogControls& c) override {
    okText = c.text(1001);
    if (!refuseOk) c.end(port::mb::kIdOk);
  }
  int tmpl = 102;
  int limit = 6;
  bool refuseOk = false;
  std::string okText;
  std::vector<std::pair<int, int>> seen;
};

TEST(FakeDialogRunner, TypingNotifiesInUpperCaseCutToTheLimit) {
  fake::FakeUi ui;
  RecordingDlg dlg;
  ui.dialogs.scripts.push_back(fake::typeAndOk(1001, "abcdef12"));
  EXPECT_EQ(ui.dialogs.runModal(dlg), port::mb::kIdOk);
  EXPECT_EQ(dlg.okText, "ABCDEF");
  EXPECT_EQ(dlg.seen, (std::vector<std::pair<int, int>>{{1001, port::notify::kEditChange}, {1, port::notify::kClicked}}));
  EXPECT_EQ(ui.dialogs.opened, std::vector<int>{102});
  ASSERT_NE(ui.dialogs.last, nullptr);
  EXPECT_EQ(ui.dialogs.last->caption, "密码输入");
  EXPECT_EQ(ui.log.events.back().describe(), "dialog[102]");
}

TEST(FakeDialogRunner, LimitCountsCharactersNotBytes) {
  fake::FakeUi ui;
  RecordingDlg pw;
  pw.limit = 2;
  ui.dialogs.scripts.push_back(fake::typeAndOk(1001, "密码x"));
  ui.dialogs.runModal(pw);
  EXPECT_EQ(pw.okText, "密码");
}

TEST(FakeDialogRunner, AControlTheTemplateLacksIsATestFailure) {
  fake::FakeUi ui;
  RecordingDlg dlg;
  dlg.tmpl = 146;  // has no control 1001
  ::testing::TestPartResultArray failures;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    ui.dialogs.runModal(dlg);
  }
  EXPECT_GE(failures.size(), 1);
}

TEST(FakeDialogRunner, UnclosedScriptsAndMissingScriptsCancel) {
  fake::FakeUi ui;
  RecordingDlg dlg;
  dlg.refuseOk = true;
  ui.dialogs.scripts.push_back(fake::typeAndOk(1001, "12"));
  EXPECT_EQ(ui.dialogs.runModal(dlg), port::mb::kIdCancel);
  EXPECT_EQ(dlg.seen.back(), (std::pair<int, int>{2, port::notify::kClicked}));
  RecordingDlg next;
  EXPECT_EQ(ui.dialogs.runModal(next), port::mb::kIdCancel);
  RecordingDlg missing;
  missing.tmpl = 4242;
  EXPECT_EQ(ui.dialogs.runModal(missing), -1);
}

TEST(FakeControls, TemplateStateAndCheckBoxes) {
  fake::EventLog log;
  fake::FakeShell shell{log};
  RecordingDlg dlg;
  fake::FakeControls c(127, dlg, shell);
  EXPECT_FALSE(c.controls.at(1030).visible);
  EXPECT_FALSE(c.controls.at(1030).enabled);
  EXPECT_TRUE(c.controls.at(1029).visible);
  fake::FakeControls page(113, dlg, shell);
  EXPECT_EQ(page.controls.at(1005).text, "(0-511):");
  page.click(1009);
  EXPECT_TRUE(page.isChecked(1009));
  page.click(1009);
  EXPECT_FALSE(page.isChecked(1009));
}

TEST(EventLog, TraceAndCounts) {
  fake::FakeUi ui;
  ui.shell.beep(1);
  ui.shell.beep(0);
  ui.shell.answers.push_back(port::mb::kIdNo);
  EXPECT_EQ(ui.shell.messageBox("写入没有成功，要重新读卡吗？", "操作提示", port::mb::kYesNo | port::mb::kIconStop),
            port::mb::kIdNo);
  EXPECT_EQ(ui.shell.messageBox("x", "y", 0), port::mb::kIdOk);
  EXPECT_EQ(ui.log.trace(),
            (std::vector<std::string>{"beep1", "beep0", "box:操作提示|写入没有成功，要重新读卡吗？", "box:y|x"}));
  EXPECT_EQ(ui.log.beeps(1), 1);
  EXPECT_EQ(ui.log.beepCount(), 2);
  EXPECT_EQ(ui.log.of(fake::Event::Kind::MessageBox)[0].describe(), "box[操作提示|写入没有成功，要重新读卡吗？|0x14]");
}

}  // namespace
