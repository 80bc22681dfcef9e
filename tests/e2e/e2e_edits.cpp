// The operator's edits in the real program on the simulated reader: input
// that reaches the view while a box is open changes nothing on the card
// (a Space posted while the failed write's question is open protects no
// byte), and ending the program with an edit not on the card asks first.
// The driver trace (DEMO_TRACE) and the card's state file are the evidence.
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"

namespace {

constexpr const char* kDiscardEdits = "有尚未写入卡的修改，放弃这些修改吗？";

std::string simIni(const std::string& type, const std::string& state, const std::string& faults = "") {
  return "[reader]\nport = usb\n[card]\ntype = " + type + "\nstate = " + state + "\n[faults]\n" + faults;
}

// A byte of a card's state file; a card never changed has none yet: its
// factory value.
int stateByte(const std::string& path, const std::string& field, std::size_t a, int factory) {
  const std::vector<std::uint8_t> m = e2e::stateBytes(path, field);
  if (m.empty() && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return factory;
  return a < m.size() ? m[a] : -1;
}

// The program's box whose text is `text`, nullptr after a few seconds.
HWND waitBox(e2e::Program& demo, const std::string& text) {
  for (int i = 0; i < 100; ++i) {
    HWND box = demo.anyDialog();
    if (box != nullptr && e2e::messageText(box) == text) return box;
    Sleep(100);
  }
  HWND other = demo.anyDialog();
  e2e::step("no box \"" + text + "\"; shown: " + (other ? e2e::messageText(other) : std::string("none")));
  return nullptr;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Reads the card and enters edit mode: the caret on byte 0.
void readAndEdit(e2e::Program& demo) {
  demo.command(ID_CARD_READ);
  demo.settle(1500);
  demo.command(ID_CARD_WRITE);
  demo.settle(300);
}

// Hexadecimal grid cells: column c of row r.
void clickCell(e2e::Program& demo, int row, int col) { demo.click(33 + 27 * col + 5, 32 + 15 * row + 5); }

void spaceWhileFailureBoxIsOpen() {
  const std::string state = "cards/e2e_edits_4442.card";
  const std::string trace = "e2e_edits_trace.log";
  DeleteFileA(state.c_str());
  DeleteFileA(trace.c_str());
  char full[MAX_PATH];
  GetFullPathNameA(trace.c_str(), MAX_PATH, full, nullptr);
  SetEnvironmentVariableA("DEMO_TRACE", full);
  // The first data write of the session fails.
  e2e::Program demo({.simIni = simIni("sle4442", state, "fail_function = IC_Write\nfail_call = 1\n")});
  HWND frame = demo.start();
  SetEnvironmentVariableA("DEMO_TRACE", nullptr);
  if (frame == nullptr) return;

  e2e::step("SLE4442: the user code, read, edit byte 17, F5 with the write failing");
  demo.command(ID_VERIFY_USER_PASSWORD);
  HWND code = demo.waitWindow("密码输入", e2e::kDialog);
  if (!E2E_CHECK(code != nullptr)) return;
  e2e::type(code, IDC_PASSWORD, "FFFFFF");
  e2e::press(code, IDOK);
  demo.waitGone(code);
  demo.settle(1000);
  readAndEdit(demo);
  clickCell(demo, 1, 1);
  demo.chars("5a");
  clickCell(demo, 1, 1);
  demo.settle(300);
  demo.key(VK_F5);
  HWND ask = waitBox(demo, "写入没有成功，要重新读卡吗？");
  if (!E2E_CHECK(ask != nullptr)) return;

  e2e::step("a Space reaches the view while the question is open; No");
  demo.key(VK_SPACE);
  Sleep(800);
  e2e::press(ask, IDNO);
  E2E_CHECK(demo.waitGone(ask));
  demo.settle(1500);
  HWND other = demo.anyDialog();
  if (other != nullptr) {
    e2e::step("then: " + e2e::messageText(other));
    e2e::press(other, IDOK);
    demo.settle(500);
  }
  const std::string calls = fileText(trace);
  E2E_CHECK(calls.find("IC_Write") != std::string::npos);
  E2E_CHECK(calls.find("IC_WriteProtection") == std::string::npos);
  E2E_EQ(stateByte(state, "protection", 17, 1), 1);
  E2E_EQ(stateByte(state, "memory", 17, 0xFF), 0xFF);
  demo.close();
}

void exitWithPendingEditAsks() {
  const std::string state = "cards/e2e_edits_24c02.card";
  DeleteFileA(state.c_str());
  e2e::Program demo({.simIni = simIni("24c02", state)});
  HWND frame = demo.start();
  if (frame == nullptr) return;

  e2e::step("24C02: read, type AA over byte 0, no F5");
  readAndEdit(demo);
  demo.chars("aa");
  demo.settle(500);
  e2e::screenshot(frame, "pending_edit");  // byte 0 in the pending colour

  e2e::step("退出系统 asks; No keeps the program");
  demo.command(ID_APP_EXIT);
  HWND ask = waitBox(demo, kDiscardEdits);
  if (E2E_CHECK(ask != nullptr)) {
    e2e::press(ask, IDNO);
    E2E_CHECK(demo.waitGone(ask));
  }
  demo.settle(500);
  if (!E2E_CHECK(demo.running())) return;

  e2e::step("the close button asks; No keeps the program");
  PostMessageW(frame, WM_CLOSE, 0, 0);
  ask = waitBox(demo, kDiscardEdits);
  if (E2E_CHECK(ask != nullptr)) {
    e2e::press(ask, IDNO);
    E2E_CHECK(demo.waitGone(ask));
  }
  demo.settle(500);
  E2E_CHECK(demo.running());
  E2E_EQ(stateByte(state, "memory", 0, 0xFF), 0xFF);

  e2e::step("退出系统, Yes: the program ends, the card as it was");
  demo.command(ID_APP_EXIT);
  ask = waitBox(demo, kDiscardEdits);
  if (E2E_CHECK(ask != nullptr)) e2e::press(ask, IDYES);
  E2E_CHECK(demo.waitExit(10000));
  E2E_EQ(stateByte(state, "memory", 0, 0xFF), 0xFF);
}

}  // namespace

int wmain() {
  CreateDirectoryA("cards", nullptr);
  spaceWhileFailureBoxIsOpen();
  exitWithPendingEditAsks();
  return e2e::finish();
}
