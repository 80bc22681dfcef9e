// What the portable core needs from the platform, in small interfaces.
//
// The Win32 layer (platform/win32) implements them on real windows; the
// native tests implement them with fakes (tests/unit/fakes). Text is UTF-8.
// Numeric constants (message box styles and answers, virtual keys, show
// states) carry the Win32 values, so the core reads like the program it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace port {

// A colour with red in the low byte, then green, then blue (as COLORREF).
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

enum class Font {
  Default,      // the window's default font
  FixedSystem,  // the stock fixed-pitch system font (the grids)
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Message box styles and answers (Win32 values).
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kYesNoCancel = 0x3;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

// Virtual key codes used by the view.
namespace vk {
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;  // Page Up
inline constexpr int kNext = 0x22;   // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kF5 = 0x74;
}  // namespace vk

// A drawing target: the view's window (immediate drawing) or the off-screen
// surface of a paint (transferred to the window once at the end).
class Surface {
 public:
  virtual ~Surface() = default;
  // Puts the background picture (IDB_BACKGROUND) at the top-left corner, as
  // large as the client area.
  virtual void drawBackground() = 0;
  // Opaque text: the text's own rectangle is filled with `back`.
  virtual void drawText(int x, int y, std::string_view utf8, Colour text, Colour back, Font font) = 0;
};

// The view's window: immediate drawing, the text caret and repaints.
class ViewWindow {
 public:
  virtual ~ViewWindow() = default;
  virtual Surface& surface() = 0;
  // The caret is the thread's, not the window's: a dialog's edit control
  // that takes the focus destroys it. The view creates it when it gains the
  // focus and destroys it when it loses it, and keeps its cell itself.
  virtual void createCaret(int width, int height) = 0;
  virtual void destroyCaret() = 0;
  virtual void showCaret() = 0;
  virtual void hideCaret() = 0;
  virtual void setCaretPos(Point p) = 0;
  virtual Point caretPos() = 0;
  // Invalidate the whole view; with `now`, paint it before returning.
  virtual void invalidate(bool now) = 0;
  // Post a command (WM_COMMAND id) to the view's own message queue.
  virtual void postCommand(int id) = 0;
};

// The program's shell services.
class Shell {
 public:
  virtual ~Shell() = default;
  // A modal message box owned by the main window; returns the answer.
  virtual int messageBox(std::string_view text, std::string_view caption, unsigned style) = 0;
  virtual void beep(unsigned type) = 0;          // MessageBeep
  virtual void setWaitCursor(bool on) = 0;
  virtual void postQuit(int exitCode) = 0;
  // CreateProcess of a command line with a show state; false on failure.
  virtual bool startProcess(std::string_view commandLine, int show) = 0;
  // ShellExecute(no owner, default verb, file, "", "", show).
  virtual void shellExecute(std::string_view file, int show) = 0;
  // WinHelp(main window, file, command, 0).
  virtual void helpEngine(std::string_view file, unsigned command) = 0;
  // Full path of the running program file.
  virtual std::string programPath() = 0;
  virtual Point screenSize() = 0;
  // Puts text on the clipboard; false when it could not. A shell without
  // a clipboard keeps this default.
  virtual bool copyToClipboard(std::string_view /*utf8*/) { return false; }
};

// A menu as the platform holds it; 0 is no menu.
using MenuRef = std::uintptr_t;

// The main window's menu bar.
class MenuBar {
 public:
  virtual ~MenuBar() = default;
  virtual MenuRef load(int resourceId) = 0;
  virtual int itemCount(MenuRef menu) = 0;
  // Caption of the item at a position ("" for a separator), as fetched into
  // a 256-byte buffer.
  virtual std::string itemCaption(MenuRef menu, int position) = 0;
  virtual MenuRef subMenu(MenuRef menu, int position) = 0;
  virtual bool removeItem(MenuRef menu, int position) = 0;
  // Make the menu the main window's bar (it then belongs to the window).
  virtual void install(MenuRef menu) = 0;
  // Invalidate the main window with its frame and update it at once.
  virtual void redrawFrame() = 0;
};

// The common Open and Save dialogs and the files behind them. Paths are
// UTF-8.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;

  // One filter of a dialog: "卡片映像文件 (*.bin)" and its pattern "*.bin";
  // `extension` ("bin") is added to a name typed without one.
  struct Filter {
    std::string_view description;
    std::string_view pattern;
    std::string_view extension;
  };
  // The Save dialog, which asks before it replaces a file: the chosen path,
  // or "" when the operator cancelled.
  virtual std::string askSavePath(const Filter& filter, std::string_view defaultName) = 0;
  // The Open dialog for an existing file: the path, or "" when cancelled.
  virtual std::string askOpenPath(const Filter& filter) = 0;

  enum class ReadStatus { Ok, TooLarge, Failed };
  struct FileContent {
    ReadStatus status = ReadStatus::Failed;
    std::uint64_t size = 0;           // the file's size (Ok and TooLarge)
    std::vector<std::uint8_t> bytes;  // the whole file (Ok only)
  };
  // Reads a whole file of at most `limit` bytes; a larger file is not read.
  virtual FileContent readFile(std::string_view path, std::size_t limit) = 0;
  // Replaces the file with `bytes` as a whole: written beside it under
  // another name first and then renamed over it, so a failure (false)
  // leaves the old file as it was and no partial file.
  virtual bool writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace port
