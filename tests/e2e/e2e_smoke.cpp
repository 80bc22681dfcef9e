// Smoke test of the real program: the main window's caption, size and
// place, the About box, the exit command; then, in-process, the menu bar
// of menu 2 and the greying of the items without a command.
#include <windows.h>

#include "platform/win32/application.h"
#include "support/e2e.h"

namespace {

const std::string kCaption = "pelox读写器演示程序";

COLORREF pixelAt(HWND w, int x, int y) {
  POINT p{x, y};
  ClientToScreen(w, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return c;
}

void checkPlacement(HWND frame, const char* when) {
  const RECT r = e2e::windowRect(frame);
  e2e::step(std::string("placement ") + when);
  // Centred as a 640x480 window on the 1024x768 desktop, 651x415 in size.
  E2E_EQ(r.left, (1024 - 640) / 2);
  E2E_EQ(r.top, (768 - 480) / 2);
  E2E_EQ(r.right - r.left, 651);
  E2E_EQ(r.bottom - r.top, 415);
}

void outOfProcess() {
  e2e::Program demo;
  HWND frame = demo.start();
  if (frame == nullptr) return;

  e2e::step("main window");
  E2E_EQ(e2e::text(frame), kCaption);
  const LONG style = GetWindowLongW(frame, GWL_STYLE);
  E2E_CHECK((style & WS_THICKFRAME) == 0);
  E2E_CHECK((style & WS_MAXIMIZEBOX) == 0);
  E2E_CHECK((style & WS_MINIMIZEBOX) != 0);
  E2E_CHECK(demo.view() != nullptr);
  checkPlacement(frame, "at start");
  e2e::screenshot(frame, "smoke_main");

  // Any size change puts the frame back.
  SetWindowPos(frame, nullptr, 10, 10, 300, 200, SWP_NOZORDER);
  demo.settle(300);
  checkPlacement(frame, "after a resize");
  ShowWindow(frame, SW_MINIMIZE);
  demo.settle(300);
  E2E_CHECK(IsIconic(frame));
  ShowWindow(frame, SW_RESTORE);
  demo.settle(300);
  checkPlacement(frame, "after minimise and restore");
  E2E_EQ(e2e::text(frame), kCaption);

  e2e::step("About box");
  demo.command(ID_APP_ABOUT);
  HWND about = demo.waitWindow(kCaption, e2e::kDialog);
  if (E2E_CHECK(about != nullptr)) {
    E2E_EQ(e2e::itemText(about, IDC_ABOUT_TITLE), kCaption);
    const std::string notice = e2e::itemText(about, IDC_ABOUT_NOTICE);
    E2E_CHECK(!notice.empty() && notice.find('\n') == std::string::npos);
    E2E_EQ(e2e::itemText(about, IDC_ABOUT_EXTRA), std::string());
    E2E_EQ(e2e::itemText(about, 1), std::string("确认"));
    // Every dialog has the grey background.
    E2E_EQ(static_cast<unsigned>(pixelAt(about, 2, 2)), static_cast<unsigned>(RGB(192, 192, 192)));
    e2e::screenshot(about, "smoke_about");
    e2e::press(about, 1);
    E2E_CHECK(demo.waitGone(about));
  }

  e2e::step("exit command: no question");
  demo.command(ID_APP_EXIT);
  E2E_CHECK(demo.waitExit(10000));
}

// Without pelox.dll: one box naming it, then the program runs with no reader.
void driverMissing() {
  e2e::step("driver missing");
  if (!E2E_CHECK(MoveFileW(L"pelox.dll", L"pelox.dll.away"))) return;
  {
    e2e::Program demo;
    if (demo.launch()) {
      HWND box = demo.waitWindow("Kv310型读写器演示系统", e2e::kDialog, 30000);
      if (E2E_CHECK(box != nullptr)) {
        const std::string text = e2e::messageText(box);
        E2E_CHECK(text.find("pelox.dll") != std::string::npos);
        e2e::step("message: " + text);
        e2e::press(box, IDOK);
      }
      HWND frame = demo.waitFrame();
      E2E_CHECK(frame != nullptr && demo.running());
      if (HWND other = demo.anyDialog(); other != nullptr) {
        e2e::step("start-up box without a reader: " + e2e::messageText(other));
        e2e::press(other, IDOK);
      }
      demo.settle(500);
      E2E_CHECK(demo.running());
    }
  }
  MoveFileW(L"pelox.dll.away", L"pelox.dll");
}

struct ItemState {
  int id;
  bool enabled;
};

void inProcess() {
  e2e::step("in-process: menu 2");
  win32::Application app(GetModuleHandleW(nullptr));
  // Start-up boxes (no reader, no card) must not stop the menu check.
  e2e::BoxDismisser boxes;
  if (!E2E_CHECK(app.start(SW_SHOW))) return;
  HMENU bar = GetMenu(app.frame());
  E2E_EQ(GetMenuItemCount(bar), 3);
  const char* top[] = {"卡型选择(&T)", "选通讯口(&M)", "帮 助(&H)"};
  win32::Context ctx{GetModuleHandleW(nullptr), app.frame(), app.view(), false};
  win32::MenuBar menus(ctx);
  const auto ref = reinterpret_cast<port::MenuRef>(bar);
  for (int i = 0; i < 3; ++i) E2E_EQ(menus.itemCaption(ref, i), std::string(top[i]));

  HMENU cardPopup = GetSubMenu(bar, 0);
  HMENU manual = GetSubMenu(cardPopup, 0);
  E2E_EQ(menus.itemCaption(reinterpret_cast<port::MenuRef>(cardPopup), 0), std::string("手工选择"));
  SendMessageW(app.frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(cardPopup), MAKELPARAM(0, FALSE));
  SendMessageW(app.frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(manual), MAKELPARAM(0, FALSE));
  SendMessageW(app.frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 2)), MAKELPARAM(2, FALSE));
  const ItemState states[] = {
      // "手工选择" items that no command stands behind: always greyed.
      {ID_CARDTYPE_AT88SC102, false}, {ID_CARDTYPE_AT88SC1604, false}, {ID_CARDTYPE_AT88SC1604B, false},
      {ID_CARDTYPE_AT88SC153, false}, {ID_CARDTYPE_AT88SC1608, false}, {ID_CARDTYPE_AT45D041_MAINFRAME, false},
      {ID_CARDTYPE_SSF1101, false},   {ID_CARDTYPE_SLE4404, false},    {ID_CARDTYPE_SLE4406, false},
      // The frame's and the application's own commands.
      {ID_APP_EXIT, true}, {ID_HELP_TOPICS, true}, {ID_APP_ABOUT, true},
  };
  for (const auto& s : states) {
    const UINT st = GetMenuState(bar, static_cast<UINT>(s.id), MF_BYCOMMAND);
    E2E_EQ(std::to_string(s.id) + ((st & MF_GRAYED) ? " greyed" : " enabled"),
           std::to_string(s.id) + (s.enabled ? " enabled" : " greyed"));
  }

  e2e::step("in-process: text in the view's default font");
  e2e::pump(500);
  auto& surface = app.viewWindow().surface();
  surface.drawText(12, 296, "正在读数据", RGB(0, 0, 0), RGB(192, 192, 192), port::Font::Default);
  surface.drawText(12, 316, "COM1 ff 41", RGB(255, 0, 0), RGB(192, 192, 192), port::Font::FixedSystem);
  int dark = 0;
  HDC dc = GetDC(app.view());
  for (int y = 296; y < 312; ++y)
    for (int x = 12; x < 100; ++x) dark += GetPixel(dc, x, y) == RGB(0, 0, 0) ? 1 : 0;
  ReleaseDC(app.view(), dc);
  E2E_CHECK(dark > 40);
  e2e::pump(300);  // Wine shows what was drawn when the thread is idle
  e2e::screenshot(app.frame(), "smoke_fonts");
  DestroyWindow(app.frame());
  e2e::pump(200);
}

}  // namespace

int wmain() {
  outOfProcess();
  driverMissing();
  inProcess();
  return e2e::finish();
}
