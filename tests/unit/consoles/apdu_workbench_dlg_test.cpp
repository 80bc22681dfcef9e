// The APDU workbench on the simulated reader: reset with the answer
// decoded, commands with their status word, the T=0 option, scripts with
// pass and fail lines, refused input that sends nothing, script files, the
// history shared with the CPU card console, copy and save. Through the
// view's command, it leaves the program's state as it was.
#include "consoles/apdu_workbench_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apdu/apdu_script.h"
#include "view/consoles_module.h"
#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "sim/sim_api.h"
#include "view/app_state.h"
#include "view/demo_view.h"
#include "view/view_context.h"

namespace {

constexpr int kCom1 = 0;

std::vector<std::uint8_t> fileBytes(const std::string& s) { return {s.begin(), s.end()}; }

struct Workbench : ::testing::Test {
  fake::FakeUi ui;
  DriverTable drv;
  apdu::History history{[] { return std::string("2026-01-02 10:20:30.400"); }};
  std::unique_ptr<CApduWorkbenchDlg> dlg;
  std::unique_ptr<fake::FakeControls> c;

  void open(const char* card, CardType type = CardType::Cpu) {
    sim::TestReader::reset(card, kCom1);
    sim::fillDriverTable(drv);
    dlg = std::make_unique<CApduWorkbenchDlg>(drv, ui.shell, ui.files, history);
    dlg->m_reader = drv.IC_InitComm(kCom1);
    dlg->m_cardType = type;
    c = std::make_unique<fake::FakeControls>(IDD_APDU_WORKBENCH, *dlg, ui.shell);
    dlg->onInit(*c);
  }
  void send(const std::string& command) {
    c->type(IDC_WB_COMMAND, command);
    c->click(IDC_WB_SEND);
  }
  std::vector<std::string> resultLines() {
    std::vector<std::string> lines;
    const std::string t = c->text(IDC_WB_RESULTS);
    for (std::size_t at = 0, end; (end = t.find("\r\n", at)) != std::string::npos; at = end + 2)
      lines.push_back(t.substr(at, end - at));
    return lines;
  }
};

TEST_F(Workbench, ResetDecodesTheAnswerAndCommandsShowTheirStatusWord) {
  open("cpu-t1");
  EXPECT_TRUE(c->isChecked(IDC_WB_STOP_ON_FAIL));
  EXPECT_FALSE(c->isChecked(IDC_WB_T0_AUTO));
  c->click(IDC_WB_RESET);
  EXPECT_EQ(c->text(IDC_WB_ATR), "3B800181");
  EXPECT_NE(c->text(IDC_WB_ATR_INFO).find("提供的协议：T=1\r\n时钟转换：Fi/Di=372/1\r\nTCK：校验正确"),
            std::string::npos)
      << c->text(IDC_WB_ATR_INFO);
  send("00 84 00 00 08");
  EXPECT_EQ(c->text(IDC_WB_RESPONSE).size(), 20u);
  EXPECT_EQ(c->text(IDC_WB_STATUS), "正常：命令执行成功");
  send("00a4000002eeee");
  EXPECT_EQ(c->text(IDC_WB_RESPONSE), "6A82");
  EXPECT_EQ(c->text(IDC_WB_STATUS), "检查出错：文件或应用未找到");
  EXPECT_TRUE(ui.log.boxes().empty()) << ui.log.dump();
  const std::string shown = c->text(IDC_WB_HISTORY);
  EXPECT_NE(shown.find("10:20:30.400 [工作台] 复位 -> 3B800181（复位应答）\r\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("[工作台] 00A4000002EEEE -> 6A82  检查出错：文件或应用未找到\r\n"), std::string::npos)
      << shown;
  EXPECT_EQ(history.records().size(), 3u);
  EXPECT_TRUE(c->controls[IDC_WB_HISTORY].scrolledToEnd);  // the newest record in view
}

TEST_F(Workbench, T0OptionFetchesTheResponseOfASelect) {
  open("cpu-t0");
  c->click(IDC_WB_RESET);
  send("00A40000023F00");
  EXPECT_EQ(c->text(IDC_WB_RESPONSE), "610A");
  c->click(IDC_WB_T0_AUTO);
  send("00A40000023F00");
  EXPECT_EQ(c->text(IDC_WB_RESPONSE), "6F0883023F00800200009000");
  EXPECT_EQ(history.records().back().command, (apdu::Bytes{0x00, 0xC0, 0x00, 0x00, 0x0A}));
}

TEST_F(Workbench, BadCommandsAreRefusedUnsent) {
  open("cpu-t0");
  c->click(IDC_WB_RESET);
  send("0084000008");
  const std::string response = c->text(IDC_WB_RESPONSE);
  const std::size_t records = history.records().size();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "请输入要发送的命令（十六进制）。"},
      {"008400000", "命令的十六进制数字个数为奇数。"},
      {"00 84 0G", "命令中有非十六进制字符“G”。"},
      {"008400", "命令只有3字节，至少要4字节（CLA INS P1 P2）。"},
      {"00D60000FF" + std::string(514, '0'), "命令有262字节，超过读写器驱动能发送的261字节。"},
  };
  for (const auto& [typed, message] : cases) {
    ui.log.clear();
    send(typed);
    EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"APDU工作台|" + message})) << typed;
    EXPECT_EQ(c->focus, IDC_WB_COMMAND);
    EXPECT_TRUE(c->controls[IDC_WB_COMMAND].selectedAll);
  }
  EXPECT_EQ(history.records().size(), records);
  EXPECT_EQ(c->text(IDC_WB_RESPONSE), response);
}

