#include "support/e2e.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/win32/text.h"

namespace e2e {
namespace {

int g_checks = 0;
int g_failures = 0;

void out(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

LRESULT sendTimeout(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT ms = 5000) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, ms, &result);
  return static_cast<LRESULT>(result);
}

// EnumWindows callbacks (stdcall on 32-bit Windows: no lambdas).
struct WindowSearch {
  DWORD pid;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK collectWindows(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && (!s->visibleOnly || IsWindowVisible(w))) s->found.push_back(w);
  return TRUE;
}

BOOL CALLBACK collectOwnBoxes(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == GetCurrentProcessId() && IsWindowVisible(w) && className(w) == kDialog)
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

}  // namespace

std::vector<std::uint8_t> stateMemory(const std::string& path) { return stateBytes(path, "memory"); }

std::vector<std::uint8_t> stateBytes(const std::string& path, const std::string& field) {
  std::ifstream in(path);
  std::string line;
  std::vector<std::uint8_t> out;
  bool inMemory = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("bytes ", 0) == 0 || line == "end") {
      inMemory = line.rfind("bytes " + field + " ", 0) == 0;
      continue;
    }
    if (!inMemory) continue;
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const std::string hex = line.substr(blank + 1);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
  }
  return out;
}

void step(std::string_view what) { out("-- " + std::string(what)); }

bool check(bool ok, std::string_view what, const char* file, int line) {
  ++g_checks;
  if (ok) {
    out("ok: " + std::string(what));
  } else {
    ++g_failures;
    out("FAIL: " + std::string(what) + "  (" + file + ":" + std::to_string(line) + ")");
  }
  return ok;
}

int failures() { return g_failures; }

int finish() {
  out(std::to_string(g_checks) + " checks, " + std::to_string(g_failures) + " failed");
  return g_failures == 0 ? 0 : 1;
}

// ---- windows ----------------------------------------------------------------

std::string text(HWND w) {
  if (w == nullptr) return "";
  const auto n = sendTimeout(w, WM_GETTEXTLENGTH, 0, 0);
  std::wstring buffer(static_cast<std::size_t>(n) + 1, L'\0');
  const auto got = sendTimeout(w, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<std::size_t>(got));
  return win32::narrow(buffer);
}

std::string itemText(HWND dialog, int id) { return text(GetDlgItem(dialog, id)); }

std::string className(HWND w) {
  wchar_t buffer[64] = {};
  GetClassNameW(w, buffer, 64);
  return win32::narrow(buffer);
}

std::string messageText(HWND box) { return itemText(box, kMessageBoxText); }

bool isVisible(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c != nullptr && IsWindowVisible(c);
}

bool isEnabled(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c != nullptr && IsWindowEnabled(c);
}

