#include "consoles/apdu_workbench_dlg.h"

#include "apdu/apdu_script.h"
#include "apdu/atr_decoder.h"
#include "apdu/script_runner.h"
#include "apdu/status_words.h"
#include "platform/app_title.h"

namespace {

constexpr const char* kCaption = "APDU工作台";
constexpr const char* kErrorCaption = "错误提示";
constexpr int kCommandCharacters = 1024;

// Line breaks as an edit control shows them: CR LF.
std::string withCrLf(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string fileName(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool CApduWorkbenchDlg::onInit(port::DialogControls& c) {
  c.limitText(IDC_WB_COMMAND, kCommandCharacters);
  c.limitText(IDC_WB_SCRIPT, static_cast<int>(apdu::kMaxScriptBytes));
  c.check(IDC_WB_STOP_ON_FAIL, true);
  c.check(IDC_WB_T0_AUTO, false);
  showHistory(c);
  return true;
}

void CApduWorkbenchDlg::onCommand(port::DialogControls& c, int id, int code) {
  if (code != port::notify::kClicked) return;
  switch (id) {
    case IDC_WB_RESET:
      onReset(c);
      break;
    case IDC_WB_SEND:
      onSend(c);
      break;
    case IDC_WB_OPEN_SCRIPT:
      onOpenScript(c);
      break;
    case IDC_WB_RUN_SCRIPT:
      onRunScript(c);
      break;
    case IDC_WB_COPY_HISTORY:
      onCopyHistory(c);
      break;
    case IDC_WB_SAVE_HISTORY:
      onSaveHistory(c);
      break;
    default:
      port::Dialog::onCommand(c, id, code);
      break;
  }
}

void CApduWorkbenchDlg::refuse(port::DialogControls& c, int id, const std::string& message) {
  c.messageBox(message, kCaption, port::mb::kOk | port::mb::kIconExclamation);
  c.setFocus(id);
  c.selectAll(id);
}

void CApduWorkbenchDlg::driverError(port::DialogControls& c, const apdu::CardReply& reply) {
  if (reply.initTypeFailed)
    c.messageBox("IC_InitType error", kAppTitle, port::mb::kOk);
  else
    c.messageBox("ERR_CODE=" + std::to_string(static_cast<int>(reply.result)), kErrorCaption, port::mb::kOk);
}

void CApduWorkbenchDlg::showHistory(port::DialogControls& c) {
  c.setText(IDC_WB_HISTORY, history_.text(kShownRecords));
  c.scrollToEnd(IDC_WB_HISTORY);  // the newest record in view
}

void CApduWorkbenchDlg::onReset(port::DialogControls& c) {
  apdu::CpuCardLink card = link(apdu::Origin::Workbench);
  const apdu::CardReply reply = card.reset();
  showHistory(c);
  if (!reply.ok()) {
    driverError(c, reply);
    return;
  }
  c.setText(IDC_WB_ATR, apdu::hex(reply.answer));
  c.setText(IDC_WB_ATR_INFO, apdu::atrReport(apdu::decodeAtr(reply.answer)));
}

void CApduWorkbenchDlg::onSend(port::DialogControls& c) {
  const std::string typed = c.text(IDC_WB_COMMAND);
  apdu::Bytes command;
  if (typed.find_first_not_of(" \t") == std::string::npos) {
    refuse(c, IDC_WB_COMMAND, "请输入要发送的命令（十六进制）。");
    return;
  }
  if (const std::string why = apdu::readCommand(typed, command); !why.empty()) {
    refuse(c, IDC_WB_COMMAND, why + "。");
    return;
  }
  apdu::CpuCardLink card = link(apdu::Origin::Workbench);
  const apdu::CardReply reply = apdu::exchangeApdu(card, command, c.isChecked(IDC_WB_T0_AUTO));
  showHistory(c);
  if (!reply.ok()) {
    driverError(c, reply);
    return;
  }
  c.setText(IDC_WB_RESPONSE, apdu::hex(reply.answer));
  c.setText(IDC_WB_STATUS, apdu::answerStatusText(reply.answer));
}

void CApduWorkbenchDlg::onOpenScript(port::DialogControls& c) {
  const std::string path = files_.askOpenPath({"APDU脚本 (*.txt;*.apdu)", "*.txt;*.apdu", "txt"});
  if (path.empty()) return;
  const auto content = files_.readFile(path, apdu::kMaxScriptBytes);
  if (content.status == port::FileDialogs::ReadStatus::TooLarge) {
    refuse(c, IDC_WB_SCRIPT, "脚本文件太大，超过64KB。");
    return;
  }
  if (content.status != port::FileDialogs::ReadStatus::Ok) {
    refuse(c, IDC_WB_SCRIPT, "无法读取文件“" + path + "”。");
    return;
  }
  const apdu::ScriptText text = apdu::scriptFileText(content.bytes);
  if (!text.problem.empty()) {
    refuse(c, IDC_WB_SCRIPT, text.problem);
    return;
  }
  const apdu::ParsedScript script = apdu::parseScript(text.text);
  if (!script.ok()) {
    refuse(c, IDC_WB_SCRIPT, "脚本有误，没有打开：" + script.problem->message);
    return;
  }
  c.setText(IDC_WB_SCRIPT, withCrLf(text.text));
  c.setText(IDC_WB_SCRIPT_NAME, fileName(path));
  c.setText(IDC_WB_RESULTS, "已打开脚本，共" + std::to_string(script.lines.size()) + "条命令。\r\n");
}

void CApduWorkbenchDlg::onRunScript(port::DialogControls& c) {
  if (m_cardType != CardType::Cpu) {
    c.messageBox("当前卡型不是CPU卡，不能运行脚本。", kCaption, port::mb::kOk | port::mb::kIconExclamation);
    return;
  }
  const apdu::ParsedScript script = apdu::parseScript(c.text(IDC_WB_SCRIPT));
  if (!script.ok()) {
    refuse(c, IDC_WB_SCRIPT, "脚本有误，没有运行：" + script.problem->message);
    return;
  }
  if (script.lines.empty()) {
    refuse(c, IDC_WB_SCRIPT, "脚本中没有命令。");
    return;
  }
  apdu::RunOptions options;
  options.stopAtFirstDifference = c.isChecked(IDC_WB_STOP_ON_FAIL);
  options.completeT0 = c.isChecked(IDC_WB_T0_AUTO);
  apdu::CpuCardLink card = link(apdu::Origin::Script);
  const apdu::RunReport report = apdu::runScript(script.lines, card, options);
  c.setText(IDC_WB_RESULTS, report.text());
  c.scrollToEnd(IDC_WB_RESULTS);
  showHistory(c);
}

void CApduWorkbenchDlg::onCopyHistory(port::DialogControls& c) {
  if (history_.empty()) {
    c.messageBox("还没有交换记录。", kCaption, port::mb::kOk | port::mb::kIconInformation);
    return;
  }
  if (!shell_.copyToClipboard(history_.text()))
    c.messageBox("无法把交换记录复制到剪贴板。", kCaption, port::mb::kOk | port::mb::kIconExclamation);
}

void CApduWorkbenchDlg::onSaveHistory(port::DialogControls& c) {
  if (history_.empty()) {
    c.messageBox("还没有交换记录。", kCaption, port::mb::kOk | port::mb::kIconInformation);
    return;
  }
  const std::string path = files_.askSavePath({"文本文件 (*.txt)", "*.txt", "txt"}, "APDU交换记录.txt");
  if (path.empty()) return;
  // UTF-8 with its byte order mark, so every editor reads the Chinese.
  std::vector<std::uint8_t> bytes = {0xEF, 0xBB, 0xBF};
  const std::string text = history_.fileText();
  bytes.insert(bytes.end(), text.begin(), text.end());
  if (!files_.writeFile(path, bytes))
    c.messageBox("无法保存交换记录到“" + path + "”。", kCaption, port::mb::kOk | port::mb::kIconExclamation);
}