TEST_F(Workbench, ScriptShowsPassAndFailLines) {
  open("cpu-t0");
  c->type(IDC_WB_SCRIPT,
          "# GET CHALLENGE, then a file that is not there\r\n"
          "RESET = 3B021450\r\n"
          "0084000008 = XXXXXXXXXXXXXXXX9000\r\n"
          "00A4000002EEEE SW=9000\r\n"
          "00A4000002EEEE SW=6A82\r\n");
  c->click(IDC_WB_RUN_SCRIPT);
  std::vector<std::string> lines = resultLines();
  ASSERT_EQ(lines.size(), 4u) << c->text(IDC_WB_RESULTS);
  EXPECT_EQ(lines[0], "第2行 通过：复位 -> 3B021450（复位应答）");
  EXPECT_EQ(lines[1].rfind("第3行 通过：0084000008 -> ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "第4行 不符：00A4000002EEEE -> 6A82（检查出错：文件或应用未找到）；期望SW=9000");
  EXPECT_EQ(lines[3], "共执行3行：通过2行，不符1行，未检查0行；在第4行停止");

  c->click(IDC_WB_STOP_ON_FAIL);  // run on
  c->click(IDC_WB_RUN_SCRIPT);
  lines = resultLines();
  ASSERT_EQ(lines.size(), 5u) << c->text(IDC_WB_RESULTS);
  EXPECT_EQ(lines[3], "第5行 通过：00A4000002EEEE -> 6A82（检查出错：文件或应用未找到）");
  EXPECT_EQ(lines[4], "共执行4行：通过3行，不符1行，未检查0行");
  EXPECT_NE(c->text(IDC_WB_HISTORY).find("[脚本] 00A4000002EEEE -> 6A82"), std::string::npos);
}

TEST_F(Workbench, ScriptsAreRefusedUnrunWhenFaultyOrNotOnACpuCard) {
  open("cpu-t0", CardType::Sam);
  c->type(IDC_WB_SCRIPT, "RESET\r\n");
  c->click(IDC_WB_RUN_SCRIPT);
  open("cpu-t0");
  c->type(IDC_WB_SCRIPT, "RESET\r\n0084000008\r\n00A400 = 9000\r\n");
  c->click(IDC_WB_RUN_SCRIPT);
  c->type(IDC_WB_SCRIPT, "# nothing\r\n");
  c->click(IDC_WB_RUN_SCRIPT);
  EXPECT_EQ(ui.log.boxes(),
            (std::vector<std::string>{
                "APDU工作台|当前卡型不是CPU卡，不能运行脚本。",
                "APDU工作台|脚本有误，没有运行：第3行：命令只有3字节，至少要4字节（CLA INS P1 P2）。",
                "APDU工作台|脚本中没有命令。"}));
  EXPECT_TRUE(history.empty());
  EXPECT_EQ(c->text(IDC_WB_RESULTS), "");
}

TEST_F(Workbench, OpenedScriptFilesAreCheckedBeforeTheyReplaceTheScript) {
  open("cpu-t0");
  c->type(IDC_WB_SCRIPT, "RESET\r\n");
  ui.files.files["C:\\s\\bin.apdu"] = {0x00, 0xA4, 0x00, 0x00};
  ui.files.files["C:\\s\\odd.txt"] = fileBytes("RESET\n00A4000\n");
  ui.files.files["C:\\s\\big.txt"] = std::vector<std::uint8_t>(apdu::kMaxScriptBytes + 1, '0');
  ui.files.files["C:\\s\\good.txt"] = fileBytes("\xEF\xBB\xBFRESET\n0084000008 SW=9000 # 取随机数\n");
  ui.files.answers = {"C:\\s\\bin.apdu", "C:\\s\\odd.txt", "C:\\s\\big.txt", "C:\\s\\missing.txt", ""};
  for (int i = 0; i < 5; ++i) c->click(IDC_WB_OPEN_SCRIPT);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{
                                "APDU工作台|所选文件不是文本文件（第1字节是控制字符）。",
                                "APDU工作台|脚本有误，没有打开：第2行：命令的十六进制数字个数为奇数。",
                                "APDU工作台|脚本文件太大，超过64KB。",
                                "APDU工作台|无法读取文件“C:\\s\\missing.txt”。",
                            }));
  EXPECT_EQ(c->text(IDC_WB_SCRIPT), "RESET\r\n");
  EXPECT_EQ(c->text(IDC_WB_SCRIPT_NAME), "");
  ui.files.answers = {"C:\\s\\good.txt"};
  c->click(IDC_WB_OPEN_SCRIPT);
  EXPECT_EQ(c->text(IDC_WB_SCRIPT), "RESET\r\n0084000008 SW=9000 # 取随机数\r\n");
  EXPECT_EQ(c->text(IDC_WB_SCRIPT_NAME), "good.txt");
  EXPECT_EQ(c->text(IDC_WB_RESULTS), "已打开脚本，共2条命令。\r\n");
  EXPECT_EQ(ui.files.asked.back(), "open|*.txt;*.apdu|txt");
  EXPECT_TRUE(history.empty());
}

