// End-to-end test support: drives the real Demo.exe (with the simulated
// pelox.dll beside it) from another process, through window messages.
//
//   int wmain() {
//     e2e::Program demo({.simIni = "[reader]\nport=USB\n"});
//     HWND frame = demo.start();
//     demo.command(ID_APP_ABOUT);                   // the About box
//     HWND about = demo.waitWindow("pelox读写器演示程序", e2e::kDialog);
//     E2E_EQ(e2e::itemText(about, IDC_ABOUT_TITLE), std::string("pelox读写器演示程序"));
//     e2e::press(about, IDOK);
//     return e2e::finish();
//   }
//
// Checks print "ok: ..." or "FAIL: ..." with the actual values; finish()
// returns non-zero when any check failed. Menus cannot be read across
// processes under Wine: check them in-process (win32::Application).
#pragma once

#include <windows.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resource.h"

namespace e2e {

// ---- checks and report ----------------------------------------------------

void step(std::string_view what);  // a "-- what" line in the output
bool check(bool ok, std::string_view what, const char* file, int line);
int failures();
// Prints the summary; the exit code of the test program (0 = all passed).
int finish();

template <typename T>
std::string show(const T& v) {
  std::ostringstream s;
  s << v;
  return s.str();
}
inline std::string show(const std::string& v) { return "\"" + v + "\""; }
inline std::string show(const char* v) { return "\"" + std::string(v) + "\""; }

template <typename A, typename E>
bool checkEqual(const A& actual, const E& expected, const char* expr, const char* file, int line) {
  const bool ok = actual == expected;
  return check(ok, std::string(expr) + (ok ? " == " + show(expected) : ": got " + show(actual) + ", expected " + show(expected)),
               file, line);
}

#define E2E_CHECK(cond) ::e2e::check(static_cast<bool>(cond), #cond, __FILE__, __LINE__)
#define E2E_EQ(actual, expected) ::e2e::checkEqual((actual), (expected), #actual, __FILE__, __LINE__)

// ---- the simulator's files -------------------------------------------------

// The "memory" bytes of a card state file ("bytes memory N", then lines of
// a hexadecimal offset and the bytes in hexadecimal); empty when unreadable.
std::vector<std::uint8_t> stateMemory(const std::string& path);
// Another byte field of a state file ("protection", ...), the same way.
std::vector<std::uint8_t> stateBytes(const std::string& path, const std::string& field);

// ---- windows ----------------------------------------------------------------

inline constexpr const char* kDialog = "#32770";  // dialogs and message boxes
inline constexpr int kMessageBoxText = 0xFFFF;     // the text of a message box

std::string text(HWND w);                // caption / text (WM_GETTEXT)
std::string itemText(HWND dialog, int id);
std::string className(HWND w);
// The text of a message box (its static 0xFFFF).
std::string messageText(HWND box);
bool isVisible(HWND dialog, int id);
bool isEnabled(HWND dialog, int id);
bool isChecked(HWND dialog, int id);
RECT windowRect(HWND w);

// Presses a button: the WM_COMMAND BN_CLICKED a click sends (posted, so a
// message box that the click opens cannot block the test).
void press(HWND dialog, int buttonId);
// Types into an edit as the operator does: selects the text, deletes it
// and types the characters one by one (WM_CHAR), so the edit applies its
// limit and case and notifies EN_CHANGE. Waits until the text settles.
void type(HWND dialog, int editId, std::string_view utf8);
// Sets an edit's text directly (WM_SETTEXT).
void setText(HWND dialog, int editId, std::string_view utf8);

// Saves a picture of the window's screen area as <name>.bmp in the folder
// named by DEMO_SHOTS (else the current directory). Returns the path, or
// "" on failure.
std::string screenshot(HWND w, const std::string& name);
// The same into an exact file path.
bool saveScreenshot(HWND w, const std::wstring& path);

// Pumps this thread's messages for a while (in-process checks).
void pump(int milliseconds);

// In-process checks: while it lives, a thread answers every message box of
// this process (OK, then Cancel) and prints what it said.
class BoxDismisser {
 public:
  BoxDismisser();
  ~BoxDismisser();
  BoxDismisser(const BoxDismisser&) = delete;
  BoxDismisser& operator=(const BoxDismisser&) = delete;

 private:
  static DWORD WINAPI run(void* self);
  HANDLE thread_ = nullptr;
  volatile LONG stop_ = 0;
};

// ---- the program ------------------------------------------------------------

struct Options {
  std::string simIni;                // written to pelox-sim.ini first, when not empty
  std::wstring exe = L"Demo.exe";    // in the current directory
  int startTimeoutMs = 60000;        // for the main window
  int settleMs = 1500;               // after input idle, for the start-up detection
};

class Program {
 public:
  explicit Program(Options options = {});
  ~Program();  // closes or kills the program
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts the program and waits for its main window and for the start-up
  // to settle; returns the frame or nullptr (a FAIL is printed).
  HWND start();
  // The two halves of start(): start the process; wait for the main window
  // (a box shown before it, as when the driver is missing, is answered by
  // the test in between).
  bool launch();
  HWND waitFrame();
  HWND frame() const { return frame_; }
  HWND view() const;
  DWORD pid() const { return pi_.dwProcessId; }
  bool running() const;

  // Posts a menu or accelerator command to the frame.
  void command(int id);
  // Keys to the view: WM_KEYDOWN (+ WM_KEYUP); characters as WM_CHAR.
  void key(int virtualKey);
  void chars(std::string_view utf8);
  void click(int x, int y);  // left click on the view, client coordinates
  // Waits until the program has processed what was posted and is idle.
  void settle(int milliseconds = 500);

  // A visible top-level window of the program whose caption is `caption`
  // (and whose class is `cls`, when given); nullptr after the timeout.
  HWND waitWindow(std::string_view caption, const char* cls = nullptr, int timeoutMs = 10000);
  // Any visible dialog or message box of the program, nullptr when none.
  HWND anyDialog() const;
  std::vector<HWND> topWindows(bool visibleOnly = true) const;
  bool waitGone(HWND w, int timeoutMs = 10000);

  // Ends the program with the exit command, then kills it if needed.
  void close();
  bool waitExit(int timeoutMs);

 private:
  Options options_;
  PROCESS_INFORMATION pi_{};
  HWND frame_ = nullptr;
};

}  // namespace e2e
