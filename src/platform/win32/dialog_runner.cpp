#include "platform/win32/dialog_runner.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "platform/win32/text.h"

namespace win32 {
namespace {

constexpr COLORREF kDialogGrey = RGB(192, 192, 192);
constexpr COLORREF kDialogText = RGB(0, 0, 0);
constexpr UINT_PTR kTimerId = 1;

// The dialog's one-shot timer: a WM_TIMER that the dialog procedure stops
// at once and hands to the dialog.
class HostTimer : public port::Timer {
 public:
  explicit HostTimer(HWND& dialog) : dialog_(dialog) {}
  void arm(int ms) override {
    const UINT interval = std::max<UINT>(static_cast<UINT>(std::max(ms, 0)), USER_TIMER_MINIMUM);
    if (SetTimer(dialog_, kTimerId, interval, nullptr) == 0)
      throw std::runtime_error("SetTimer: " + errorText(GetLastError()));
    armed_ = true;
  }
  void cancel() override {
    if (armed_) KillTimer(dialog_, kTimerId);
    armed_ = false;
  }
  bool armed() const override { return armed_; }

 private:
  HWND& dialog_;
  bool armed_ = false;
};

// A list box of the dialog.
class HostList : public port::LineList {
 public:
  HWND box = nullptr;
  void add(std::string_view utf8) override {
    const LRESULT at = SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(utf8).c_str()));
    if (at == LB_ERR || at == LB_ERRSPACE) throw std::runtime_error("列表框放不下更多的行");
    SendMessageW(box, LB_SETTOPINDEX, static_cast<WPARAM>(at), 0);
  }
  void clear() override { SendMessageW(box, LB_RESETCONTENT, 0, 0); }
  int count() override { return static_cast<int>(SendMessageW(box, LB_GETCOUNT, 0, 0)); }
  std::string line(int index) override {
    const LRESULT n = SendMessageW(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR) return {};
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.data()));
    w.resize(static_cast<std::size_t>(n));
    return narrow(w);
  }
};

// One open dialog: its window, the core's object and the controls.
class DialogHost : public port::DialogControls {
 public:
  explicit DialogHost(port::Dialog& d) : dialog(d) {}

