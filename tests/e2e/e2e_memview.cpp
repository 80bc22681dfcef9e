// The memory view in the real program on the simulated reader: read a
// 24C16, page through it, edit it in both grids, write it with F5 and find
// the bytes in the simulated card's state file; the quit button's question;
// a page with zone colours (an AT88SC1604B) on screen.
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"

namespace {

std::string simIni(const std::string& type, const std::string& state) {
  return "[reader]\nport = usb\n[card]\ntype = " + type + "\nstate = " + state + "\n";
}

int byteAt(const std::vector<std::uint8_t>& m, std::size_t a) { return a < m.size() ? m[a] : -1; }

void noBox(e2e::Program& demo, const char* when) {
  HWND box = demo.anyDialog();
  if (!E2E_CHECK(box == nullptr)) {
    e2e::step(std::string("unexpected box ") + when + ": " + e2e::messageText(box));
    e2e::press(box, IDOK);
    demo.settle(300);
  }
}

void readEditWrite24c16() {
  const std::string state = "cards/e2e_memview_24c16.card";
  DeleteFileA(state.c_str());
  e2e::Program demo({.simIni = simIni("24c16", state)});
  HWND frame = demo.start();
  if (frame == nullptr) return;
  noBox(demo, "at start-up");

  e2e::step("read the 24C16");
  demo.command(ID_CARD_READ);
  demo.settle(1500);
  noBox(demo, "after the read");

  e2e::step("page through it");
  for (int i = 0; i < 3; ++i) demo.key(VK_NEXT);
  demo.settle(500);
  e2e::screenshot(frame, "memview_24c16_page4");
  for (int i = 0; i < 3; ++i) demo.key(VK_PRIOR);
  demo.settle(300);

  e2e::step("edit: hexadecimal, characters, a second page");
  demo.command(ID_CARD_WRITE);
  demo.settle(300);
  demo.chars("a1b2c3");  // bytes 0, 1, 2
  demo.key(VK_DOWN);     // row 1, byte 19
  demo.key(VK_TAB);
  demo.chars("Hi");  // bytes 19, 20 as characters
  demo.key(VK_TAB);
  demo.key(VK_NEXT);  // page 2, same place: byte 256 + 21
  demo.chars("5e");
  demo.settle(1500);
  e2e::screenshot(frame, "memview_24c16_editing");

  e2e::step("F5 writes the rows");
  demo.key(VK_F5);
  demo.settle(1500);
  noBox(demo, "after F5");
  const std::vector<std::uint8_t> m = e2e::stateMemory(state);
  E2E_EQ(m.size(), static_cast<std::size_t>(2048));
  E2E_EQ(byteAt(m, 0), 0xA1);
  E2E_EQ(byteAt(m, 1), 0xB2);
  E2E_EQ(byteAt(m, 2), 0xC3);
  E2E_EQ(byteAt(m, 19), static_cast<int>('H'));
  E2E_EQ(byteAt(m, 20), static_cast<int>('i'));
  E2E_EQ(byteAt(m, 256 + 21), 0x5E);
  E2E_EQ(byteAt(m, 3), 0xFF);

  e2e::step("the quit button asks; No keeps the program");
  demo.click(500, 400);
  HWND ask = demo.waitWindow("退出确认", e2e::kDialog, 5000);
  if (E2E_CHECK(ask != nullptr)) {
    E2E_EQ(e2e::messageText(ask), std::string("确认退出本演示系统吗？"));
    e2e::press(ask, IDNO);
    E2E_CHECK(demo.waitGone(ask));
  }
  demo.settle(300);
  E2E_CHECK(demo.running());

  e2e::step("Escape leaves edit mode; a second Escape asks to quit; Yes ends");
  demo.key(VK_ESCAPE);
  demo.settle(300);
  noBox(demo, "after Escape in edit mode");
  demo.key(VK_ESCAPE);
  ask = demo.waitWindow("退出确认", e2e::kDialog, 5000);
  if (E2E_CHECK(ask != nullptr)) {
    e2e::press(ask, IDYES);
    E2E_CHECK(demo.waitExit(10000));
  }
}

void zoneColours1604b() {
  const std::string state = "cards/e2e_memview_1604b.card";
  DeleteFileA(state.c_str());
  e2e::Program demo({.simIni = simIni("at88sc1604b", state)});
  HWND frame = demo.start();
  if (frame == nullptr) return;
  noBox(demo, "at start-up");
  e2e::step("an AT88SC1604B page in zone colours");
  demo.command(ID_CARD_READ);
  demo.settle(2000);
  noBox(demo, "after the read");
  e2e::screenshot(frame, "memview_1604b_zones");
  // Byte 10 ("用户密码", yellow) and byte 0 ("厂商标识", maroon) of row 0.
  // Read from the screen: another process's window cannot be read directly.
  HWND view = demo.view();
  HDC dc = GetDC(nullptr);
  auto hasColour = [&](int x0, int y0, COLORREF c) {
    POINT origin{x0, y0};
    ClientToScreen(view, &origin);
    for (int y = origin.y; y < origin.y + 15; ++y)
      for (int x = origin.x; x < origin.x + 18; ++x)
        if (GetPixel(dc, x, y) == c) return true;
    return false;
  };
  E2E_CHECK(hasColour(33 + 27 * 10, 32, RGB(255, 255, 0)));
  E2E_CHECK(hasColour(33, 32, RGB(128, 0, 0)));
  E2E_CHECK(hasColour(33 + 27 * 12, 32, RGB(255, 0, 0)));
  E2E_CHECK(hasColour(33 + 27 * 11, 32 + 15 * 2, RGB(0, 255, 255)));
  ReleaseDC(nullptr, dc);
  demo.close();
}

}  // namespace

int wmain() {
  CreateDirectoryA("cards", nullptr);
  readEditWrite24c16();
  zoneColours1604b();
  return e2e::finish();
}
