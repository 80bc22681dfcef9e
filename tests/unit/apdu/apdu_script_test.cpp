// APDU scripts: the parser (lines, comments, expectations, every refusal
// with its line), the file check, and the runner against a scripted driver
// (verdicts, stop or run on, T=0 GET RESPONSE and Le resend) and the
// history's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "apdu/script_runner.h"
#include "fakes/scripted_driver.h"

namespace {

using apdu::Bytes;
using Check = apdu::ScriptLine::Check;

TEST(ApduScript, ParsesCommandsResetsAndExpectations) {
  const apdu::ParsedScript s = apdu::parseScript(
      "# select and read\r\n"
      "reset\r\n"
      "\r\n"
      "  00 a4 00 00 02 3f 00   SW = 61xX  # the MF\n"
      "00B0000008=XXXXXXXXXXXXXXXX9000\r"
      "0084000008\n"
      "复位 = 3B02XXXX\n"
      "\t# only a comment");
  ASSERT_TRUE(s.ok()) << s.problem->message;
  ASSERT_EQ(s.lines.size(), 5u);
  EXPECT_EQ(s.lines[0].number, 2);
  EXPECT_TRUE(s.lines[0].reset);
  EXPECT_EQ(s.lines[0].check, Check::None);
  EXPECT_EQ(s.lines[1].number, 4);
  EXPECT_EQ(s.lines[1].command, (Bytes{0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}));
  EXPECT_EQ(s.lines[1].check, Check::StatusWord);
  EXPECT_EQ(s.lines[1].expected.text(), "61XX");
  EXPECT_EQ(s.lines[2].number, 5);
  EXPECT_EQ(s.lines[2].check, Check::Answer);
  EXPECT_EQ(s.lines[2].expected.size(), 10u);
  EXPECT_EQ(s.lines[3].number, 6);
  EXPECT_EQ(s.lines[3].check, Check::None);
  EXPECT_EQ(s.lines[4].number, 7);
  EXPECT_TRUE(s.lines[4].reset);
  EXPECT_EQ(s.lines[4].expected.text(), "3B02XXXX");
}

TEST(ApduScript, RefusesTheWholeScriptAtItsFirstFaultyLine) {
  struct Case {
    std::string script;
    const char* message;
  };
  const std::string longLine = "00A40000 # " + std::string(1013, 'x');  // 1024 characters
  const std::vector<Case> cases = {
      {"00A4000\n", "第1行：命令的十六进制数字个数为奇数。"},
      {"0084000008\n00G4000000\n", "第2行：命令中有非十六进制字符“G”。"},
      {"00A4 中文\n", "第1行：命令中有非十六进制字符“中”。"},
      {"00A400\n", "第1行：命令只有3字节，至少要4字节（CLA INS P1 P2）。"},
      {"SW=9000\n", "第1行：命令只有0字节，至少要4字节（CLA INS P1 P2）。"},
      {"00D60000FF" + std::string(2 * 257, 'A') + "\n",
       "第1行：命令有262字节，超过读写器驱动能发送的261字节。"},
      {"0084000008 = 9000X\n", "第1行：期望值的十六进制数字个数为奇数。"},
      {"0084000008 = 90Z0\n", "第1行：期望值中有非十六进制字符“Z”。"},
      {"0084000008 =\n", "第1行：“=”之后没有期望值。"},
      {"0084000008 SW=900000\n", "第1行：期望的状态字应为4位十六进制数字。"},
      {"0084000008 = 90\n", "第1行：期望的应答至少要有2字节（SW1 SW2）。"},
      {"RESET SW=9000\n", "第1行：复位没有状态字，只能用“=”给出期望的复位应答。"},
      {"\n\n" + longLine + "x\n", "第3行：行太长，超过1024个字符。"},
  };
  for (const Case& k : cases) {
    const apdu::ParsedScript s = apdu::parseScript(k.script);
    ASSERT_FALSE(s.ok()) << k.message;
    EXPECT_EQ(s.problem->message, k.message);
    EXPECT_TRUE(s.lines.empty()) << k.message;
  }
  // At the limit: 1024 characters (a Chinese character counts once).
  EXPECT_TRUE(apdu::parseScript(longLine).ok());
  EXPECT_TRUE(apdu::parseScript("00A40000 # " + std::string(1012, 'x') + "中").ok());
  // The longest command the driver takes: 261 bytes.
  EXPECT_TRUE(apdu::parseScript("00D60000FF" + std::string(2 * 255, 'A') + "00").ok());
}

TEST(ApduScript, FileMustBeUtf8Text) {
  auto file = [](std::string s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
  EXPECT_EQ(apdu::scriptFileText(file("\xEF\xBB\xBF"
                                      "RESET # 复位\r\n"))
                .text,
            "RESET # 复位\r\n");
  EXPECT_EQ(apdu::scriptFileText(file("")).problem, "");
  EXPECT_EQ(apdu::scriptFileText(file(std::string("00A4\0", 5))).problem,
            "所选文件不是文本文件（第5字节是控制字符）。");
  EXPECT_EQ(apdu::scriptFileText(file("\x7F"
                                      "ELF"))
                .problem,
            "所选文件不是文本文件（第1字节是控制字符）。");
  EXPECT_EQ(apdu::scriptFileText(file("\xFF\xFE"
                                      "0\0"))
                .problem,
            "脚本文件是UTF-16编码的，请以UTF-8编码保存后再打开。");
  // GBK "复位" is no UTF-8.
  EXPECT_EQ(apdu::scriptFileText(file("RESET # \xB8\xB4\xCE\xBB")).problem,
            "所选文件不是UTF-8编码的文本文件。");
}

// The runner on a scripted driver: the card's answers in order.
struct ScriptRun : ::testing::Test {
  fake::ScriptedDriver drv;
  apdu::History history{[] { return std::string("2026-01-02 03:04:05.678"); }};
  apdu::CpuCardLink link{drv.table, 7, history, apdu::Origin::Script};

  apdu::RunReport run(const std::string& script, apdu::RunOptions options = {}) {
    const apdu::ParsedScript s = apdu::parseScript(script);
    EXPECT_TRUE(s.ok()) << s.problem->message;
    return apdu::runScript(s.lines, link, options);
  }
  // The card's answers to the next commands, in order (then 6F 00).
  void answers(std::vector<Bytes> list) {
    auto next = std::make_shared<std::size_t>(0);
    drv.onCall("IC_CpuApdu", [list, next](const fake::DriverCall&, const std::vector<void*>& out) {
      const Bytes a = *next < list.size() ? list[(*next)++] : Bytes{0x6F, 0x00};
      *static_cast<unsigned char*>(out.at(0)) = static_cast<unsigned char>(a.size());
      std::copy(a.begin(), a.end(), static_cast<unsigned char*>(out.at(1)));
    });
  }
  std::vector<Bytes> sent() const {
    std::vector<Bytes> out;
    for (const auto& c : drv.callsTo("IC_CpuApdu")) out.push_back(c.data.at(0));
    return out;
  }
};

const char* kFourLines = "RESET = 3B02XXXX\n00A4000002EEEE SW=6A82\n00A4000002EEEE SW=6A82\n0084000008\n";

TEST_F(ScriptRun, ChecksEachLineAndStopsAtTheFirstDifference) {
  drv.readData("IC_CpuReset", {{0x3B, 0x02, 0x14, 0x50}});
  answers({{0x6A, 0x82}, {0x90, 0x00}, {0x12, 0x34, 0x90, 0x00}});
  const apdu::RunReport r = run(kFourLines);
  ASSERT_EQ(r.outcomes.size(), 3u);
  EXPECT_EQ(r.outcomes[0].text, "第1行 通过：复位 -> 3B021450（复位应答）");
  EXPECT_EQ(r.outcomes[1].text, "第2行 通过：00A4000002EEEE -> 6A82（检查出错：文件或应用未找到）");
  EXPECT_EQ(r.outcomes[2].text, "第3行 不符：00A4000002EEEE -> 9000（正常：命令执行成功）；期望SW=6A82");
  EXPECT_EQ(r.summary(), "共执行3行：通过2行，不符1行，未检查0行；在第3行停止");
  EXPECT_EQ(drv.names(),
            (std::vector<std::string>{"IC_InitType", "IC_CpuReset", "IC_CpuApdu", "IC_CpuApdu"}));
  EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{7, 12}));
}

