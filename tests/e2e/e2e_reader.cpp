// Reader control in the real program: the start-up detection of a
// simulated SLE4442 on USB (caption, status text, menu bar), following a
// card swap with "自动测卡型", a manual card-type choice, and the driver's
// version text.
//
// What the view shows is checked on its pixels: the region of a text is
// captured, the expected text is drawn over it the way the view draws it,
// and the region must not change (a different text must change it). The
// status lines are drawn once, not by a repaint: they are checked before
// anything makes the view repaint.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/application.h"
#include "support/e2e.h"
#include "view/app_state.h"

namespace {

const std::string kIniHead = "[reader]\nport = usb\nversion = PELOX-E2E 2.5\n[card]\n";

void writeIni(const std::string& card) {
  std::ofstream ini("pelox-sim.ini", std::ios::binary | std::ios::trunc);
  ini << kIniHead << card;
}

// ---- pixels of the view -----------------------------------------------------

constexpr int kRegionWidth = 110;
constexpr int kRegionHeight = 16;

std::vector<COLORREF> capture(HWND view, port::Point at) {
  HDC dc = GetDC(view);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, kRegionWidth, kRegionHeight);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, kRegionWidth, kRegionHeight, dc, at.x, at.y, SRCCOPY);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < kRegionHeight; ++y)
    for (int x = 0; x < kRegionWidth; ++x) pixels.push_back(GetPixel(mem, x, y));
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(view, dc);
  return pixels;
}

// Draws `text` at `at` as the view does, after blanking the region.
std::vector<COLORREF> redraw(win32::Application& app, port::Point at, const std::string& text, port::Colour fg) {
  port::Surface& s = app.viewWindow().surface();
  s.drawText(at.x, at.y, std::string(14, ' '), colour::panelGrey, colour::panelGrey, port::Font::Default);
  s.drawText(at.x, at.y, text, fg, colour::panelGrey, port::Font::Default);
  e2e::pump(200);
  return capture(app.view(), at);
}

bool shows(win32::Application& app, port::Point at, const std::string& text, port::Colour fg) {
  const std::vector<COLORREF> before = capture(app.view(), at);
  return redraw(app, at, text, fg) == before;
}

#define CHECK_SHOWS(app, at, text, fg) \
  ::e2e::check(shows(app, at, text, fg), "the view shows \"" + std::string(text) + "\"", __FILE__, __LINE__)

// ---- menus ------------------------------------------------------------------

std::string caption(HMENU menu, int pos) {
  wchar_t buf[128] = {};
  GetMenuStringW(menu, static_cast<UINT>(pos), buf, 127, MF_BYPOSITION);
  char utf8[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, buf, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
  return utf8;
}

// Every caption of a menu, depth first, with its depth; `skip` (an item
// removed on purpose) left out.
void flatten(HMENU menu, int depth, const std::string& skip, std::vector<std::string>& out) {
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    const std::string c = caption(menu, i);
    if (!skip.empty() && c == skip) continue;
    out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + c);
    if (HMENU sub = GetSubMenu(menu, i)) flatten(sub, depth + 1, skip, out);
  }
}

// The frame's menu bar is menu `id` of the resources, without "设备操作"
// (the reader is on USB).
void checkMenuBar(win32::Application& app, int id) {
  HMENU expected = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  if (!E2E_CHECK(expected != nullptr)) return;
  std::vector<std::string> want;
  std::vector<std::string> all;
  std::vector<std::string> got;
  flatten(expected, 0, "设备操作", want);
  flatten(expected, 0, "", all);
  flatten(GetMenu(app.frame()), 0, "", got);
  DestroyMenu(expected);
  E2E_EQ(got.size(), want.size());
  E2E_CHECK(got == want);
  if (got != want) {
    for (const auto& s : got) e2e::step("  got: " + s);
  }
  e2e::step("  menu bar " + std::to_string(id) + " (" + std::to_string(got.size()) + " items" +
            (all.size() != want.size() ? ", without 设备操作)" : ")"));
}

void command(win32::Application& app, int id) {
  PostMessageW(app.frame(), WM_COMMAND, static_cast<WPARAM>(id), 0);
  e2e::pump(3000);
}

// ---- the checks -------------------------------------------------------------

void versionText() {
  e2e::step("版本号 shows the driver's version text");
  e2e::Program demo({.simIni = kIniHead + "type = sle4442\nstate = cards/version.card\n"});
  if (demo.start() == nullptr) return;
  demo.command(ID_READER_VERSION);
  HWND box = demo.waitWindow("版本号", e2e::kDialog);
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string("PELOX-E2E 2.5"));
    e2e::press(box, IDOK);
    E2E_CHECK(demo.waitGone(box));
  }
  demo.close();
}

void detection() {
  writeIni("type = sle4442\nstate = cards/reader4442.card\n");
  win32::Application app(GetModuleHandleW(nullptr));
  e2e::BoxDismisser boxes;  // none is expected; a stray one must not hang the test
  if (!E2E_CHECK(app.start(SW_SHOW))) return;
  e2e::pump(4000);  // the first paint posts the detection

  e2e::step("start-up: a simulated SLE4442 on USB");
  CHECK_SHOWS(app, layout::cardNamePos, "4442", colour::red);
  CHECK_SHOWS(app, layout::statusLine2Pos, "检测成功", colour::black);
  CHECK_SHOWS(app, layout::portNamePos, "USB", colour::red);
  checkMenuBar(app, IDR_MENU_SLE);
  e2e::screenshot(app.frame(), "reader_4442");
  e2e::step("  a different text would be seen");
  E2E_CHECK(!shows(app, layout::cardNamePos, "4428", colour::red));
  InvalidateRect(app.view(), nullptr, FALSE);  // the view draws its caption again
  e2e::pump(300);

  e2e::step("the card is swapped for a 24C16: 自动测卡型 follows it");
  writeIni("type = 24c16\nstate = cards/reader24c16.card\n");
  command(app, ID_CARDTYPE_AUTODETECT);
  CHECK_SHOWS(app, layout::cardNamePos, "24C16", colour::red);
  CHECK_SHOWS(app, layout::statusLine2Pos, "检测成功", colour::black);
  checkMenuBar(app, IDR_MENU_I2C);
  e2e::screenshot(app.frame(), "reader_24c16");

  e2e::step("the card is pulled: 未插入卡");
  writeIni("type = none\n");
  command(app, ID_CARDTYPE_AUTODETECT);
  CHECK_SHOWS(app, layout::statusLine1Pos, "检测失败", colour::black);
  CHECK_SHOWS(app, layout::statusLine2Pos, "未插入卡", colour::black);
  checkMenuBar(app, IDR_MAINFRAME);

  e2e::step("a manual choice: 4428");
  writeIni("type = sle4428\nstate = cards/reader4428.card\n");
  command(app, ID_CARDTYPE_SLE4428);
  CHECK_SHOWS(app, layout::cardNamePos, "4428", colour::red);
  checkMenuBar(app, IDR_MENU_SLE);
  e2e::screenshot(app.frame(), "reader_manual_4428");

  DestroyWindow(app.frame());
  e2e::pump(300);
}

}  // namespace

int wmain() {
  versionText();
  detection();
  return e2e::finish();
}
