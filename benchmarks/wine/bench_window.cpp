// The real window's figures under Wine, each a ratio of two times measured
// side by side in this one run:
//
//   start-up: launching Demo.exe (with the simulated pelox.dll and an
//     SLE4442 inserted) until the card type detection after its first paint
//     has run and everything is painted and sent to the screen, against
//     launching bench_reference.exe (a minimal window program) until its
//     first paint is on the screen. Both programs set the event named by
//     DEMO_READY_EVENT at that moment. Runs alternate; medians.
//   repaint: in this process, the real window classes with the real driver:
//     one full repaint of the memory view showing a page of data (drawn off
//     screen, transferred once), against one bare block transfer of the
//     background picture onto the same window. Batches alternate; medians.
//
//   bench_window.exe [runs] [startup|repaint]
//     in a folder holding Demo.exe, pelox.dll, pelox-sim.ini and
//     bench_reference.exe; both parts unless one is named.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/application.h"
#include "resources/resource.h"
#include "support/e2e.h"

namespace {

double now() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMs;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void report(const char* what, const std::vector<double>& ms) {
  std::printf("  %-44s median %8.3f ms  (min %.3f, max %.3f, %zu runs)\n", what, median(ms),
              *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()), ms.size());
}

double least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// The ratio of the medians against the goal, and the ratio of the minima
// (the least disturbed runs, when other programs load the machine).
void ratio(const std::vector<double>& measured, const std::vector<double>& reference, double goal) {
  const double value = median(measured) / median(reference);
  std::printf("  %-44s %.2f  (goal at most %.2f: %s)\n", "ratio of the medians", value, goal,
              value <= goal ? "met" : "NOT MET");
  std::printf("  %-44s %.2f\n", "ratio of the minima", least(measured) / least(reference));
}

// ---- start-up ------------------------------------------------------------------

BOOL CALLBACK closeWindowsOf(HWND w, LPARAM pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == static_cast<DWORD>(pid) && IsWindowVisible(w)) PostMessageW(w, WM_CLOSE, 0, 0);
  return TRUE;
}

struct Launch {
  double ms = -1;  // from CreateProcess to the program's ready event; negative when it never came
};

Launch launchToReady(const wchar_t* exe) {
  static int serial = 0;
  wchar_t name[64];
  std::swprintf(name, 64, L"bench-ready-%lu-%d", GetCurrentProcessId(), ++serial);
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, name);
  SetEnvironmentVariableW(L"DEMO_READY_EVENT", name);
  std::wstring command = exe;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const double start = now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("cannot start %ls (error %lu)\n", exe, GetLastError());
    CloseHandle(ready);
    return {};
  }
  HANDLE waits[2] = {ready, pi.hProcess};
  const DWORD got = WaitForMultipleObjects(2, waits, FALSE, 60000);
  const double ms = now() - start;
  SetEnvironmentVariableW(L"DEMO_READY_EVENT", nullptr);
  if (got != WAIT_OBJECT_0) std::printf("%ls: no ready signal (wait result %lu)\n", exe, got);
  EnumWindows(closeWindowsOf, static_cast<LPARAM>(pi.dwProcessId));
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(ready);
  return got == WAIT_OBJECT_0 ? Launch{ms} : Launch{};
}

bool startUp(int runs) {
  std::printf("start-up to the first complete paint (Demo.exe: after detecting the simulated card)\n");
  // One unmeasured run of each: the files are in the cache from then on.
  if (launchToReady(L"bench_reference.exe").ms < 0 || launchToReady(L"bench_reference.exe cjk").ms < 0 ||
      launchToReady(L"Demo.exe").ms < 0)
    return false;
  std::vector<double> demo, reference, cjk;
  for (int i = 0; i < runs; ++i) {
    const Launch r = launchToReady(L"bench_reference.exe");
    const Launch d = launchToReady(L"Demo.exe");
    const Launch c = launchToReady(L"bench_reference.exe cjk");
    if (r.ms < 0 || d.ms < 0 || c.ms < 0) return false;
    reference.push_back(r.ms);
    demo.push_back(d.ms);
    cjk.push_back(c.ms);
  }
  report("Demo.exe, SLE4442 detected and painted", demo);
  report("minimal window program, first paint", reference);
  report("(minimal, with a Chinese caption and text)", cjk);
  ratio(demo, reference, 1.3);
  std::printf("  %-44s %.2f\n", "(ratio of the medians to the Chinese one)", median(demo) / median(cjk));

  return true;
}

// ---- repaint -------------------------------------------------------------------

template <typename F>
double perCall(int n, F&& f) {
  const double start = now();
  for (int i = 0; i < n; ++i) {
    f();
    GdiFlush();  // each one reaches the screen
  }
  return (now() - start) / n;
}