TEST_F(Workbench, HistoryIsCopiedAndSavedAsText) {
  open("cpu-t0");
  c->click(IDC_WB_COPY_HISTORY);
  c->click(IDC_WB_SAVE_HISTORY);
  EXPECT_EQ(ui.log.boxes(),
            (std::vector<std::string>{"APDU工作台|还没有交换记录。", "APDU工作台|还没有交换记录。"}));
  EXPECT_TRUE(ui.files.asked.empty());
  c->click(IDC_WB_RESET);
  c->click(IDC_WB_COPY_HISTORY);
  EXPECT_EQ(ui.shell.clipboard, "10:20:30.400 [工作台] 复位 -> 3B021450（复位应答）\r\n");
  ui.files.answers = {"C:\\log.txt", "C:\\locked.txt"};
  ui.files.failing.insert("C:\\locked.txt");
  ui.shell.clipboardWorks = false;
  ui.log.clear();
  c->click(IDC_WB_SAVE_HISTORY);
  c->click(IDC_WB_SAVE_HISTORY);
  c->click(IDC_WB_COPY_HISTORY);
  EXPECT_EQ(ui.files.files["C:\\log.txt"],
            fileBytes("\xEF\xBB\xBF"
                      "APDU交换记录，保存于2026-01-02 10:20:30.400\r\n"
                      "10:20:30.400 [工作台] 复位 -> 3B021450（复位应答）\r\n"));
  EXPECT_EQ(ui.files.asked.at(0), "save|*.txt|txt|APDU交换记录.txt");
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"APDU工作台|无法保存交换记录到“C:\\locked.txt”。",
                                                      "APDU工作台|无法把交换记录复制到剪贴板。"}));
}

TEST_F(Workbench, DriverErrorsAreShownAndKeepTheLastAnswer) {
  open("sle4442");
  c->setText(IDC_WB_ATR, "3B021450");
  c->click(IDC_WB_RESET);
  send("0084000008");
  ASSERT_EQ(ui.log.boxes().size(), 2u) << ui.log.dump();
  EXPECT_EQ(ui.log.boxes()[0].rfind("错误提示|ERR_CODE=-", 0), 0u) << ui.log.dump();
  EXPECT_EQ(c->text(IDC_WB_ATR), "3B021450");
  EXPECT_EQ(c->text(IDC_WB_RESPONSE), "");
  EXPECT_EQ(history.records().size(), 2u);
  EXPECT_NE(c->text(IDC_WB_HISTORY).find("[工作台] 0084000008 -> 出错 ERR_CODE=-"), std::string::npos)
      << c->text(IDC_WB_HISTORY);
}

// Through the view: the console's exchanges are in the workbench's history,
// and neither command changes the program's state.
TEST(ConsolesHistory, ConsoleExchangesAppearInTheWorkbench) {
  sim::TestReader::reset("cpu-t0", kCom1);
  DriverTable drv;
  sim::fillDriverTable(drv);
  fake::FakeUi ui;
  AppState st;
  CDemoDoc doc;
  CDemoView view{st, doc, drv, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files};
  st.port = ReaderPort::Com1;
  st.readerHandle = drv.IC_InitComm(kCom1);
  st.cardType = CardType::Cpu;
  st.viewState = ViewState::NoCardData;
  const AppState before = st;
  ui.dialogs.scripts.push_back([](fake::FakeControls& c) {
    c.click(IDC_CPU_RESET);
    c.type(IDC_CPU_COMMAND, "00A4000002EEEE");
    c.click(IDC_CPU_SEND);
  });
  std::string shown;
  ui.dialogs.scripts.push_back([&shown](fake::FakeControls& c) { shown = c.text(IDC_WB_HISTORY); });
  view.onCommand(ID_CPU_CARD_CONSOLE);
  view.onCommand(ID_APDU_WORKBENCH);
  EXPECT_EQ(ui.dialogs.opened, (std::vector<int>{IDD_CPU_CARD, IDD_APDU_WORKBENCH}));
  EXPECT_NE(shown.find("[控制台] 复位 -> 3B021450（复位应答）\r\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("[控制台] 00A4000002EEEE -> 6A82  检查出错：文件或应用未找到\r\n"), std::string::npos)
      << shown;
  EXPECT_EQ(st.cardType, before.cardType);
  EXPECT_EQ(st.viewState, before.viewState);
  EXPECT_EQ(st.editActive, before.editActive);
  EXPECT_TRUE(ui.log.boxes().empty()) << ui.log.dump();
}

}  // namespace
