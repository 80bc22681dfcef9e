// End-to-end: finding the reader, detecting and choosing the card type, the
// menu bars and the version box, on the simulated reader.
//
// First the real Demo.exe is driven from outside (version box, card swap
// and detection, a manual choice; screenshots). Then the real window
// classes run in this process, where the menu bars can be read.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/application.h"
#include "support/e2e.h"

namespace {

constexpr const char* kVersion = "KV310-SIM V1.0";

std::string simIni(const std::string& card, const std::string& portName = "usb") {
  return "[reader]\nport = " + portName + "\nversion = " + kVersion + "\n\n[card]\ntype = " + card +
         "\nstate = cards/e2e_reader_" + card + ".card\n";
}

// Swapping the card: the simulated reader reads its file again at the next
// status call.
void writeIni(const std::string& text) {
  std::ofstream ini("pelox-sim.ini", std::ios::binary | std::ios::trunc);
  ini << text;
}

std::string utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::vector<std::string> captions(HMENU menu) {
  std::vector<std::string> out;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t buf[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), buf, 256, MF_BYPOSITION);
    out.push_back(utf8(buf));
  }
  return out;
}

std::string join(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += (s.empty() ? "" : ",") + x;
  return s;
}

bool contains(const std::vector<std::string>& v, const std::string& x) {
  for (const std::string& s : v) {
    if (s == x) return true;
  }
  return false;
}

void driveTheProgram() {
  e2e::step("Demo.exe with an SLE4442 on USB");
  e2e::Program demo({.simIni = simIni("sle4442")});
  HWND frame = demo.start();
  if (frame == nullptr) return;
  e2e::screenshot(frame, "reader_1_startup_sle4442");

  e2e::step("the version box shows the driver's text");
  demo.command(32848);
  HWND box = demo.waitWindow("版本号", e2e::kDialog);
  E2E_CHECK(box != nullptr);
  if (box != nullptr) {
    E2E_EQ(e2e::messageText(box), std::string(kVersion));
    e2e::press(box, IDOK);
    E2E_CHECK(demo.waitGone(box));
  }

  e2e::step("another card, then 自动测卡型");
  writeIni(simIni("at88sc102"));
  demo.command(32790);
  demo.settle(1500);
  E2E_CHECK(demo.anyDialog() == nullptr);
  e2e::screenshot(frame, "reader_2_detected_at88sc102");

  e2e::step("a manual choice: 24C16");
  demo.command(32774);
  demo.settle();
  e2e::screenshot(frame, "reader_3_manual_24c16");

  e2e::step("no card: detection reports it");
  writeIni(simIni("none"));
  demo.command(32790);
  demo.settle(1500);
  E2E_CHECK(demo.anyDialog() == nullptr);
  e2e::screenshot(frame, "reader_4_no_card");
  demo.close();
}

void checkMenusInProcess() {
  e2e::step("in-process: start-up detection and the menu bar of the SLE4442");
  writeIni(simIni("sle4442"));
  win32::Application app(GetModuleHandleW(nullptr));
  if (!E2E_CHECK(app.start(SW_SHOW))) return;
  e2e::pump(3000);
  AppState& st = app.app().state;
  E2E_EQ(st.port, 100);
  E2E_EQ(st.cardType, 17);
  HMENU bar = GetMenu(app.frame());
  E2E_EQ(join(captions(bar)), std::string("卡型选择(&T),选通讯口(&M),读卡操作(&R),写卡操作(&W),核对密码(&V),修改密码(&C),帮 助(&H)"));
  const std::vector<std::string> cardItems = captions(GetSubMenu(bar, 0));
  E2E_CHECK(!contains(cardItems, "设备操作"));
  E2E_CHECK(contains(cardItems, "卡下电"));

  e2e::step("in-process: CPU卡 by hand gives menu 135");
  SendMessageW(app.frame(), WM_COMMAND, 32828, 0);
  e2e::pump(300);
  E2E_EQ(st.cardType, 12);
  E2E_EQ(join(captions(GetMenu(app.frame()))), std::string("卡型选择(&T),选通讯口(&M),CP&U卡操作,帮 助(&H)"));

  e2e::step("in-process: a port without reader goes back to USB");
  SendMessageW(app.frame(), WM_COMMAND, 32784, 0);
  e2e::pump(300);
  E2E_EQ(st.port, 100);
  E2E_CHECK(st.readerHandle > 0);

  e2e::step("in-process: 自动测卡型 with a 24C02 installs menu 137");
  writeIni(simIni("24c02"));
  SendMessageW(app.frame(), WM_COMMAND, 32790, 0);
  e2e::pump(500);
  E2E_EQ(st.cardType, 65);
  E2E_EQ(join(captions(GetMenu(app.frame()))), std::string("卡型选择(&T),选通讯口(&M),读卡操作(&R),写卡操作(&W),帮 助(&H)"));
  e2e::screenshot(app.frame(), "reader_5_in_process_24c02");
  DestroyWindow(app.frame());
  e2e::pump(200);
}

}  // namespace

int wmain() {
  driveTheProgram();
  checkMenusInProcess();
  return e2e::finish();
}
