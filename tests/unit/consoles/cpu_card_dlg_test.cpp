// CCpuCardDlg against a scripted driver: reset answers, command texts of
// every shape, responses, error codes and the hidden parameter button.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "consoles/cpu_card_dlg.h"
#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "view/view_context.h"

namespace {

constexpr int kHandle = 7;

int hexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return -1;
}

std::string repeatHex(const std::string& pair, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += pair;
  return s;
}

struct CpuConsole : ::testing::Test {
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  CCpuCardDlg dlg{drv.table};
  std::unique_ptr<fake::FakeControls> c;

  void SetUp() override {
    // The driver's conversions, as a driver does them.
    drv.onCall("hex2asc", [](const fake::DriverCall& call, const std::vector<void*>& out) {
      auto* bytes = static_cast<unsigned char*>(out.at(0));
      const std::string& text = call.texts.at(0);
      for (long long i = 0; i < call.ints.at(0); ++i)
        bytes[i] = static_cast<unsigned char>(hexValue(text[2 * i]) * 16 + hexValue(text[2 * i + 1]));
    });
    drv.onCall("asc2hex", [](const fake::DriverCall& call, const std::vector<void*>& out) {
      // Writes its digits and then some garbage past them: the console
      // must show only 2 x length digits.
      const auto& in = call.data.at(0);
      auto* text = static_cast<char*>(out.at(0));
      std::string hex = upperHex(in.data(), in.size());
      hex += "ZZ";
      std::copy(hex.begin(), hex.end(), text);
    });
    dlg.m_reader = kHandle;
    dlg.m_slotType = pelox::DriverType::Cpu;
    c = std::make_unique<fake::FakeControls>(IDD_CPU_CARD, dlg, ui.shell);
    dlg.onInit(*c);
  }

  // The IC_CpuApdu answer: these bytes as the response.
  void respondWith(std::vector<std::uint8_t> bytes, int result = 0) {
    drv.onCall("IC_CpuApdu", [bytes](const fake::DriverCall&, const std::vector<void*>& out) {
      *static_cast<unsigned char*>(out.at(0)) = static_cast<unsigned char>(bytes.size());
      std::copy(bytes.begin(), bytes.end(), static_cast<unsigned char*>(out.at(1)));
    });
    drv.results("IC_CpuApdu", {result});
  }

  void answerResetWith(std::vector<std::uint8_t> atr) {
    drv.onCall("IC_CpuReset", [atr](const fake::DriverCall&, const std::vector<void*>& out) {
      *static_cast<unsigned char*>(out.at(0)) = static_cast<unsigned char>(atr.size());
      std::copy(atr.begin(), atr.end(), static_cast<unsigned char*>(out.at(1)));
    });
  }

  void send(const std::string& text) {
    c->type(IDC_CPU_COMMAND, text);
    c->click(IDC_CPU_SEND);
  }
};

TEST_F(CpuConsole, InitialisationSelectsMainSlotAndShowsParameters) {
  EXPECT_TRUE(c->isChecked(1029));
  EXPECT_FALSE(c->isChecked(1030));
  EXPECT_EQ(c->text(1035), "0");
  EXPECT_EQ(c->text(1034), "92");
  EXPECT_EQ(dlg.m_slotType, pelox::DriverType::Cpu);
  EXPECT_EQ(dlg.m_slot, 0);
  EXPECT_EQ(dlg.m_timeParam, 92);
}

TEST_F(CpuConsole, ResetShowsTheAnswerInUpperCaseHex) {
  struct Case {
    std::vector<std::uint8_t> atr;
    std::string shown;
  };
  std::vector<std::uint8_t> longest(255);
  for (int i = 0; i < 255; ++i) longest[i] = static_cast<std::uint8_t>(0xAB ^ i);
  const std::vector<Case> cases = {
      {{}, ""},
      {{0x3B, 0x02, 0x14, 0x50}, "3B021450"},
      {{0x3b, 0xfa, 0x0e, 0xa0}, "3BFA0EA0"},
      {longest, upperHex(longest.data(), longest.size())},
  };
  for (const auto& k : cases) {
    c->setText(1004, "OLD");
    answerResetWith(k.atr);
    drv.clearCalls();
    c->click(IDC_CPU_RESET);
    EXPECT_EQ(c->text(1004), k.shown) << k.atr.size() << " bytes";
    EXPECT_EQ(drv.names(), (std::vector<std::string>{"IC_InitType", "IC_CpuReset"})) << drv.dump();
    EXPECT_EQ(drv.calls.at(0).ints, (std::vector<long long>{kHandle, 12}));
  }
  EXPECT_EQ(c->text(1004).size(), 510u);
  EXPECT_TRUE(ui.log.boxes().empty()) << ui.log.dump();
}

TEST_F(CpuConsole, ResetFailuresKeepThePreviousAnswer) {
  c->setText(1004, "3B021450");
  drv.results("IC_InitType", {1});
  c->click(IDC_CPU_RESET);
  EXPECT_EQ(drv.count("IC_CpuReset"), 0);
  drv.results("IC_CpuReset", {-3, -32768});
  c->click(IDC_CPU_RESET);
  c->click(IDC_CPU_RESET);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{std::string(kAppTitle) + "|IC_InitType error",
                                                      "错误提示|ERR_CODE=-3", "错误提示|ERR_CODE=-32768"}));
  EXPECT_EQ(c->text(1004), "3B021450");
}