TEST_F(ScriptRun, RunsOnPastADifferenceWhenAsked) {
  drv.readData("IC_CpuReset", {{0x3B, 0x02, 0x14, 0x50}});
  answers({{0x6A, 0x82}, {0x90, 0x00}, {0x12, 0x34, 0x90, 0x00}});
  const apdu::RunReport r = run(kFourLines, {.stopAtFirstDifference = false});
  ASSERT_EQ(r.outcomes.size(), 4u);
  EXPECT_EQ(r.outcomes[3].text, "第4行 已执行：0084000008 -> 12349000（正常：命令执行成功）");
  EXPECT_EQ(r.text().substr(r.text().find("共执行")), "共执行4行：通过2行，不符1行，未检查1行\r\n");
}

TEST_F(ScriptRun, DriverErrorStopsTheRunEvenWhenRunningOn) {
  drv.results("IC_CpuApdu", {0, -17});
  answers({{0x90, 0x00}});
  const apdu::RunReport r = run("0084000008\n0084000008\n0084000008\n", {.stopAtFirstDifference = false});
  ASSERT_EQ(r.outcomes.size(), 2u);
  EXPECT_EQ(r.outcomes[1].verdict, apdu::LineOutcome::Verdict::Error);
  EXPECT_EQ(r.outcomes[1].text, "第2行 出错：0084000008 -> ERR_CODE=-17");
  EXPECT_EQ(r.stoppedAt, 2);
  drv.results("IC_InitType", {-134});
  EXPECT_EQ(run("RESET\n").outcomes.at(0).text, "第1行 出错：复位 -> IC_InitType error");
}

