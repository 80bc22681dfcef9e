// The consoles in the real program on the simulated reader: the CPU card
// console on a T=0 card (reset, APDUs, power down), the APDU workbench (the
// answer to reset decoded, a script with a pass and a fail line, the
// history) and the device dialog on a serial port (device memory written
// and read back, the hidden page mode button).
#include <windows.h>

#include <string>

#include "support/e2e.h"

namespace {

const char* kIni =
    "[reader]\n"
    "port = com1\n"
    "[card]\n"
    "type = cpu-t0\n"
    "state = cards/cpu-t0.card\n";

// A visible dialog or box of the program with this caption other than
// `besides`, nullptr after the timeout.
HWND waitOther(e2e::Program& demo, const std::string& caption, HWND besides, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    for (HWND w : demo.topWindows())
      if (w != besides && e2e::className(w) == e2e::kDialog && e2e::text(w) == caption) return w;
    Sleep(100);
  }
  return nullptr;
}

void cpuConsole(e2e::Program& demo) {
  e2e::step("CPU card console: reset");
  demo.command(ID_CPU_CARD_CONSOLE);
  HWND dlg = demo.waitWindow("CPU卡操作", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return;
  E2E_CHECK(e2e::isChecked(dlg, IDC_CPU_SLOT_MAIN));
  E2E_CHECK(!e2e::isVisible(dlg, IDC_CPU_PARAM));
  e2e::press(dlg, IDC_CPU_RESET);
  demo.settle();
  E2E_EQ(e2e::itemText(dlg, IDC_CPU_ANSWER), std::string("3B021450"));

  e2e::step("CPU card console: APDUs");
  e2e::type(dlg, IDC_CPU_COMMAND, "0084000008");  // GET CHALLENGE, 8 bytes
  e2e::press(dlg, IDC_CPU_SEND);
  demo.settle();
  const std::string challenge = e2e::itemText(dlg, IDC_CPU_RESPONSE);
  E2E_EQ(challenge.size(), std::size_t{20});
  E2E_EQ(challenge.substr(challenge.size() >= 4 ? challenge.size() - 4 : 0), std::string("9000"));
  e2e::type(dlg, IDC_CPU_COMMAND, "00a4000002eeee");  // typed in lower case: the edit makes capitals
  E2E_EQ(e2e::itemText(dlg, IDC_CPU_COMMAND), std::string("00A4000002EEEE"));
  e2e::press(dlg, IDC_CPU_SEND);
  demo.settle();
  E2E_EQ(e2e::itemText(dlg, IDC_CPU_RESPONSE), std::string("6A82"));
  e2e::screenshot(dlg, "consoles_cpu");

  e2e::step("CPU card console: power down, then a command is refused");
  e2e::press(dlg, IDC_CPU_POWER_DOWN);
  demo.settle();
  E2E_CHECK(waitOther(demo, "Kv310型读写器演示系统", dlg, 500) == nullptr);
  e2e::type(dlg, IDC_CPU_COMMAND, "0084000008");
  e2e::press(dlg, IDC_CPU_SEND);
  HWND box = waitOther(demo, "错误提示", dlg);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box).rfind("ERR_CODE=-", 0), std::size_t{0});
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }
  E2E_EQ(e2e::itemText(dlg, IDC_CPU_RESPONSE), std::string("6A82"));

  e2e::press(dlg, IDCANCEL);
  E2E_CHECK(demo.waitGone(dlg));
}

