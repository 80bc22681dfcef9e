#include "platform/win32/view_window.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <iterator>

#include "platform/win32/text.h"
#include "resources/resource.h"

namespace win32 {
namespace {

constexpr COLORREF kPanelGrey = RGB(192, 192, 192);

HFONT fontFor(port::Font font) {
  // The grids use the stock fixed-pitch system font; every other text the
  // window's default font, the system font of a fresh DC.
  return static_cast<HFONT>(GetStockObject(font == port::Font::FixedSystem ? SYSTEM_FIXED_FONT : SYSTEM_FONT));
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

}  // namespace

void DcSurface::drawBackground() {
  boxes_.clear();  // covered by the background anyway
  const RECT all{0, 0, area_.cx, area_.cy};
  if (background_ == nullptr) {
    fill(dc_, all, kPanelGrey);
    return;
  }
  BITMAP info{};
  GetObjectW(background_, sizeof info, &info);
  HDC picture = CreateCompatibleDC(dc_);
  HGDIOBJ old = SelectObject(picture, background_);
  BitBlt(dc_, 0, 0, area_.cx, area_.cy, picture, 0, 0, SRCCOPY);
  SelectObject(picture, old);
  DeleteDC(picture);
  // Beyond the picture (a window larger than it): panel grey.
  if (area_.cx > info.bmWidth) fill(dc_, RECT{info.bmWidth, 0, area_.cx, area_.cy}, kPanelGrey);
  if (area_.cy > info.bmHeight) fill(dc_, RECT{0, info.bmHeight, area_.cx, area_.cy}, kPanelGrey);
}

DcSurface::~DcSurface() {
  fillBoxes();
  if (ownFont_ != nullptr) SelectObject(dc_, ownFont_);
}

void DcSurface::fillBoxes() {
  if (boxes_.empty()) return;
  // One region of all boxes: a header the size of two rectangles, then the
  // rectangles.
  static_assert(sizeof(RGNDATAHEADER) == 2 * sizeof(RECT));
  std::vector<RECT> data(2 + boxes_.size());
  auto* region = reinterpret_cast<RGNDATA*>(data.data());
  region->rdh.dwSize = sizeof(RGNDATAHEADER);
  region->rdh.iType = RDH_RECTANGLES;
  region->rdh.nCount = static_cast<DWORD>(boxes_.size());
  region->rdh.nRgnSize = static_cast<DWORD>(boxes_.size() * sizeof(RECT));
  RECT bound = boxes_.front();
  for (const RECT& b : boxes_) UnionRect(&bound, &bound, &b);
  region->rdh.rcBound = bound;
  std::copy(boxes_.begin(), boxes_.end(), data.begin() + 2);
  HBRUSH brush = CreateSolidBrush(boxColour_);
  HRGN rgn = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size() * sizeof(RECT)), region);
  if (rgn != nullptr) {
    FillRgn(dc_, rgn, brush);
    DeleteObject(rgn);
  } else {
    for (const RECT& b : boxes_) FillRect(dc_, &b, brush);
  }
  DeleteObject(brush);
  boxes_.clear();
}

SIZE TextExtents::of(HDC dc, HFONT font, std::string_view utf8, const std::function<void()>& selectFont) {
  for (const Entry& e : entries_) {
    if (e.font == font && e.text == utf8) return e.size;
  }
  selectFont();
  const std::wstring w = wide(utf8);
  SIZE size{};
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  if (entries_.size() < kMaxEntries) entries_.push_back(Entry{font, std::string(utf8), size});
  return size;
}

void DcSurface::selectFont(HFONT font) {
  if (font == font_) return;
  HGDIOBJ before = SelectObject(dc_, font);
  if (ownFont_ == nullptr) {
    ownFont_ = before;
    SetBkMode(dc_, OPAQUE);
  }
  font_ = font;
}

void DcSurface::drawText(int x, int y, std::string_view utf8, port::Colour text, port::Colour back, port::Font font) {
  const HFONT f = fontFor(font);
  if (text == back) {
    const SIZE size = extents_.of(dc_, f, utf8, [&] { selectFont(f); });
    if (!boxes_.empty() && boxColour_ != back) fillBoxes();
    boxes_.push_back(RECT{x, y, x + size.cx, y + size.cy});
    boxColour_ = back;
    return;
  }
  fillBoxes();
  selectFont(f);
  if (text != text_) {
    SetTextColor(dc_, text);
    text_ = text;
  }
  if (back != back_) {
    SetBkColor(dc_, back);
    back_ = back;
  }
  // The grid's texts are a few ASCII characters: no conversion needed.
  wchar_t ascii[16];
  if (utf8.size() <= std::size(ascii) &&
      std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::copy(utf8.begin(), utf8.end(), ascii);
    TextOutW(dc_, x, y, ascii, static_cast<int>(utf8.size()));
    return;
  }
  const std::wstring w = wide(utf8);
  TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
}

ViewWindow::ViewWindow(Context& ctx) : ctx_(ctx) {
  background_ = LoadBitmapW(ctx.instance, MAKEINTRESOURCEW(IDB_BACKGROUND));
  if (background_ == nullptr) OutputDebugStringW(L"pelox demo: bitmap 126 missing, background drawn grey\n");
}

ViewWindow::~ViewWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  offscreen_.release();
  if (background_ != nullptr) DeleteObject(background_);
}

bool ViewWindow::registerClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // the paint covers everything
  wc.lpszClassName = kClassName;
  return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND ViewWindow::create(HWND parent, ViewEvents& events) {
  events_ = &events;
  RECT r{};
  GetClientRect(parent, &r);
  CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, r.right, r.bottom, parent,
                  nullptr, ctx_.instance, this);
  return hwnd_;
}

