// Card image files in the real program on the simulated reader: read a
// 24C02, save it through the common Save dialog, change the card, open the
// saved file through the Open dialog, write it back with F5 and find the
// saved bytes in the card's state file; a file of the wrong size is refused.
// A Save dialog cancelled in edit mode leaves the caret on its cell.
#include <windows.h>
// After <windows.h>, which it needs.
#include <dlgs.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "support/e2e.h"

namespace {

std::vector<std::uint8_t> fileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring currentDirectory() {
  std::wstring dir(MAX_PATH, L'\0');
  dir.resize(GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()));
  return dir;
}

// Waits for the program's next dialog (the common file dialogs take a
// while to fill their folder view under Wine).
HWND waitDialog(e2e::Program& demo, int timeoutMs = 30000) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    if (HWND d = demo.anyDialog()) return d;
    Sleep(100);
  }
  return nullptr;
}

// The file name field of a common file dialog: the edit inside the file
// name combo box (cmb13, a ComboBoxEx with a combo box with an edit), or
// the plain edit (edt1) of older dialogs.
BOOL CALLBACK findNameEdit(HWND w, LPARAM lp) {
  if (e2e::className(w) == "Edit" && GetDlgCtrlID(w) == cmb13) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

HWND fileNameEdit(HWND dialog) {
  HWND edit = nullptr;
  EnumChildWindows(dialog, findNameEdit, reinterpret_cast<LPARAM>(&edit));
  return edit != nullptr ? edit : GetDlgItem(dialog, edt1);
}

BOOL CALLBACK listChild(HWND w, LPARAM) {
  e2e::step("   child [" + e2e::className(w) + "] id " + std::to_string(GetDlgCtrlID(w)) + " \"" +
            e2e::text(w) + "\"" + (IsWindowVisible(w) ? "" : " hidden"));
  return TRUE;
}

// Types a full path into the file dialog and presses its OK button; false
// when the dialog did not appear or has no file name field.
bool chooseFile(e2e::Program& demo, const std::wstring& path, const std::string& shot) {
  HWND dialog = waitDialog(demo);
  if (!E2E_CHECK(dialog != nullptr)) return false;
  demo.settle(1500);
  HWND edit = fileNameEdit(dialog);
  if (!E2E_CHECK(edit != nullptr)) {
    e2e::step("dialog \"" + e2e::text(dialog) + "\"");
    EnumChildWindows(dialog, listChild, 0);
    e2e::press(dialog, IDCANCEL);
    demo.waitGone(dialog);
    return false;
  }
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  E2E_EQ(e2e::text(edit), win32::narrow(path));
  e2e::screenshot(dialog, shot);
  e2e::press(dialog, IDOK);
  E2E_CHECK(demo.waitGone(dialog, 20000));
  return true;
}

// Answers the program's next message box with OK and returns its text.
std::string answerBox(e2e::Program& demo) {
  HWND box = waitDialog(demo, 15000);
  if (!E2E_CHECK(box != nullptr)) return "";
  const std::string said = e2e::messageText(box);
  e2e::step("box: " + said);
  e2e::press(box, IDOK);
  demo.waitGone(box);
  demo.settle(500);
  return said;
}

void noBox(e2e::Program& demo, const char* when) {
  HWND box = demo.anyDialog();
  if (!E2E_CHECK(box == nullptr)) {
    e2e::step(std::string("unexpected box ") + when + ": " + e2e::messageText(box));
    e2e::press(box, IDOK);
    demo.settle(300);
  }
}

}  // namespace

int wmain() {
  CreateDirectoryA("cards", nullptr);
  const std::string state = "cards/e2e_cardimage_24c02.card";
  DeleteFileA(state.c_str());
  const std::wstring backup = currentDirectory() + L"\\备份_24C02.bin";
  const std::wstring tooShort = currentDirectory() + L"\\short.bin";
  DeleteFileW(backup.c_str());
  {
    std::ofstream out(std::filesystem::path(tooShort), std::ios::binary);
    out << std::string(100, 'x');
  }

  e2e::Program demo({.simIni = "[reader]\nport = usb\n[card]\ntype = 24c02\nstate = " + state + "\n"});
  HWND frame = demo.start();
  if (frame == nullptr) return e2e::finish();
  noBox(demo, "at start-up");

  e2e::step("read the 24C02 and save it with Ctrl+S");
  demo.command(ID_CARD_READ);
  demo.settle(1500);
  noBox(demo, "after the read");
  const std::vector<std::uint8_t> original = e2e::stateMemory(state);
  E2E_EQ(original.size(), static_cast<std::size_t>(256));
  demo.command(ID_FILE_SAVE);
  if (chooseFile(demo, backup, "cardimage_save_dialog")) {
    const std::string said = answerBox(demo);
    E2E_CHECK(said.rfind("已保存24C02的卡片映像（256 字节）：", 0) == 0);
    E2E_CHECK(fileBytes(backup) == original);
  }

  e2e::step("change the card: three bytes written with F5");
  demo.command(ID_CARD_WRITE);
  demo.settle(300);
  demo.chars("a1b2c3");
  demo.key(VK_F5);
  demo.settle(1500);
  noBox(demo, "after F5");
  E2E_EQ(static_cast<int>(e2e::stateMemory(state).at(0)), 0xA1);

  e2e::step("the caret keeps its cell behind the Save dialog: type, cancel Ctrl+S, type, F5");
  demo.chars("d4");
  demo.command(ID_FILE_SAVE);
  if (HWND dialog = waitDialog(demo); E2E_CHECK(dialog != nullptr)) {
    demo.settle(1000);
    e2e::press(dialog, IDCANCEL);
    E2E_CHECK(demo.waitGone(dialog, 20000));
    demo.settle(500);
  }
  demo.chars("e5");
  demo.key(VK_F5);
  demo.settle(1500);
  noBox(demo, "after F5 behind the Save dialog");
  {
    const std::vector<std::uint8_t> card = e2e::stateMemory(state);
    E2E_EQ(static_cast<int>(card.at(0)), 0xA1);
    E2E_EQ(static_cast<int>(card.at(3)), 0xD4);
    E2E_EQ(static_cast<int>(card.at(4)), 0xE5);
  }

  e2e::step("a file of another size is refused");
  demo.command(ID_FILE_OPEN);
  if (chooseFile(demo, tooShort, "cardimage_open_dialog")) {
    E2E_EQ(answerBox(demo), std::string("文件大小为 100 字节，与24C02的 256 字节不符，文件没有打开。"));
  }

  e2e::step("open the saved file with Ctrl+O, then F5 restores the card");
  demo.command(ID_FILE_OPEN);
  if (chooseFile(demo, backup, "cardimage_open_backup")) {
    E2E_EQ(answerBox(demo), std::string("已打开文件：5 个字节与卡片不同，已标为修改。\n按 F5 写入卡片。"));
    E2E_EQ(static_cast<int>(e2e::stateMemory(state).at(0)), 0xA1);  // not before F5
    e2e::screenshot(frame, "cardimage_opened");
    demo.key(VK_F5);
    demo.settle(1500);
    noBox(demo, "after F5");
    E2E_CHECK(e2e::stateMemory(state) == original);
  }

  demo.close();
  return e2e::finish();
}
