// The real program with the PC/SC driver (pcsc/ pelox.dll) under Wine,
// through the test-only winscard.dll, the native winscard-bridge, pcscd,
// vpcd and two virtual readers: an SLE4442 in "Virtual PCD 00 00" and a
// T=0 CPU card in "Virtual PCD 00 01". scripts/pcsc-e2e.sh starts them; the
// virtual readers save their cards in cards/pcsc-*.card after every command.
//
// SLE4442: detected at start-up, read, a wrong and the right PSC presented
// (the error counter on the card after each), a byte edited and written
// with F5, found on the card. CPU card: reset and two APDUs in the console.
#include <windows.h>
#include <winscard.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "view/app_state.h"

namespace {

const char* kSleReader = "Virtual PCD 00 00";
const char* kCpuReader = "Virtual PCD 00 01";
const char* kSleCard = "cards/pcsc-sle4442.card";

// The driver's settings beside it: the reader to use.
void chooseReader(const char* name) {
  std::ofstream ini("pelox-pcsc.ini", std::ios::binary | std::ios::trunc);
  ini << "[reader]\nname = " << name << "\n";
}

// The card in a reader as pcscd sees it, through the same winscard.dll as
// the driver's: true once the reader is listed and holds a card.
bool holdsCard(const char* reader, int timeoutMs) {
  SCARDCONTEXT context = 0;
  if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) return false;
  bool present = false;
  for (int waited = 0; !present && waited <= timeoutMs; waited += 100) {
    SCARD_READERSTATEA state{};
    state.szReader = reader;
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    present = SCardGetStatusChangeA(context, 0, &state, 1) == SCARD_S_SUCCESS &&
              (state.dwEventState & SCARD_STATE_PRESENT) != 0;
    if (!present) Sleep(100);
  }
  SCardReleaseContext(context);
  return present;
}

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// The SLE4442's error counter as its state file holds it ("number
// error_counter N"); -1 when the file has none.
int errorCounter() {
  const std::string state = readFile(kSleCard);
  const std::string head = "number error_counter ";
  const auto at = state.find(head);
  return at == std::string::npos ? -1 : std::atoi(state.c_str() + at + head.size());
}

// The view's pixels of the text colour `c` in a text field at `at` (client
// coordinates), read from the screen: another process's window cannot be
// read directly.
int pixelsOf(HWND view, port::Point at, port::Colour c) {
  POINT origin{at.x, at.y};
  ClientToScreen(view, &origin);
  HDC dc = GetDC(nullptr);
  int n = 0;
  for (int y = origin.y; y < origin.y + 16; ++y)
    for (int x = origin.x; x < origin.x + 60; ++x) n += GetPixel(dc, x, y) == c ? 1 : 0;
  ReleaseDC(nullptr, dc);
  return n;
}

void noBox(e2e::Program& demo, const char* when) {
  HWND box = demo.anyDialog();
  if (!E2E_CHECK(box == nullptr)) {
    e2e::step(std::string("unexpected box ") + when + ": [" + e2e::text(box) + "] " + e2e::messageText(box));
    e2e::press(box, IDOK);
    demo.settle(300);
  }
}