LRESULT CALLBACK ViewWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<ViewWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
    self->ctx_.view = hwnd;
  }
  auto* self = reinterpret_cast<ViewWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->events_ == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return self->handle(msg, wp, lp);
  } catch (const std::exception& e) {
    reportException(self->ctx_.frame, "view", &e);
  } catch (...) {
    reportException(self->ctx_.frame, "view", nullptr);
  }
  return 0;
}

LRESULT ViewWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      events_->onCreate();
      return 0;
    case WM_DESTROY:
      events_->onDestroy();
      return 0;
    case WM_NCDESTROY: {
      HWND self = hwnd_;
      SetWindowLongPtrW(self, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      ctx_.view = nullptr;
      return DefWindowProcW(self, msg, wp, lp);
    }
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_PAINT:
      paint();
      return 0;
    case WM_KEYDOWN:
      events_->onKeyDown(static_cast<int>(wp));
      return 0;
    case WM_CHAR:
      events_->onChar(static_cast<unsigned>(wp));
      return 0;
    case WM_SETFOCUS:
      events_->onFocus(true);
      return 0;
    case WM_KILLFOCUS:
      events_->onFocus(false);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd_);
      events_->onLButtonDown({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_COMMAND:
      // Commands posted to the view itself (postCommand).
      events_->onCommand(LOWORD(wp));
      return 0;
    case WM_SETCURSOR:
      if (keepWaitCursor(ctx_, lp)) return TRUE;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

SIZE ViewWindow::clientSize() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return {r.right, r.bottom};
}

namespace {

struct PaintScope {
  HWND hwnd;
  PAINTSTRUCT ps{};
  HDC dc;
  explicit PaintScope(HWND h) : hwnd(h), dc(BeginPaint(h, &ps)) {}
  ~PaintScope() { EndPaint(hwnd, &ps); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
};

}  // namespace

void ViewWindow::paint() {
  PaintScope paint(hwnd_);
  const SIZE size = clientSize();
  if (size.cx <= 0 || size.cy <= 0) return;
  if (!offscreen_.fits(paint.dc, size)) {
    // No memory for the buffer: drawn straight onto the window.
    DcSurface direct(paint.dc, background_, size, extents_);
    events_->onPaint(direct);
    return;
  }
  // Everything is drawn off screen, then copied in one block: no flicker.
  fill(offscreen_.dc, RECT{0, 0, size.cx, size.cy}, kPanelGrey);
  {
    DcSurface surface(offscreen_.dc, background_, size, extents_);
    events_->onPaint(surface);
  }
  BitBlt(paint.dc, 0, 0, size.cx, size.cy, offscreen_.dc, 0, 0, SRCCOPY);
}

bool ViewWindow::Offscreen::fits(HDC screen, SIZE wanted) {
  if (dc != nullptr && size.cx == wanted.cx && size.cy == wanted.cy) return true;
  release();
  dc = CreateCompatibleDC(screen);
  bitmap = dc != nullptr ? CreateCompatibleBitmap(screen, wanted.cx, wanted.cy) : nullptr;
  if (bitmap == nullptr) {
    release();
    return false;
  }
  old = SelectObject(dc, bitmap);
  size = wanted;
  return true;
}

void ViewWindow::Offscreen::release() {
  if (dc != nullptr && old != nullptr) SelectObject(dc, old);
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (dc != nullptr) DeleteDC(dc);
  *this = Offscreen{};
}

port::Surface& ViewWindow::surface() { return immediate_; }

void ViewWindow::ImmediateSurface::withDc(const std::function<void(DcSurface&)>& draw) {
  if (w_.hwnd_ == nullptr) return;
  // Hide a shown caret while drawing so its inverted block is not drawn
  // over. (Hiding and showing it costs far more than the drawing under
  // Wine, so a caret known to be hidden is left alone.)
  const bool hidden = w_.caretHides_ == 0 && HideCaret(w_.hwnd_) != 0;
  HDC dc = GetDC(w_.hwnd_);
  {
    DcSurface s(dc, w_.background_, w_.clientSize(), w_.extents_);
    draw(s);
  }
  ReleaseDC(w_.hwnd_, dc);
  if (hidden) ShowCaret(w_.hwnd_);
}

void ViewWindow::ImmediateSurface::drawBackground() {
  withDc([](DcSurface& s) { s.drawBackground(); });
}

void ViewWindow::ImmediateSurface::drawText(int x, int y, std::string_view utf8, port::Colour text, port::Colour back,
                                            port::Font font) {
  withDc([&](DcSurface& s) { s.drawText(x, y, utf8, text, back, font); });
}

void ViewWindow::createCaret(int width, int height) {
  if (CreateCaret(hwnd_, nullptr, width, height)) caretHides_ = 1;  // a new caret is hidden
}

void ViewWindow::destroyCaret() {
  DestroyCaret();
  caretHides_ = 1;
}

void ViewWindow::showCaret() {
  if (ShowCaret(hwnd_) && caretHides_ > 0) --caretHides_;
}

void ViewWindow::hideCaret() {
  if (HideCaret(hwnd_)) ++caretHides_;
}
void ViewWindow::setCaretPos(port::Point p) { SetCaretPos(p.x, p.y); }

port::Point ViewWindow::caretPos() {
  POINT p{};
  GetCaretPos(&p);
  return {p.x, p.y};
}

void ViewWindow::invalidate(bool now) {
  if (hwnd_ == nullptr) return;
  InvalidateRect(hwnd_, nullptr, FALSE);
  if (now) UpdateWindow(hwnd_);
}

void ViewWindow::postCommand(int id) {
  if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

}  // namespace win32