bool isChecked(HWND dialog, int id) { return sendTimeout(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

RECT windowRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

void press(HWND dialog, int buttonId) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

void type(HWND dialog, int editId, std::string_view utf8) {
  HWND edit = GetDlgItem(dialog, editId);
  if (edit == nullptr) {
    check(false, "type: no control " + std::to_string(editId), __FILE__, __LINE__);
    return;
  }
  sendTimeout(edit, EM_SETSEL, 0, -1);
  PostMessageW(edit, WM_CHAR, VK_BACK, 1);
  for (wchar_t c : win32::wide(utf8)) PostMessageW(edit, WM_CHAR, c, 1);
  // Wait until the typed text has arrived and stays.
  std::string last = "\x01";
  for (int i = 0, stable = 0; i < 100 && stable < 3; ++i) {
    Sleep(50);
    const std::string now = text(edit);
    stable = now == last ? stable + 1 : 0;
    last = now;
  }
}

void setText(HWND dialog, int editId, std::string_view utf8) {
  const std::wstring w = win32::wide(utf8);
  sendTimeout(GetDlgItem(dialog, editId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

bool saveScreenshot(HWND w, const std::wstring& path) {
  const RECT r = windowRect(w);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream f(path.c_str(), std::ios::binary);
  f.write(reinterpret_cast<const char*>(&file), sizeof file);
  f.write(reinterpret_cast<const char*>(&info), sizeof info);
  f.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(f);
}

std::string screenshot(HWND w, const std::string& name) {
  std::wstring dir;
  if (const wchar_t* d = _wgetenv(L"DEMO_SHOTS"); d != nullptr && *d != 0) {
    dir = d;
    CreateDirectoryW(dir.c_str(), nullptr);
    if (dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
  }
  const std::wstring path = dir + win32::wide(name) + L".bmp";
  if (!saveScreenshot(w, path)) return "";
  out("screenshot: " + win32::narrow(path));
  return win32::narrow(path);
}

void pump(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(10);
  }
}

BoxDismisser::BoxDismisser() { thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr); }

BoxDismisser::~BoxDismisser() {
  InterlockedExchange(&stop_, 1);
  if (thread_ != nullptr) {
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
  }
}

DWORD WINAPI BoxDismisser::run(void* p) {
  auto* self = static_cast<BoxDismisser*>(p);
  std::vector<HWND> seen;
  while (InterlockedCompareExchange(&self->stop_, 0, 0) == 0) {
    Sleep(200);
    struct {
      std::vector<HWND> boxes;
    } found;
    EnumWindows(collectOwnBoxes, reinterpret_cast<LPARAM>(&found.boxes));
    for (HWND w : found.boxes) {
      bool again = false;
      for (HWND s : seen) again = again || s == w;
      if (!again) {
        out("   (box answered: [" + text(w) + "] " + messageText(w) + ")");
        seen.push_back(w);
      }
      PostMessageW(w, WM_COMMAND, again ? IDCANCEL : IDOK, 0);
    }
  }
  return 0;
}

// ---- the program ------------------------------------------------------------

Program::Program(Options options) : options_(std::move(options)) {}

Program::~Program() { close(); }

bool Program::running() const {
  return pi_.hProcess != nullptr && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND Program::start() { return launch() ? waitFrame() : nullptr; }

bool Program::launch() {
  if (!options_.simIni.empty()) {
    std::ofstream ini("pelox-sim.ini", std::ios::binary);
    ini << options_.simIni;
  }
  wchar_t dir[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, dir);
  std::wstring line = L"\"" + options_.exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!CreateProcessW(options_.exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi_)) {
    check(false, "start " + win32::narrow(options_.exe) + ": " + win32::errorText(GetLastError()), __FILE__, __LINE__);
    return false;
  }
  return true;
}

HWND Program::waitFrame() {
  // The frame, by its window class: it exists (hidden) before its view is
  // created, so a box shown during start-up does not hide it. A box shown
  // with no frame at all (the driver missing) ends the wait after 5 s.
  const DWORD end = GetTickCount() + static_cast<DWORD>(options_.startTimeoutMs);
  DWORD boxSince = 0;
  while (frame_ == nullptr && static_cast<LONG>(end - GetTickCount()) > 0 && running()) {
    for (HWND w : topWindows(false))
      if (className(w) == "PeloxDemoFrame") frame_ = w;
    if (frame_ != nullptr) break;
    if (anyDialog() == nullptr)
      boxSince = 0;
    else if (boxSince == 0)
      boxSince = GetTickCount();
    else if (GetTickCount() - boxSince > 5000)
      break;
    Sleep(100);
  }
  if (!check(frame_ != nullptr, "the main window appears", __FILE__, __LINE__)) {
    for (HWND w : topWindows()) out("   window: [" + className(w) + "] " + text(w) + " | " + messageText(w));
    return nullptr;
  }
  WaitForInputIdle(pi_.hProcess, static_cast<DWORD>(options_.startTimeoutMs));
  settle(options_.settleMs);
  return frame_;
}

HWND Program::view() const { return frame_ ? FindWindowExW(frame_, nullptr, L"PeloxDemoView", nullptr) : nullptr; }

void Program::command(int id) { PostMessageW(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Program::key(int virtualKey) {
  HWND v = view();
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
  PostMessageW(v, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1 | (scan << 16));
  PostMessageW(v, WM_KEYUP, static_cast<WPARAM>(virtualKey), 1 | (scan << 16) | (3u << 30));
}

void Program::chars(std::string_view utf8) {
  HWND v = view();
  for (wchar_t c : win32::wide(utf8)) PostMessageW(v, WM_CHAR, c, 1);
}

void Program::click(int x, int y) {
  HWND v = view();
  PostMessageW(v, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(v, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Program::settle(int milliseconds) {
  // A sent message is answered only when the program's thread is back in
  // its message loop (or a modal one): then everything before it is done.
  // No SMTO_ABORTIFHUNG here: a thread busy for more than 5 seconds counts
  // as hung and the wait would end at once, as it does with an emulated
  // 32-bit program on a loaded machine.
  Sleep(static_cast<DWORD>(milliseconds));
  DWORD_PTR ignored = 0;
  if (frame_ != nullptr) SendMessageTimeoutW(frame_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
}

std::vector<HWND> Program::topWindows(bool visibleOnly) const {
  WindowSearch search{pi_.dwProcessId, visibleOnly, {}};
  EnumWindows(collectWindows, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::waitWindow(std::string_view caption, const char* cls, int timeoutMs) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
  do {
    for (HWND w : topWindows())
      if (text(w) == caption && (cls == nullptr || className(w) == cls)) return w;
    Sleep(100);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  out("   no window \"" + std::string(caption) + "\"; the program shows:");
  for (HWND w : topWindows()) out("   [" + className(w) + "] " + text(w) + " | " + messageText(w));
  return nullptr;
}

HWND Program::anyDialog() const {
  for (HWND w : topWindows())
    if (className(w) == kDialog) return w;
  return nullptr;
}

bool Program::waitGone(HWND w, int timeoutMs) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (IsWindow(w) && IsWindowVisible(w)) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    Sleep(50);
  }
  return true;
}

bool Program::waitExit(int timeoutMs) {
  return pi_.hProcess == nullptr || WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

void Program::close() {
  if (pi_.hProcess == nullptr) return;
  if (running() && frame_ != nullptr && anyDialog() == nullptr) command(ID_APP_EXIT);
  if (!waitExit(5000)) {
    TerminateProcess(pi_.hProcess, 1);
    waitExit(5000);
  }
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
  pi_ = {};
  frame_ = nullptr;
}

}  // namespace e2e