// Presents the PSC through 校验密码 (ID_VERIFY_USER_PASSWORD).
void presentPsc(e2e::Program& demo, const std::string& code) {
  demo.command(ID_VERIFY_USER_PASSWORD);
  HWND dlg = demo.waitWindow("密码输入", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return;
  e2e::type(dlg, IDC_PASSWORD, code);
  e2e::press(dlg, IDOK);
  demo.waitGone(dlg);
  demo.settle(1000);
}

void sle4442() {
  e2e::step("SLE4442 in \"Virtual PCD 00 00\": detected at start-up");
  chooseReader(kSleReader);
  e2e::Program demo;
  HWND frame = demo.start();
  if (frame == nullptr) return;
  noBox(demo, "at start-up");
  e2e::screenshot(frame, "pcsc_4442_detected");
  // The card type and the port in red: detection found a card on USB.
  E2E_CHECK(pixelsOf(demo.view(), layout::cardNamePos, colour::red) > 20);
  E2E_CHECK(pixelsOf(demo.view(), layout::portNamePos, colour::red) > 20);
  demo.command(ID_READER_VERSION);
  HWND box = demo.waitWindow("版本号", e2e::kDialog);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string(kSleReader));  // the driver names its reader
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }

  e2e::step("SLE4442: read");
  demo.command(ID_CARD_READ);
  demo.settle(2000);
  noBox(demo, "after the read");
  e2e::screenshot(frame, "pcsc_4442_read");

  e2e::step("SLE4442: a wrong PSC costs an attempt");
  presentPsc(demo, "123456");
  box = demo.waitWindow("出错警告", e2e::kDialog);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string("错误：密码错误！"));
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }
  E2E_EQ(errorCounter(), 3);  // bits 011: two attempts left

  e2e::step("SLE4442: the right PSC gives the attempts back");
  presentPsc(demo, "FFFFFF");
  noBox(demo, "after the right PSC");
  E2E_EQ(errorCounter(), 7);

  e2e::step("SLE4442: byte 0x40 edited, F5 writes it");
  demo.command(ID_CARD_WRITE);
  demo.settle(300);
  for (int row = 0; row < 4; ++row) demo.key(VK_DOWN);
  demo.chars("5a");
  demo.settle(500);
  demo.key(VK_F5);
  demo.settle(3000);
  noBox(demo, "after F5");
  e2e::screenshot(frame, "pcsc_4442_written");
  const std::vector<std::uint8_t> memory = e2e::stateMemory(kSleCard);
  E2E_EQ(memory.size(), std::size_t{256});
  E2E_EQ(memory.size() > 0x41 ? static_cast<int>(memory[0x40]) : -1, 0x5A);
  E2E_EQ(memory.size() > 0x41 ? static_cast<int>(memory[0x41]) : -1, 0xFF);
  E2E_EQ(errorCounter(), 7);
  demo.close();
}

void cpuCard() {
  e2e::step("CPU card in \"Virtual PCD 00 01\": reset in the CPU card console");
  chooseReader(kCpuReader);
  e2e::Program demo;
  if (demo.start() == nullptr) return;
  noBox(demo, "at start-up");
  demo.command(ID_CPU_CARD_CONSOLE);
  HWND dlg = demo.waitWindow("CPU卡操作", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return;
  e2e::press(dlg, IDC_CPU_RESET);
  demo.settle(1000);
  E2E_EQ(e2e::itemText(dlg, IDC_CPU_ANSWER), std::string("3B021450"));

  e2e::step("CPU card: GET CHALLENGE and a SELECT of a missing file");
  e2e::type(dlg, IDC_CPU_COMMAND, "0084000008");
  e2e::press(dlg, IDC_CPU_SEND);
  demo.settle(1000);
  const std::string challenge = e2e::itemText(dlg, IDC_CPU_RESPONSE);
  E2E_EQ(challenge.size(), std::size_t{20});
  E2E_EQ(challenge.substr(challenge.size() >= 4 ? challenge.size() - 4 : 0), std::string("9000"));
  e2e::type(dlg, IDC_CPU_COMMAND, "00A4000002EEEE");
  e2e::press(dlg, IDC_CPU_SEND);
  demo.settle(1000);
  E2E_EQ(e2e::itemText(dlg, IDC_CPU_RESPONSE), std::string("6A82"));
  e2e::screenshot(dlg, "pcsc_cpu_console");
  e2e::press(dlg, IDCANCEL);
  E2E_CHECK(demo.waitGone(dlg));
  demo.close();
}

}  // namespace

int wmain() {
  e2e::step("both virtual readers hold their cards");
  const bool sle = E2E_CHECK(holdsCard(kSleReader, 10000));
  const bool cpu = E2E_CHECK(holdsCard(kCpuReader, 10000));
  if (sle) sle4442();
  if (cpu) cpuCard();
  return e2e::finish();
}