  std::string text(int id) override {
    HWND c = control(id);
    const int n = GetWindowTextLengthW(c);
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(c, w.data(), n + 1);
    w.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return narrow(w);
  }
  void setText(int id, std::string_view utf8) override {
    HWND c = control(id);
    // Only the operator's own edits are notified to the dialog.
    ++settingText_;
    SetWindowTextW(c, wide(utf8).c_str());
    --settingText_;
  }
  void show(int id, bool visible) override { ShowWindow(control(id), visible ? SW_SHOW : SW_HIDE); }
  void enable(int id, bool enabled) override { EnableWindow(control(id), enabled); }
  void check(int id, bool checked) override {
    SendMessageW(control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool isChecked(int id) override { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void setFocus(int id) override { SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(id)), TRUE); }
  void selectAll(int id) override {
    HWND c = control(id);
    SendMessageW(c, EM_SETSEL, 0, -1);
    SendMessageW(c, EM_SCROLLCARET, 0, 0);
  }
  void scrollToEnd(int id) override {
    HWND c = control(id);
    const int n = GetWindowTextLengthW(c);
    SendMessageW(c, EM_SETSEL, static_cast<WPARAM>(n), n);
    SendMessageW(c, EM_SCROLLCARET, 0, 0);
  }
  void limitText(int id, int characters) override {
    SendMessageW(control(id), EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
  }
  void setCaption(std::string_view utf8) override { SetWindowTextW(hwnd, wide(utf8).c_str()); }
  void end(int result) override { EndDialog(hwnd, result); }
  int messageBox(std::string_view text, std::string_view caption, unsigned style) override {
    return MessageBoxW(hwnd, wide(text).c_str(), wide(caption).c_str(), style);
  }
  port::Timer& timer() override { return timer_; }
  port::LineList& list(int id) override {
    HostList& l = lists_[id];
    l.box = control(id);
    return l;
  }
  // WM_TIMER of the dialog's timer: one-shot, so it is stopped first.
  void timerFired() {
    timer_.cancel();
    dialog.onTimer(*this);
  }

  bool settingText() const { return settingText_ > 0; }

  // A right double click from two WM_RBUTTONDOWN (the dialog class has no
  // CS_DBLCLKS, so Windows does not make one).
  bool isSecondRightClick(POINT p, LONG time) {
    const bool second = lastRight_.valid && static_cast<DWORD>(time - lastRight_.time) <= GetDoubleClickTime() &&
                        std::abs(p.x - lastRight_.p.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                        std::abs(p.y - lastRight_.p.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    lastRight_ = {!second, p, time};
    return second;
  }

  port::Dialog& dialog;
  HWND hwnd = nullptr;

 private:
  HWND control(int id) {
    HWND c = GetDlgItem(hwnd, id);
    if (c == nullptr)
      throw std::logic_error("对话框 " + std::to_string(dialog.templateId()) + " 没有控件 " + std::to_string(id));
    return c;
  }

  struct Click {
    bool valid = false;
    POINT p{};
    LONG time = 0;
  };
  int settingText_ = 0;
  Click lastRight_;
  HostTimer timer_{hwnd};
  std::map<int, HostList> lists_;
};

INT_PTR handle(DialogHost& h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      const int code = HIWORD(wp);
      if (code == EN_CHANGE && h.settingText()) return TRUE;
      h.dialog.onCommand(h, LOWORD(wp), code);
      return TRUE;
    }
    case WM_RBUTTONDOWN: {
      const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      h.dialog.onMouse(h, WM_RBUTTONDOWN, {p.x, p.y});
      if (h.isSecondRightClick(p, GetMessageTime())) h.dialog.onMouse(h, port::mouse::kRightDoubleClick, {p.x, p.y});
      return TRUE;
    }
    case WM_RBUTTONDBLCLK:
    case WM_LBUTTONDOWN:
      h.dialog.onMouse(h, static_cast<int>(msg), {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return TRUE;
    case WM_TIMER:
      if (wp != kTimerId) return FALSE;
      h.timerFired();
      return TRUE;
    case WM_DESTROY:
      h.timer().cancel();
      return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(dialogColours(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DialogHost* host = nullptr;
  if (msg == WM_INITDIALOG) {
    host = reinterpret_cast<DialogHost*>(lp);
    host->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
  } else {
    host = reinterpret_cast<DialogHost*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (host == nullptr) return FALSE;
  try {
    // The result of WM_INITDIALOG decides who sets the first focus.
    if (msg == WM_INITDIALOG) return host->dialog.onInit(*host) ? TRUE : FALSE;
    return handle(*host, msg, wp, lp);
  } catch (const std::exception& e) {
    reportException(hwnd, "dialog", &e);
  } catch (...) {
    reportException(hwnd, "dialog", nullptr);
  }
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

HBRUSH dialogColours(UINT msg, HDC dc, HWND control) {
  static HBRUSH grey = CreateSolidBrush(kDialogGrey);
  if (msg == WM_CTLCOLORSTATIC && control != nullptr) {
    // Read-only and disabled edits ask as statics: they keep their colours.
    wchar_t cls[16] = {};
    GetClassNameW(control, cls, 16);
    if (lstrcmpiW(cls, L"Edit") == 0) return nullptr;
  }
  SetTextColor(dc, kDialogText);
  SetBkColor(dc, kDialogGrey);
  return grey;
}

int DialogRunner::runModal(port::Dialog& dialog) {
  DialogHost host(dialog);
  SetLastError(0);
  const INT_PTR r = DialogBoxParamW(ctx_.instance, MAKEINTRESOURCEW(dialog.templateId()), ctx_.frame, dialogProc,
                                    reinterpret_cast<LPARAM>(&host));
  if (r == -1 || (r == 0 && host.hwnd == nullptr)) {
    const std::string text =
        "对话框 " + std::to_string(dialog.templateId()) + " 无法打开（" + errorText(GetLastError()) + "）。";
    MessageBoxW(ctx_.frame, wide(text).c_str(), L"Kv310型读写器演示系统", MB_OK | MB_ICONSTOP);
    return -1;
  }
  return static_cast<int>(r);
}

}  // namespace win32