TEST_F(CpuConsole, RadioButtonsChooseTheDriverTypeOfTheReset) {
  for (int id = 1029; id <= 1032; ++id) {
    dlg.onCommand(*c, id, port::notify::kClicked);
    drv.clearCalls();
    c->click(IDC_CPU_RESET);
    ASSERT_EQ(drv.count("IC_InitType"), 1);
    EXPECT_EQ(drv.callsTo("IC_InitType")[0].ints.at(1), 12 + (id - 1029)) << id;
  }
}

TEST_F(CpuConsole, CommandTextBecomesHalfItsLengthInBytes) {
  struct Case {
    std::string text;
    long long n;
    std::vector<std::uint8_t> sent;
  };
  const std::vector<Case> cases = {
      {"0084000008", 5, {0x00, 0x84, 0x00, 0x00, 0x08}},
      {"008400000", 4, {0x00, 0x84, 0x00, 0x00}},  // trailing odd digit ignored
      {"0", 0, {}},
      {"", 0, {}},
  };
  for (const auto& k : cases) {
    respondWith({0x90, 0x00});
    drv.clearCalls();
    send(k.text);
    ASSERT_EQ(drv.names(), (std::vector<std::string>{"hex2asc", "IC_CpuApdu", "asc2hex"})) << k.text;
    EXPECT_EQ(drv.calls[0].texts.at(0), k.text);
    EXPECT_EQ(drv.calls[0].ints.at(0), k.n) << k.text;
    EXPECT_EQ(drv.calls[1].ints, (std::vector<long long>{kHandle, k.n})) << k.text;
    EXPECT_EQ(drv.calls[1].data.at(0), k.sent) << k.text;
    EXPECT_EQ(c->text(1007), "9000");
  }
}

TEST_F(CpuConsole, ResponseIsCutAfterTwoDigitsPerByte) {
  std::vector<std::uint8_t> big(255, 0x5A);
  respondWith(big);
  send("00B0000000");
  EXPECT_EQ(c->text(1007), repeatHex("5A", 255));
  respondWith({});
  send("00B0000000");
  EXPECT_EQ(c->text(1007), "");
}

TEST_F(CpuConsole, CommandTextOverTheBufferIsRefusedUnsent) {
  respondWith({0x90, 0x00});
  send(std::string(1023, 'A'));  // fits with its zero: 511 bytes
  ASSERT_EQ(drv.count("IC_CpuApdu"), 1);
  EXPECT_EQ(drv.callsTo("IC_CpuApdu")[0].ints.at(1), 511);
  drv.clearCalls();
  c->setText(1007, "9000");
  send(std::string(1024, 'A'));
  send(std::string(5000, 'B'));
  EXPECT_EQ(drv.calls.size(), 0u) << drv.dump();
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"错误提示|数据格式错误", "错误提示|数据格式错误"}));
  EXPECT_EQ(c->text(1007), "9000");
}

TEST_F(CpuConsole, ExchangeFailuresShowTheirMessageAndKeepTheResponse) {
  c->setText(1007, "6A82");
  drv.results("hex2asc", {-1});
  send("00G4");
  EXPECT_EQ(drv.count("IC_CpuApdu"), 0);
  drv.results("IC_CpuApdu", {-17});
  send("00A4000000");
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"错误提示|数据格式错误", "错误提示|ERR_CODE=-17"}));
  EXPECT_EQ(c->text(1007), "6A82");
}

TEST_F(CpuConsole, PowerDownReportsOnlyFailure) {
  c->click(IDC_CPU_POWER_DOWN);
  EXPECT_TRUE(ui.log.boxes().empty());
  drv.results("IC_Down", {-1});
  c->click(IDC_CPU_POWER_DOWN);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{std::string(kAppTitle) + "|PowerDown Error."}));
  EXPECT_EQ(drv.callsTo("IC_Down").at(0).ints, (std::vector<long long>{kHandle}));
}

TEST_F(CpuConsole, ParameterButtonPassesSlotProtocolAndTime) {
  // Hidden edits: nothing but the program can fill them.
  c->setText(1035, "1");
  c->setText(1034, "200");
  dlg.onCommand(*c, IDC_CPU_PARAM, port::notify::kClicked);
  drv.results("IC_SetCpuPara", {5});
  dlg.onCommand(*c, IDC_CPU_PARAM, port::notify::kClicked);
  ASSERT_EQ(drv.count("IC_SetCpuPara"), 2);
  EXPECT_EQ(drv.callsTo("IC_SetCpuPara")[0].ints, (std::vector<long long>{kHandle, 12, 1, 200}));
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{std::string(kAppTitle) + "|设置CPU参数成功",
                                                      std::string(kAppTitle) + "|设置CPU参数错误"}));
}

TEST_F(CpuConsole, ParameterOutOfByteRangeIsRefusedUncalled) {
  for (const char* typed : {"256", "-1", "abc", ""}) {
    ui.log.clear();
    c->setText(1034, typed);
    dlg.onCommand(*c, IDC_CPU_PARAM, port::notify::kClicked);
    EXPECT_EQ(ui.log.boxes(),
              (std::vector<std::string>{std::string(kAppTitle) + "|Please enter an integer between 0 and 255."}))
        << typed;
    EXPECT_EQ(c->focus, 1034) << typed;
  }
  EXPECT_EQ(drv.count("IC_SetCpuPara"), 0);
}

}  // namespace
