// The dialog "批量写卡" in the real program on the simulated reader: two
// SLE4442 cards personalised one after the other, the second put in by
// rewriting the simulator's INI file while the dialog runs (the window
// keeps answering), each card's serial and image byte found in its state
// file, and each outcome in the log.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

#include "support/e2e.h"

namespace {

const std::string kIniHead = "[reader]\nport = usb\n[card]\n";

void writeIni(const std::string& card) {
  std::ofstream ini("pelox-sim.ini", std::ios::binary | std::ios::trunc);
  ini << kIniHead << card;
}

// Waits until the dialog's control shows `text`; false after the timeout.
bool waitText(HWND dialog, int id, const std::string& text, int timeoutMs = 20000) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    if (e2e::itemText(dialog, id) == text) return true;
    Sleep(100);
  }
  return false;
}

int byteAt(const std::vector<std::uint8_t>& m, std::size_t a) { return a < m.size() ? m[a] : -1; }

}  // namespace

int wmain() {
  DeleteFileA("cards/e2e_batch_1.card");
  DeleteFileA("cards/e2e_batch_2.card");
  DeleteFileA("batch-e2e.csv");
  // A fresh simulated SLE4442: its header, then FF.
  std::vector<unsigned char> image(256, 0xFF);
  const unsigned char header[] = {0xA2, 0x13, 0x10, 0x91, 0xFF, 0xFF, 0x81, 0x15};
  std::copy(std::begin(header), std::end(header), image.begin());
  image[0x40] = 0x5A;
  std::ofstream("batch.bin", std::ios::binary).write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));

  writeIni("type = sle4442\nstate = cards/e2e_batch_1.card\n");
  e2e::Program demo;
  HWND frame = demo.start();
  if (frame == nullptr) return e2e::finish();

  e2e::step("the menu command opens the dialog for the SLE4442");
  demo.command(ID_CARD_BATCH_WRITE);
  HWND dlg = demo.waitWindow("批量写卡", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return e2e::finish();
  E2E_EQ(e2e::itemText(dlg, IDC_BATCH_CARD_TYPE), std::string("sle4442"));
  e2e::type(dlg, IDC_BATCH_IMAGE, "batch.bin");
  e2e::type(dlg, IDC_BATCH_COUNT, "2");
  e2e::type(dlg, IDC_BATCH_SERIAL, "0x80:2:1");
  e2e::type(dlg, IDC_BATCH_CODE, "FFFFFF");
  e2e::setText(dlg, IDC_BATCH_LOG, "batch-e2e.csv");

  e2e::step("Start: the card in the reader is written");
  e2e::press(dlg, IDC_BATCH_START);
  E2E_CHECK(waitText(dlg, IDC_BATCH_DONE, "1"));
  E2E_CHECK(waitText(dlg, IDC_BATCH_STEP, "等待取卡"));
  E2E_CHECK(!e2e::isEnabled(dlg, IDC_BATCH_START));
  E2E_CHECK(e2e::isEnabled(dlg, IDC_BATCH_STOP));
  e2e::screenshot(dlg, "batch_first_card");

  e2e::step("the card out, the next one in");
  writeIni("type = none\n");
  E2E_CHECK(waitText(dlg, IDC_BATCH_STEP, "等待插卡"));
  writeIni("type = sle4442\nstate = cards/e2e_batch_2.card\n");
  E2E_CHECK(waitText(dlg, IDC_BATCH_DONE, "2"));
  E2E_CHECK(waitText(dlg, IDC_BATCH_STEP, "结束"));
  E2E_EQ(e2e::itemText(dlg, IDC_BATCH_FAILED), std::string("0"));
  E2E_CHECK(e2e::isEnabled(dlg, IDC_BATCH_START));
  e2e::screenshot(dlg, "batch_done");

  for (int n : {1, 2}) {
    const auto m = e2e::stateMemory("cards/e2e_batch_" + std::to_string(n) + ".card");
    E2E_EQ(byteAt(m, 0x40), 0x5A);
    E2E_EQ(byteAt(m, 0x80), 0);
    E2E_EQ(byteAt(m, 0x81), n);
  }
  std::ifstream log("batch-e2e.csv");
  std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  for (const char* line : {",1,", ",2,"}) E2E_CHECK(all.find(std::string(line)) != std::string::npos);
  E2E_CHECK(all.find(",failed,") == std::string::npos);

  e2e::press(dlg, IDCANCEL);
  E2E_CHECK(demo.waitGone(dlg));
  demo.close();
  return e2e::finish();
}
