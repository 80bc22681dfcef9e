// Commands ID_VERIFY_READ_PASSWORD-ID_CHANGE_SECURITY_CODE and CSecretCodeDlg against a scripted driver.
#include "security/secret_code_dlg.h"
#include "security_fixture.h"
#include "resources/resource.h"

namespace sectest {
namespace {

using Dlg = CSecretCodeDlg;

// Types a set (unless empty) and a password, then confirms; `open` tells
// whether the dialog was still open after the confirmation.
fake::FakeDialogRunner::Script setAndPassword(std::string set, std::string password, bool* open = nullptr) {
  return [set, password, open](fake::FakeControls& c) {
    if (!set.empty()) c.type(IDC_SECRET_SET, set);
    c.type(IDC_SECRET_PASSWORD, password);
    c.click(1);
    if (open) *open = !c.ended;
  };
}

struct CommandCase {
  int command;
  CardType card;
  const char* caption;      // dialog caption
  bool setShown;            // set label and edit visible
  const char* label;        // static 1008
  int setUsed;              // set given to the driver (remembered set is 2)
  const char* counterCall;  // counter read at initialisation
  const char* call;
  const char* boxCaption;
  const char* success;
  const char* failure;
};

const CommandCase kCommands[] = {
    {ID_VERIFY_READ_PASSWORD, CardType::At88sc1608, "校验读密码", true, "密码套(0-7):", 2, "IC_ReadRPasswordCount",
     "IC_CheckRPassword_Hex", "校验读密码", "校验读密码成功", "校验读密码失败"},
    {ID_VERIFY_WRITE_PASSWORD, CardType::At88sc153, "校验写密码", true, "密码套(0-1):", 2, "IC_ReadWPasswordCount",
     "IC_CheckWPassword_Hex", "校验写密码", "校验写密码成功", "校验写密码失败"},
    {ID_VERIFY_SECURITY_CODE, CardType::At88sc1608, "校验安全代码", false, "", 7, "IC_ReadWPasswordCount",
     "IC_CheckWPassword_Hex", "校验安全代码", "校验安全代码成功", "校验安全代码失败"},
    {ID_VERIFY_SECURITY_CODE, CardType::At88sc153, "校验安全代码", false, "", 1, "IC_ReadWPasswordCount",
     "IC_CheckWPassword_Hex", "校验安全代码", "校验安全代码成功", "校验安全代码失败"},
    {ID_CHANGE_READ_PASSWORD, CardType::At88sc1608, "修改读密码", true, "密码套(0-7):", 2, "IC_ReadRPasswordCount",
     "IC_ChangeRPassword_Hex", "改写读密码", "改写读密码成功", "改写读密码失败"},
    {ID_CHANGE_WRITE_PASSWORD, CardType::At88sc153, "修改写密码", true, "密码套(0-1):", 2, "IC_ReadWPasswordCount",
     "IC_ChangeWPassword_Hex", "改写写密码", "改写写密码成功", "改写写密码失败"},
    {ID_CHANGE_SECURITY_CODE, CardType::At88sc1608, "修改安全代码", false, "", 7, "IC_ReadWPasswordCount",
     "IC_ChangeWPassword_Hex", "改写安全代码", "改写安全代码成功", "改写安全代码失败"},
    {ID_CHANGE_SECURITY_CODE, CardType::At88sc153, "修改安全代码", false, "", 1, "IC_ReadWPasswordCount",
     "IC_ChangeWPassword_Hex", "改写安全代码", "改写安全代码成功", "改写安全代码失败"},
};

class CryptoPasswordCommand : public SecurityTest, public ::testing::WithParamInterface<CommandCase> {
 protected:
  // Sets the remembered set to 2 through a verified read password.
  void rememberSet2() {
    ui.dialogs.scripts.push_back(setAndPassword("2", "FFFFFF"));
    run(CardType::At88sc1608, ID_VERIFY_READ_PASSWORD);
  }
};

TEST_P(CryptoPasswordCommand, UsesItsSetCallAndTexts) {
  const CommandCase& c = GetParam();
  for (int result : {0, -1}) {
    rememberSet2();
    drv.results(c.call, {result});
    ui.dialogs.scripts.push_back(setAndPassword("", "a1b2c3"));
    run(c.card, c.command);
    ASSERT_TRUE(ui.dialogs.last);
    const fake::FakeControls& dlg = *ui.dialogs.last;
    EXPECT_EQ(dlg.caption, c.caption);
    EXPECT_EQ(dlg.controls.at(IDC_SECRET_SET).visible, c.setShown);
    EXPECT_EQ(dlg.controls.at(IDC_SECRET_SET_LABEL).visible, c.setShown);
    if (c.setShown) {
      EXPECT_EQ(dlg.controls.at(IDC_SECRET_SET_LABEL).text, c.label);
    }
    EXPECT_EQ(dlg.controls.at(IDC_SECRET_COUNTER).text, "当前密码错误计数器：3");
    // A verification reads the password's counter again before it presents
    // the password and, when refused, after it.
    const bool presents = std::string(c.call).find("Check") != std::string::npos;
    const std::string counter = std::string(c.counterCall) + "(7," + std::to_string(c.setUsed) + ")";
    std::vector<std::string> expected{counter};
    if (presents) expected.push_back(counter);
    expected.push_back(std::string(c.call) + "(7," + std::to_string(c.setUsed) + ")\"A1B2C3\"");
    if (presents && result != 0) expected.push_back(counter);
    EXPECT_EQ(calls(), expected) << drv.dump();
    EXPECT_EQ(outcome(ui.log), std::string("box(") + c.boxCaption + "|" + (result == 0 ? c.success : c.failure) + "|0x0)");
    EXPECT_EQ(statusLine(2), presents && result != 0 ? "剩余尝试次数：3" : "");
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CryptoPasswordCommand, ::testing::ValuesIn(kCommands));

TEST_F(SecurityTest, CryptoVerificationAsksBeforeTheLastAttempt) {
  const std::string& last = kLastAttemptBox;
  // No: nothing is presented.
  drv.setDefault("IC_ReadWPasswordCount", 1);
  ui.shell.answers.push_back(port::mb::kIdNo);
  ui.dialogs.scripts.push_back(setAndPassword("", "123456"));
  run(CardType::At88sc153, ID_VERIFY_SECURITY_CODE);
  EXPECT_EQ(calls(), (std::vector<std::string>{"IC_ReadWPasswordCount(7,1)", "IC_ReadWPasswordCount(7,1)"}));
  EXPECT_EQ(outcome(ui.log), last);
  // Yes: presented; refused, the counter shows the card locked.
  drv.results("IC_ReadRPasswordCount", {1, 1, 1, 0});  // opening, set 4 typed, before, after
  drv.results("IC_CheckRPassword_Hex", {-1});
  ui.shell.answers.push_back(port::mb::kIdYes);
  ui.dialogs.scripts.push_back(setAndPassword("4", "123456"));
  run(CardType::At88sc1608, ID_VERIFY_READ_PASSWORD);
  EXPECT_EQ(drv.count("IC_CheckRPassword_Hex"), 1) << drv.dump();
  EXPECT_EQ(outcome(ui.log), last + " box(校验读密码|校验读密码失败|0x0)");
  EXPECT_EQ(statusLine(2), "剩余尝试次数：0");
  // A verification that is accepted leaves no earlier count on the status line.
  ui.dialogs.scripts.push_back(setAndPassword("", "FFFFFF"));
  run(CardType::At88sc1608, ID_VERIFY_READ_PASSWORD);
  EXPECT_EQ(outcome(ui.log), "box(校验读密码|校验读密码成功|0x0)");
  EXPECT_EQ(statusLine(2), "");
  // A change presents nothing: no question at one attempt left.
  ui.dialogs.scripts.push_back(setAndPassword("", "123456"));
  run(CardType::At88sc1608, ID_CHANGE_SECURITY_CODE);
  EXPECT_EQ(outcome(ui.log), "box(改写安全代码|改写安全代码成功|0x0)");
}

TEST_F(SecurityTest, RememberedSetFollowsConfirmedSetCommandsOnly) {
  ui.dialogs.scripts.push_back(setAndPassword("3", "FFFFFF"));
  run(CardType::At88sc1608, ID_VERIFY_READ_PASSWORD);
  std::string proposed;
  ui.dialogs.scripts.push_back([&](fake::FakeControls& c) { proposed = c.text(IDC_SECRET_SET); });  // then cancelled
  run(CardType::At88sc1608, ID_CHANGE_WRITE_PASSWORD);
  EXPECT_EQ(proposed, "3") << "verifying set 3 must propose set 3 next";

  ui.dialogs.scripts.push_back([](fake::FakeControls& c) { c.type(IDC_SECRET_SET, "5"); });  // cancelled
  run(CardType::At88sc1608, ID_VERIFY_WRITE_PASSWORD);
  ui.dialogs.scripts.push_back(setAndPassword("", "FFFFFF"));  // the security code (set 7)
  run(CardType::At88sc1608, ID_CHANGE_SECURITY_CODE);
  ui.dialogs.scripts.push_back([&](fake::FakeControls& c) { proposed = c.text(IDC_SECRET_SET); });
  run(CardType::At88sc1608, ID_CHANGE_READ_PASSWORD);
  EXPECT_EQ(proposed, "3") << "cancel and the security code leave the remembered set";
}

TEST_F(SecurityTest, SetChangeHandlerRangeAndCounterRefresh) {
  drv.setDefault("IC_ReadRPasswordCount", 6);
  drv.results("IC_ReadRPasswordCount", {8, 5});  // initialisation (set 0), then set 5
  std::vector<std::string> lines;
  ui.dialogs.scripts.push_back([&](fake::FakeControls& c) {
    c.type(IDC_SECRET_SET, "5");  // accepted on an AT88SC153 too: the bound is 0-7
    lines.push_back(c.text(IDC_SECRET_COUNTER));
    c.type(IDC_SECRET_SET, "");  // not an integer: the counter of the previous set 5 is shown again
    lines.push_back(c.text(IDC_SECRET_COUNTER));
    c.type(IDC_SECRET_SET, "9");
    lines.push_back(c.text(IDC_SECRET_COUNTER));
    lines.push_back(c.controls[IDC_SECRET_SET].selectedAll ? "selected" : "not selected");
    c.type(IDC_SECRET_SET, "-1");
  });
  run(CardType::At88sc153, ID_VERIFY_READ_PASSWORD);
  EXPECT_EQ(lines, (std::vector<std::string>{"当前密码错误计数器：5", "当前密码错误计数器：6", "当前密码错误计数器：6",
                                              "selected"}));
  EXPECT_EQ(outcome(ui.log),
            "box(Kv310型读写器演示系统|Please enter an integer.|0x30) box(Kv310型读写器演示系统|输入错误！|0x30) "
            "box(Kv310型读写器演示系统|输入错误！|0x30)");
  // Counter reads: set 0 at initialisation, set 5, set 5 again; none for 9 or -1.
  EXPECT_EQ(calls(), (std::vector<std::string>{"IC_ReadRPasswordCount(7,0)", "IC_ReadRPasswordCount(7,5)",
                                               "IC_ReadRPasswordCount(7,5)"}));
}

TEST_F(SecurityTest, CounterLineWithoutNumberWhenTheReadFails) {
  drv.results("IC_ReadWPasswordCount", {-1});
  std::string line;
  ui.dialogs.scripts.push_back([&](fake::FakeControls& c) { line = c.text(IDC_SECRET_COUNTER); });
  run(CardType::At88sc1608, ID_VERIFY_SECURITY_CODE);
  EXPECT_EQ(line, "当前密码错误计数器：");
}

TEST_F(SecurityTest, ConfirmRefusals) {
  struct Row {
    std::string typed;
    std::string box;  // "" = accepted and sent
  };
  const Row rows[] = {
      {"12345", "长度错误！"},
      {"", "长度错误！"},
      {"12345g", "输入数据在0-F之间！"},  // the edit shows it in upper case
      {"Z23456", "输入数据在0-F之间！"},
      {"12 456", "输入数据在0-F之间！"},  // every character that is no hexadecimal digit
      {"1234,6", "输入数据在0-F之间！"},
      {"-12345", "输入数据在0-F之间！"},
      {"abcdef", ""},
      {"1234567", ""},  // the edit holds six characters
  };
  for (const auto& r : rows) {
    bool open = false;
    ui.dialogs.scripts.push_back(setAndPassword("", r.typed, &open));
    run(CardType::At88sc1608, ID_VERIFY_WRITE_PASSWORD);
    const std::string sent = drv.count("IC_CheckWPassword_Hex") ? drv.callsTo("IC_CheckWPassword_Hex")[0].texts.at(0) : "";
    if (r.box.empty()) {
      std::string expect = r.typed.substr(0, 6);
      for (auto& ch : expect) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      EXPECT_EQ(sent, expect) << r.typed;
    } else {
      EXPECT_EQ(sent, "") << r.typed;
      EXPECT_EQ(outcome(ui.log), "box(Kv310型读写器演示系统|" + r.box + "|0x30)") << r.typed;
      EXPECT_TRUE(open) << "the dialog stays open: " << r.typed;
    }
  }
}

TEST_F(SecurityTest, SetOutsideTheRangeIsSentAndRememberedWhenConfirmed) {
  ui.dialogs.scripts.push_back(setAndPassword("9", "FFFFFF"));
  run(CardType::At88sc1608, ID_CHANGE_READ_PASSWORD);
  EXPECT_EQ(drv.callsTo("IC_ChangeRPassword_Hex").at(0).ints, (std::vector<long long>{7, 9}));
  std::string proposed;
  ui.dialogs.scripts.push_back([&](fake::FakeControls& c) { proposed = c.text(IDC_SECRET_SET); });
  run(CardType::At88sc1608, ID_VERIFY_READ_PASSWORD);
  EXPECT_EQ(proposed, "9");
}

TEST_F(SecurityTest, ConfirmWithASetThatIsNotANumberKeepsTheDialogOpen) {
  // Regression: the command must not run on a set the field does not show.
  for (const std::string set : {"x", "70003"}) {
    bool open = false;
    ui.dialogs.scripts.push_back(setAndPassword(set, "FFFFFF", &open));
    run(CardType::At88sc1608, ID_CHANGE_WRITE_PASSWORD);
    EXPECT_EQ(drv.count("IC_ChangeWPassword_Hex"), 0) << set;
    EXPECT_TRUE(open) << set;
  }
}

}  // namespace
}  // namespace sectest