bool repaint(int batches) {
  std::printf("one full repaint of the memory view with a page of data\n");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  win32::Application app(instance);
  e2e::BoxDismisser boxes;
  // The program's own share of the start-up, in this process: creating and
  // showing the windows (with the first paint), then the detection posted
  // by that paint, then the paints that follow until the thread is idle.
  // A window shown and painted first, so that Wine's own set-up of the
  // process's windowing (display connection, fonts, input method) is not
  // counted.
  HWND warm = CreateWindowExW(0, L"STATIC", L"warm-up", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, instance, nullptr);
  e2e::pump(300);
  DestroyWindow(warm);
  e2e::pump(100);
  const double t0 = now();
  if (!app.start(SW_SHOW)) return false;
  const double shown = now();
  AppState& st = app.app().state;
  double detected = 0;
  for (MSG m; now() - shown < 20000;) {
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
      if (detected == 0 && st.detectResult == DetectResult::Unknown) detected = now();
    } else if (detected != 0) {
      break;
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  const double idle = now();
  std::printf("  %-44s %8.3f ms\n", "(in-process: windows created and shown)", shown - t0);
  std::printf("  %-44s %8.3f ms\n", "(in-process: then detected)", detected - shown);
  std::printf("  %-44s %8.3f ms\n", "(in-process: then idle, all painted)", idle - detected);
  e2e::pump(300);
  if (st.cardType != CardType::Sle4442) {
    std::printf("the SLE4442 was not detected (card type %d)\n", codeOf(st.cardType));
    return false;
  }
  HWND view = app.view();
  const auto fullRepaint = [&] { RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
  constexpr int kPerBatch = 50;
  perCall(10, fullRepaint);
  const double blank = perCall(kPerBatch, fullRepaint);  // for comparison: the grid without data
  // The detection command as the start-up runs it (its drawing goes
  // straight onto the window).
  const double detect = perCall(5, [&] { SendMessageW(view, WM_COMMAND, ID_CARDTYPE_AUTODETECT, 0); });

  PostMessageW(view, WM_COMMAND, ID_CARD_READ, 0);
  for (int i = 0; i < 100 && st.viewState != ViewState::CardData; ++i) e2e::pump(50);
  e2e::pump(300);
  if (st.viewState != ViewState::CardData) {
    std::printf("the card was not read (view state %d)\n", static_cast<int>(st.viewState));
    return false;
  }

  RECT client{};
  GetClientRect(view, &client);
  HBITMAP background = LoadBitmapW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND));
  HDC screen = GetDC(view);
  HDC picture = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(picture, background);
  const auto bareBlit = [&] { BitBlt(screen, 0, 0, client.right, client.bottom, picture, 0, 0, SRCCOPY); };

  // The parts of a repaint without the view's drawing: the paint message
  // (an empty paint of the view), and the off-screen frame that the view's
  // paint wraps its drawing in (grey, background into the kept buffer, one
  // transfer onto the window).
  const auto emptyPaint = [&] {
    InvalidateRect(view, nullptr, FALSE);
    PAINTSTRUCT ps;
    BeginPaint(view, &ps);
    EndPaint(view, &ps);
  };
  HDC buffer = CreateCompatibleDC(screen);
  HBITMAP bits = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ bufferOld = SelectObject(buffer, bits);
  const auto frameOnly = [&] {
    FillRect(buffer, &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    BitBlt(buffer, 0, 0, client.right, client.bottom, picture, 0, 0, SRCCOPY);
    BitBlt(screen, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
  };
  perCall(10, bareBlit);
  std::vector<double> full, bare, empty, frame;
  for (int b = 0; b < batches; ++b) {
    full.push_back(perCall(kPerBatch, fullRepaint));
    bare.push_back(perCall(kPerBatch, bareBlit));
    empty.push_back(perCall(kPerBatch, emptyPaint));
    frame.push_back(perCall(kPerBatch, frameOnly));
  }
  SelectObject(buffer, bufferOld);
  DeleteObject(bits);
  DeleteDC(buffer);
  SelectObject(picture, old);
  DeleteDC(picture);
  ReleaseDC(view, screen);
  DeleteObject(background);

  char what[80];
  std::snprintf(what, sizeof what, "full repaint (%ldx%ld, page 1 of %d)", client.right, client.bottom, st.pageCount);
  report(what, full);
  report("background block transfer alone", bare);
  std::printf("  %-44s %8.3f ms\n", "  of which: the paint message", median(empty));
  std::printf("  %-44s %8.3f ms\n", "  of which: the off-screen frame", median(frame));
  std::printf("  %-44s %8.3f ms\n", "full repaint before the read (blank grid)", blank);
  std::printf("  %-44s %8.3f ms\n", "(the detection command, SLE4442)", detect);
  ratio(full, bare, 3.0);
  DestroyWindow(app.frame());
  e2e::pump(100);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::wstring only = argc > 2 ? argv[2] : L"";
  const bool ok = (only == L"repaint" || startUp(runs)) && (only == L"startup" || repaint(runs));
  return ok ? 0 : 1;
}
