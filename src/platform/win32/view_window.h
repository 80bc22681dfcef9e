// The view's window: a child of the frame that fills its client area and
// hands its messages to the view object (ViewEvents). Implements
// port::ViewWindow: immediate drawing on the window, the caret, repaints.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/view_events.h"
#include "platform/ports.h"
#include "platform/win32/context.h"

namespace win32 {

// The extents of texts drawn as filled boxes (see DcSurface), measured once
// per font and text for the life of the window: a box then needs no font
// selected.
class TextExtents {
 public:
  // The extent of `utf8` in `font`, measured on `dc` (with `font` selected)
  // the first time.
  SIZE of(HDC dc, HFONT font, std::string_view utf8, const std::function<void()>& selectFont);

 private:
  struct Entry {
    HFONT font;
    std::string text;
    SIZE size;
  };
  static constexpr std::size_t kMaxEntries = 64;  // the program's erasing texts are fewer
  std::vector<Entry> entries_;
};

// Drawing on a device context: the window's (immediate drawing) or the
// memory DC of a paint. The font and colours stay selected from one text to
// the next and are changed only when a text asks for others (selecting a
// font is the costly part of a text under Wine); the DC gets its own font
// back when the surface ends, so end it before releasing the DC. A text in
// its own background colour (the grids' blanks, the erasing texts) shows as
// a filled box of the text's extent: such boxes are collected and filled
// together, before anything else is drawn over them (each GDI call costs a
// few microseconds under Wine; a page has 512 blanks).
class DcSurface : public port::Surface {
 public:
  DcSurface(HDC dc, HBITMAP background, SIZE area, TextExtents& extents)
      : dc_(dc), background_(background), area_(area), extents_(extents) {}
  ~DcSurface() override;
  DcSurface(const DcSurface&) = delete;
  DcSurface& operator=(const DcSurface&) = delete;
  void drawBackground() override;
  void drawText(int x, int y, std::string_view utf8, port::Colour text, port::Colour back, port::Font font) override;

 private:
  void selectFont(HFONT font);
  void fillBoxes();

  HDC dc_;
  HBITMAP background_;
  SIZE area_;
  TextExtents& extents_;
  HGDIOBJ ownFont_ = nullptr;  // the DC's font before the first text
  HFONT font_ = nullptr;
  COLORREF text_ = CLR_INVALID;
  COLORREF back_ = CLR_INVALID;
  std::vector<RECT> boxes_;  // waiting to be filled in boxColour_
  COLORREF boxColour_ = 0;
};

class ViewWindow : public port::ViewWindow {
 public:
  static constexpr const wchar_t* kClassName = L"PeloxDemoView";

  explicit ViewWindow(Context& ctx);
  ~ViewWindow() override;
  ViewWindow(const ViewWindow&) = delete;
  ViewWindow& operator=(const ViewWindow&) = delete;

  static bool registerClass(HINSTANCE instance);
  // Creates the child window of `parent` for the view object `events`.
  HWND create(HWND parent, ViewEvents& events);
  HWND hwnd() const { return hwnd_; }

  port::Surface& surface() override;
  void createCaret(int width, int height) override;
  void destroyCaret() override;
  void showCaret() override;
  void hideCaret() override;
  void setCaretPos(port::Point p) override;
  port::Point caretPos() override;
  void invalidate(bool now) override;
  void postCommand(int id) override;

 private:
  // A surface on the window's own DC for one text or background call.
  class ImmediateSurface : public port::Surface {
   public:
    explicit ImmediateSurface(ViewWindow& w) : w_(w) {}
    void drawBackground() override;
    void drawText(int x, int y, std::string_view utf8, port::Colour text, port::Colour back, port::Font font) override;

   private:
    void withDc(const std::function<void(DcSurface&)>& draw);
    ViewWindow& w_;
  };

  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void paint();
  SIZE clientSize() const;

  Context& ctx_;
  HWND hwnd_ = nullptr;
  ViewEvents* events_ = nullptr;
  HBITMAP background_ = nullptr;
  TextExtents extents_;
  // How often the caret was hidden by this window's own successful calls
  // (1 for a new caret, and while there is none): 0 means it is shown.
  int caretHides_ = 1;
  ImmediateSurface immediate_{*this};
  // The paint's off-screen buffer, kept from one paint to the next and made
  // again when the size changes (making it is most of a paint's fixed cost).
  struct Offscreen {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    SIZE size{};
    bool fits(HDC screen, SIZE wanted);  // false when it cannot be made
    void release();
  } offscreen_;
};

}  // namespace win32
