// Screenshot of the running program for scripts/run.sh:
//   e2e_snap.exe --run-only [--read] <file.bmp>
// starts Demo.exe from the current directory, waits for the main window and
// for the start-up detection to finish (with --read, then reads the card as
// the operator's "read" command does), saves the main window's picture
// (with any box it shows) and closes the program.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/e2e.h"

int wmain(int argc, wchar_t** argv) {
  const bool read = argc == 4 && std::wstring(argv[2]) == L"--read";
  if ((argc != 3 && !read) || std::wstring(argv[1]) != L"--run-only") {
    std::fputs("usage: e2e_snap.exe --run-only [--read] <file.bmp>\n", stderr);
    return 2;
  }
  const wchar_t* file = argv[argc - 1];
  e2e::Program demo({.settleMs = 3000});
  HWND frame = demo.start();
  if (frame == nullptr) {
    // No main window: show what the program shows instead (a start-up box).
    if (demo.running()) e2e::saveScreenshot(GetDesktopWindow(), file);
    return 1;
  }
  if (read && demo.anyDialog() == nullptr) {
    demo.command(ID_CARD_READ);
    demo.settle(1500);
  }
  // A box (no reader, no card, a failed read) is part of the picture.
  HWND target = frame;
  if (HWND box = demo.anyDialog(); box != nullptr) {
    const RECT f = e2e::windowRect(frame), b = e2e::windowRect(box);
    if (b.left < f.left || b.top < f.top || b.right > f.right || b.bottom > f.bottom) target = GetDesktopWindow();
  }
  const bool saved = e2e::saveScreenshot(target, file);
  E2E_CHECK(saved);
  demo.close();
  return e2e::finish();
}
