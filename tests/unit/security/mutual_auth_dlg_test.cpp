// CMutualAuthDlg (command ID_MUTUAL_AUTHENTICATION) against a scripted driver.
#include <cstring>

#include "security/mutual_auth_dlg.h"
#include "security_fixture.h"
#include "resources/resource.h"

namespace sectest {
namespace {

using Dlg = CMutualAuthDlg;
const std::string kTitle = "Kv310型读写器演示系统";
std::string plain(const std::string& text) { return "box(" + kTitle + "|" + text + "|0x0)"; }

class MutualAuth : public SecurityTest {
 protected:
  // Runs the dialog with a script; returns the counter line it showed last.
  std::string open(fake::FakeDialogRunner::Script script) {
    ui.dialogs.scripts.push_back(std::move(script));
    run(CardType::At88sc1608, ID_MUTUAL_AUTHENTICATION);
    return ui.dialogs.last ? ui.dialogs.last->controls[IDC_AUTH_COUNTER].text : "";
  }
  void ciReads(const std::string& hex) {
    drv.onCall("IC_ReadConfigZone_Hex", [hex](const fake::DriverCall&, const std::vector<void*>& out) {
      std::memcpy(out.at(0), hex.c_str(), hex.size() + 1);
    });
  }
};

TEST_F(MutualAuth, InitialisationChecksTheRandomNumber) {
  struct Row {
    std::string random;
    std::string outcome;
    bool sent;
  };
  const Row rows[] = {
      {"123456789ABCDEF", plain("随机数长度错误！"), false},
      {"", plain("随机数长度错误！"), false},
      {"123456789ABCDEFG", plain("输入随机数数据在0-F之间！"), false},
      {"123456789abcdefg", plain("输入随机数数据在0-F之间！"), false},
      {"12345678 2345678", plain("输入随机数数据在0-F之间！"), false},  // every character that is no digit
      {"123456789ABCDEF-", plain("输入随机数数据在0-F之间！"), false},
      {"123456789abcdef0", "box(初始化认证|初始化认证成功|0x0)", true},  // lower-case digits pass
      {"123456789ABCDEF0123", "box(初始化认证|初始化认证成功|0x0)", true},  // the edit keeps 16
  };
  for (const auto& r : rows) {
    open([&](fake::FakeControls& c) {
      c.type(IDC_AUTH_RANDOM, r.random);
      c.click(IDC_AUTH_INIT);
    });
    EXPECT_EQ(outcome(ui.log), r.outcome) << r.random;
    EXPECT_EQ(drv.count("IC_InitAuth_Hex"), r.sent ? 1 : 0) << r.random;
    if (r.sent) {
      EXPECT_EQ(drv.callsTo("IC_InitAuth_Hex")[0].texts.at(0), r.random.substr(0, 16));
    }
  }
  drv.results("IC_InitAuth_Hex", {-1});
  open([](fake::FakeControls& c) {
    c.type(IDC_AUTH_RANDOM, "1234567812345678");
    c.click(IDC_AUTH_INIT);
  });
  EXPECT_EQ(outcome(ui.log), plain("初始化认证错误"));
}

TEST_F(MutualAuth, CardAuthenticatesHostChecksOnlyThePassword) {
  drv.results("IC_ReadAuthCount", {8, 7});
  ciReads("FFFFFFFFFFFFFFFF");
  const std::string counter = open([](fake::FakeControls& c) {
    c.type(IDC_AUTH_SEED, "4F794A463FF81D81");  // the random field stays empty
    c.click(IDC_AUTH_CARD);
  });
  EXPECT_EQ(calls(), (std::vector<std::string>{"IC_ReadAuthCount(7)", "IC_ReadConfigZone_Hex(7,40,8)",
                                               "SetInit_Hex()\"FFFFFFFFFFFFFFFF\"\"4F794A463FF81D81\"\"\"",
                                               "Authenticate_Hex()", "IC_CheckAuth_Hex(7)\"\"", "IC_ReadAuthCount(7)"}));
  EXPECT_EQ(outcome(ui.log), "box(卡认证主机|卡认证主机成功|0x0)");
  EXPECT_EQ(counter, "当前认证错误计数器：7");
}

TEST_F(MutualAuth, CardAuthenticatesHostStops) {
  struct Row {
    const char* failing;  // the call that fails, or the password text check
    std::string password;
    std::string outcome;
    bool counterRefreshed;
  };
  const Row rows[] = {
      {"", "4F794A463FF81D8", plain("密码长度错误！"), false},
      {"", "4F794A463FF81D8Z", plain("输入密码数据在0-F之间！"), false},
      {"", "4f794a463ff81d8g", plain("输入密码数据在0-F之间！"), false},
      {"", "4F794A463FF81D8.", plain("输入密码数据在0-F之间！"), false},
      {"IC_ReadConfigZone_Hex", "4F794A463FF81D81", plain("读卡CI错误！"), false},
      {"SetInit_Hex", "4F794A463FF81D81", plain("初始化CI，GC，Q0 错误！"), false},
      {"Authenticate_Hex", "4F794A463FF81D81", plain("生成验证数据Q1，Q2 错误！"), false},
      {"IC_CheckAuth_Hex", "4F794A463FF81D81", plain("卡认证主机错误！"), true},
  };
  for (const auto& r : rows) {
    if (*r.failing) drv.results(r.failing, {-1});
    open([&](fake::FakeControls& c) {
      c.type(IDC_AUTH_SEED, r.password);
      c.click(IDC_AUTH_CARD);
    });
    EXPECT_EQ(outcome(ui.log), r.outcome) << r.password << " " << r.failing;
    EXPECT_EQ(drv.count("IC_ReadAuthCount"), r.counterRefreshed ? 2 : 1) << r.failing;
    if (!*r.failing) {
      EXPECT_EQ(calls(), std::vector<std::string>{"IC_ReadAuthCount(7)"}) << "nothing sent";
    }
  }
}

// The initialisation spends an attempt: it asks before the last one and
// shows the counter after it.
TEST_F(MutualAuth, InitialisationAsksBeforeTheLastAttemptAndRefreshesTheCounter) {
  const std::string& last = kLastAttemptBox;
  struct Row {
    std::vector<int> counts;  // dialog opening, before stage 1, after it
    int answer;
    std::string outcome;
    bool sent;
    std::string line;
  };
  const Row rows[] = {
      {{8, 8, 7}, port::mb::kIdOk, "box(初始化认证|初始化认证成功|0x0)", true, "当前认证错误计数器：7"},
      {{1, 1}, port::mb::kIdNo, last, false, "当前认证错误计数器：1"},
      {{1, 1, 0}, port::mb::kIdYes, last + " box(初始化认证|初始化认证成功|0x0)", true, "当前认证错误计数器：0"},
  };
  for (const Row& r : rows) {
    drv.results("IC_ReadAuthCount", r.counts);
    ui.shell.answers.push_back(r.answer);
    const std::string line = open([](fake::FakeControls& c) {
      c.type(IDC_AUTH_RANDOM, "1234567812345678");
      c.click(IDC_AUTH_INIT);
    });
    ui.shell.answers.clear();
    EXPECT_EQ(outcome(ui.log), r.outcome);
    EXPECT_EQ(drv.count("IC_InitAuth_Hex"), r.sent ? 1 : 0);
    EXPECT_EQ(drv.count("IC_ReadAuthCount"), static_cast<int>(r.counts.size()));
    EXPECT_EQ(line, r.line);
  }
}

TEST_F(MutualAuth, HostAuthenticatesCardComparesCiWithQ2) {
  drv.onCall("Authenticate_Hex", [](const fake::DriverCall&, const std::vector<void*>& out) {
    std::strcpy(static_cast<char*>(out.at(0)), "88C9D4466A501A87");
    std::strcpy(static_cast<char*>(out.at(1)), "DEC2EE1B1C9276E9");
  });
  ciReads("DEC2EE1B1C9276E9");
  open([](fake::FakeControls& c) {
    c.click(IDC_AUTH_HOST);  // no Q2 yet
    c.type(IDC_AUTH_SEED, "4F794A463FF81D81");
    c.click(IDC_AUTH_CARD);
    c.click(IDC_AUTH_HOST);
  });
  EXPECT_EQ(outcome(ui.log),
            plain("主机认证卡错误！") + " box(卡认证主机|卡认证主机成功|0x0) box(主机认证卡|主机认证卡成功|0x0)");
  EXPECT_EQ(drv.callsTo("IC_CheckAuth_Hex").at(0).texts.at(0), "88C9D4466A501A87");

  ciReads("0000000000000000");
  open([](fake::FakeControls& c) {
    c.type(IDC_AUTH_SEED, "4F794A463FF81D81");
    c.click(IDC_AUTH_CARD);
    c.click(IDC_AUTH_HOST);
  });
  EXPECT_EQ(outcome(ui.log), "box(卡认证主机|卡认证主机成功|0x0) " + plain("主机认证卡错误！"));
}

TEST_F(MutualAuth, EmptyQ2NeverMatchesAnEmptyCi) {
  // Regression: a Ci read as an empty text must not "match" the Q2 that no
  // Authenticate_Hex has produced yet.
  ciReads("");
  open([](fake::FakeControls& c) { c.click(IDC_AUTH_HOST); });
  EXPECT_EQ(outcome(ui.log), plain("主机认证卡错误！"));
}

TEST_F(MutualAuth, CounterLine) {
  drv.results("IC_ReadAuthCount", {-1});
  EXPECT_EQ(open([](fake::FakeControls&) {}), "当前认证错误计数器：    ");
  drv.results("IC_ReadAuthCount", {0});
  EXPECT_EQ(open([](fake::FakeControls&) {}), "当前认证错误计数器：0");
}

TEST(MutualAuthText, CopyIsCutToSixteenCharacters) {
  CMutualAuthDlg::HexText out{};
  copyHexText(std::string(40, 'A'), out);
  EXPECT_EQ(std::string(out.data()), std::string(16, 'A'));
}

}  // namespace
}  // namespace sectest