TEST_F(ScriptRun, T0AnswersAreCompletedOnlyWhenAsked) {
  // SELECT answers 61 0A; GET RESPONSE with Le 0A gives the 10 bytes.
  const Bytes fci = {0x6F, 0x08, 0x83, 0x02, 0x3F, 0x00, 0x80, 0x02, 0x00, 0x00, 0x90, 0x00};
  answers({{0x61, 0x0A}, fci, {0x61, 0x0A}});
  apdu::RunReport r = run("00A40000023F00 = 6F08XXXXXXXXXXXXXXXX9000\n", {.completeT0 = true});
  EXPECT_EQ(r.passed, 1) << r.text();
  // Without the option the 61 0A is the answer.
  r = run("00A40000023F00 SW=610A\n");
  EXPECT_EQ(r.passed, 1) << r.text();
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00},
                                        {0x00, 0xC0, 0x00, 0x00, 0x0A},
                                        {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}}));
}

TEST_F(ScriptRun, SixtyOneZeroIsFetchedInPartsAndSixCIsResent) {
  // 6C 08: resent with Le 08. Then 61 00 (256 bytes or more): a GET
  // RESPONSE asks 253 at most, since its 253 bytes and SW1 SW2 make the 255
  // the driver's length byte can tell; the card gives 253 and 61 03, then
  // the last 3.
  Bytes part(253, 0xAB);
  part.insert(part.end(), {0x61, 0x03});
  answers({{0x6C, 0x08}, {0x61, 0x00}, part, {0xCD, 0xCD, 0xCD, 0x90, 0x00}});
  const apdu::RunReport r = run("00B0000000 SW=9000\n", {.completeT0 = true});
  EXPECT_EQ(r.passed, 1) << r.text();
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0x00, 0xB0, 0x00, 0x00, 0x00},
                                        {0x00, 0xB0, 0x00, 0x00, 0x08},
                                        {0x00, 0xC0, 0x00, 0x00, 0xFD},
                                        {0x00, 0xC0, 0x00, 0x00, 0x03}}));
  EXPECT_EQ(history.records().size(), 4u);
  std::string joined;
  for (int i = 0; i < 253; ++i) joined += "AB";
  EXPECT_NE(r.outcomes.at(0).text.find(" -> " + joined + "CDCDCD9000（"), std::string::npos)
      << r.outcomes.at(0).text;
}

TEST_F(ScriptRun, LeIsSetWhereTheCommandHasItAndAddedWhereItHasNone) {
  struct Case {
    Bytes command, resent;
  };
  const std::vector<Case> cases = {
      {{0x00, 0xB0, 0x00, 0x00}, {0x00, 0xB0, 0x00, 0x00, 0x10}},                                // case 1
      {{0x00, 0xB0, 0x00, 0x00, 0x20}, {0x00, 0xB0, 0x00, 0x00, 0x10}},                          // case 2
      {{0x00, 0xA4, 0x00, 0x00, 0x01, 0x3F}, {0x00, 0xA4, 0x00, 0x00, 0x01, 0x3F, 0x10}},        // case 3
      {{0x00, 0xA4, 0x00, 0x00, 0x01, 0x3F, 0x00}, {0x00, 0xA4, 0x00, 0x00, 0x01, 0x3F, 0x10}},  // case 4
      {{0x00, 0xA4, 0x00, 0x00, 0x05, 0x3F}, {}},  // Lc does not fit: not resent
  };
  for (const Case& k : cases) {
    drv.clearCalls();
    answers({{0x6C, 0x10}, {0x90, 0x00}});
    const apdu::CardReply reply = apdu::exchangeApdu(link, k.command, true);
    std::vector<Bytes> want = {k.command};
    if (!k.resent.empty()) want.push_back(k.resent);
    EXPECT_EQ(sent(), want) << apdu::hex(k.command);
    EXPECT_EQ(reply.answer, k.resent.empty() ? (Bytes{0x6C, 0x10}) : (Bytes{0x90, 0x00}));
  }
}

TEST(ApduHistory, KeepsTheNewestRecords) {
  apdu::History h([] { return std::string("2026-01-02 00:00:00.000"); });
  for (std::size_t i = 0; i < apdu::History::kMaxRecords + 3; ++i)
    h.recordApdu(apdu::Origin::Console, {static_cast<std::uint8_t>(i), 0, 0, 0}, 0, {0x90, 0x00});
  EXPECT_EQ(h.records().size(), apdu::History::kMaxRecords);
  EXPECT_EQ(h.dropped(), 3u);
  EXPECT_EQ(h.records().front().command.at(0), 3);
  EXPECT_NE(h.fileText().find("（最早的3条记录已不在内存中）"), std::string::npos);
}

}  // namespace