void apduWorkbench(e2e::Program& demo) {
  e2e::step("APDU workbench: reset, the answer decoded");
  demo.command(ID_APDU_WORKBENCH);
  HWND dlg = demo.waitWindow("APDU工作台", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return;
  e2e::press(dlg, IDC_WB_RESET);
  demo.settle();
  E2E_EQ(e2e::itemText(dlg, IDC_WB_ATR), std::string("3B021450"));
  const std::string decoded = e2e::itemText(dlg, IDC_WB_ATR_INFO);
  E2E_CHECK(decoded.find("历史字节 14 50  2个") != std::string::npos);
  E2E_CHECK(decoded.find("提供的协议：T=0") != std::string::npos);

  e2e::step("APDU workbench: a script with a pass and a fail line");
  e2e::setText(
      dlg, IDC_WB_SCRIPT,
      "# a file that is not there\r\n00A4000002EEEE SW=6A82\r\n00A4000002EEEE SW=9000\r\n0084000008\r\n");
  e2e::press(dlg, IDC_WB_RUN_SCRIPT);
  demo.settle();
  const std::string results = e2e::itemText(dlg, IDC_WB_RESULTS);
  E2E_CHECK(results.find("第2行 通过：00A4000002EEEE -> 6A82（检查出错：文件或应用未找到）\r\n") != std::string::npos);
  E2E_CHECK(results.find("第3行 不符：00A4000002EEEE -> 6A82（检查出错：文件或应用未找到）；期望SW=9000\r\n") !=
            std::string::npos);
  E2E_CHECK(results.find("共执行2行：通过1行，不符1行，未检查0行；在第3行停止") != std::string::npos);
  if (results.find("第3行 不符") == std::string::npos) e2e::step("results: " + results);
  // The console's exchanges before it are in the history too.
  const std::string history = e2e::itemText(dlg, IDC_WB_HISTORY);
  E2E_CHECK(history.find("[控制台] 00A4000002EEEE -> 6A82") != std::string::npos);
  E2E_CHECK(history.find("[脚本] 00A4000002EEEE -> 6A82") != std::string::npos);
  e2e::screenshot(dlg, "consoles_apdu_workbench");
  e2e::press(dlg, IDCANCEL);
  E2E_CHECK(demo.waitGone(dlg));
}

void deviceDialog(e2e::Program& demo) {
  e2e::step("device dialog: write and read back");
  demo.command(ID_DEVICE_OPERATIONS);
  HWND dlg = demo.waitWindow("设备操作", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return;
  E2E_EQ(e2e::itemText(dlg, IDC_DEVICE_BEEP_TIME), std::string("20"));
  E2E_CHECK(!e2e::isVisible(dlg, 1));
  e2e::type(dlg, IDC_DEVICE_START, "2040");
  e2e::type(dlg, IDC_DEVICE_LENGTH, "8");
  e2e::type(dlg, IDC_DEVICE_DATA, "0123456789abcdef");
  e2e::press(dlg, IDC_DEVICE_WRITE);
  HWND box = waitOther(demo, "设备操作", dlg);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string("写数据成功"));
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }
  e2e::type(dlg, IDC_DEVICE_DATA, "");
  e2e::type(dlg, IDC_DEVICE_START, "2044");
  e2e::type(dlg, IDC_DEVICE_LENGTH, "4");
  e2e::press(dlg, IDC_DEVICE_READ);
  demo.settle();
  E2E_EQ(e2e::itemText(dlg, IDC_DEVICE_DATA), std::string("89ABCDEF"));

  e2e::step("device dialog: a transfer past the end is refused");
  e2e::type(dlg, IDC_DEVICE_LENGTH, "5");
  e2e::press(dlg, IDC_DEVICE_READ);
  box = waitOther(demo, "Kv310型读写器演示系统", dlg);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string("输入长度错误！"));
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }
  E2E_EQ(e2e::itemText(dlg, IDC_DEVICE_DATA), std::string("89ABCDEF"));
  e2e::screenshot(dlg, "consoles_device");

  e2e::step("device dialog: the hidden page mode button");
  PostMessageW(dlg, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(10, 10));
  demo.settle(300);
  E2E_CHECK(!e2e::isVisible(dlg, 1));
  PostMessageW(dlg, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(2, 3));
  demo.settle(300);
  E2E_CHECK(e2e::isVisible(dlg, 1));
  e2e::screenshot(dlg, "consoles_device_page_button");
  e2e::press(dlg, IDOK);
  E2E_CHECK(demo.waitGone(dlg));
  // The 24C16 is selected, but a CPU card sits in the reader: the page
  // operation mode is refused.
  box = demo.waitWindow("提示信息", e2e::kDialog);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string("页操作模式失败！"));
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }
}

}  // namespace

int wmain() {
  {
    e2e::Program demo({.simIni = kIni});
    if (demo.start() != nullptr) {
      cpuConsole(demo);
      apduWorkbench(demo);
      deviceDialog(demo);
      if (HWND stray = demo.anyDialog()) E2E_EQ(e2e::text(stray), std::string("(no dialog left open)"));
    }
  }
  return e2e::finish();
}
