// Fakes of the UI ports for native tests: a screen model that records what
// is drawn where, one ordered record of everything the operator would see
// and hear, scripted message-box answers, menus read from the .rc file and
// scripted dialogs that run the real dialog classes.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/ports.h"

namespace fake {

struct DrawnText {
  int x = 0, y = 0;
  std::string text;
  port::Colour fg = 0, bg = 0;
  port::Font font = port::Font::Default;
};

// Everything the operator sees and hears, in order.
struct Event {
  enum class Kind { Text, Background, MessageBox, Beep, Cursor, PostCommand, PostQuit, StartProcess, ShellExecute, Help, Menu, Dialog };
  Kind kind;
  std::string text;     // drawn text, box text, command line, file, menu id as text, dialog template id
  std::string caption;  // box caption
  unsigned style = 0;   // box style, beep type, cursor on (1) / off (0), posted id, quit code
  int x = 0, y = 0;     // text position
  port::Colour fg = 0, bg = 0;
  int answer = 0;  // what the operator answered a box
  // One line for test failure output, e.g. "box[提示信息|连接错误!|0x40]".
  std::string describe() const;
};

class EventLog {
 public:
  std::vector<Event> events;
  void clear() { events.clear(); }
  std::vector<Event> of(Event::Kind k) const;
  // Message boxes as "caption|text".
  std::vector<std::string> boxes() const;
  int beeps(unsigned type) const;  // count of beeps of one type
  int beepCount() const;           // all beeps
  // Compact trace of boxes and beeps in order: "beep1", "box:出错警告|错误：...".
  std::vector<std::string> trace() const;
  std::string dump() const;
};

// What is on the view's window: the last text drawn at each point. A
// background draw clears it, as a repaint does.
class ScreenModel {
 public:
  std::map<std::pair<int, int>, DrawnText> at;
  int backgroundDraws = 0;
  const DrawnText* textAt(int x, int y) const;
  // Text drawn at a point and still visible (not in panel grey on panel grey
  // nor navy on navy); "" when none.
  std::string visibleText(int x, int y) const;
  void clear() { at.clear(); }
};

class FakeSurface : public port::Surface {
 public:
  FakeSurface(ScreenModel& screen, EventLog& log) : screen_(screen), log_(log) {}
  void drawBackground() override;
  void drawText(int x, int y, std::string_view utf8, port::Colour text, port::Colour back, port::Font font) override;
  int textCalls = 0;

 private:
  ScreenModel& screen_;
  EventLog& log_;
};

class FakeWindow : public port::ViewWindow {
 public:
  explicit FakeWindow(EventLog& log) : log_(log), surface_(screen, log) {}
  port::Surface& surface() override { return surface_; }
  void createCaret(int width, int height) override;
  void destroyCaret() override;
  // Showing and hiding work on the view's own caret only.
  void showCaret() override {
    if (caretCreated) caretVisible = true;
  }
  void hideCaret() override {
    if (caretCreated) caretVisible = false;
  }
  // Moves the thread's caret, whichever window owns it.
  void setCaretPos(port::Point p) override {
    if (caretCreated || dialogCaret) caret = p;
  }
  port::Point caretPos() override { return caret; }

  // Windows keeps one caret per thread. A dialog whose edit control takes
  // the focus sends the view WM_KILLFOCUS and creates its own caret, which
  // replaces the view's; it destroys it when it closes, and the view gets
  // WM_SETFOCUS. Nested dialogs move the focus once.
  void dialogTakesFocus();
  void dialogReturnsFocus();
  // Delivers WM_SETFOCUS (true) and WM_KILLFOCUS (false) to the view.
  std::function<void(bool gained)> focusEvents;
  // Where a dialog's edit control puts the thread's caret.
  static constexpr port::Point kDialogCaret{1, 1};
  bool dialogCaret = false;
  int dialogDepth = 0;
  void invalidate(bool now) override;
  void postCommand(int id) override;

  ScreenModel screen;
  bool caretCreated = false;
  int caretWidth = 0, caretHeight = 0;
  bool caretVisible = false;
  port::Point caret;
  int invalidations = 0;
  std::vector<int> posted;
  // Called by invalidate(true) to run the view's paint (tests set it).
  std::function<void()> paintNow;

 private:
  EventLog& log_;
  FakeSurface surface_;
};

class FakeShell : public port::Shell {
 public:
  explicit FakeShell(EventLog& log) : log_(log) {}
  int messageBox(std::string_view text, std::string_view caption, unsigned style) override;
  void beep(unsigned type) override;
  void setWaitCursor(bool on) override;
  void postQuit(int exitCode) override;
  bool startProcess(std::string_view commandLine, int show) override;
  void shellExecute(std::string_view file, int show) override;
  void helpEngine(std::string_view file, unsigned command) override;
  std::string programPath() override { return path; }
  port::Point screenSize() override { return screen; }
  bool copyToClipboard(std::string_view utf8) override {
    if (clipboardWorks) clipboard = std::string(utf8);
    return clipboardWorks;
  }

  // Answers for the next message boxes, in order; IDOK when empty.
  std::deque<int> answers;
  // What reaches the program while the next boxes are open, one entry per
  // box (as a modal box's message loop dispatches the view's messages).
  std::deque<std::function<void()>> whileOpen;
  std::string path = "C:\\Program Files\\Demo\\Demo.exe";
  port::Point screen{1024, 768};
  bool waitCursor = false;
  bool startProcessResult = true;
  std::string clipboard;
  bool clipboardWorks = true;

 private:
  EventLog& log_;
};

// Menus loaded from the program's .rc file.
class FakeMenuBar : public port::MenuBar {
 public:
  explicit FakeMenuBar(EventLog& log);
  ~FakeMenuBar() override;
  port::MenuRef load(int resourceId) override;
  int itemCount(port::MenuRef menu) override;
  std::string itemCaption(port::MenuRef menu, int position) override;
  port::MenuRef subMenu(port::MenuRef menu, int position) override;
  bool removeItem(port::MenuRef menu, int position) override;
  void install(port::MenuRef menu) override;
  void redrawFrame() override { ++redraws; }

  // The installed bar: its resource id (0 none) and its top-level captions.
  int installedId = 0;
  port::MenuRef installed = 0;
  int redraws = 0;
  int loads = 0;
  bool failLoad = false;  // load() returns 0
  // Captions of a popup of the installed bar, found by its caption.
  std::vector<std::string> popupCaptions(const std::string& popupCaption);

 private:
  struct Node;
  Node* node(port::MenuRef menu) const;  // nullptr for a reference not loaded here
  std::vector<std::unique_ptr<Node>> nodes_;
  EventLog& log_;
};

// A dialog's timer that the test fires by hand.
class FakeTimer : public port::Timer {
 public:
  void arm(int ms) override {
    armed_ = true;
    lastMs = ms;
  }
  void cancel() override { armed_ = false; }
  bool armed() const override { return armed_; }
  int lastMs = -1;  // the interval of the last arming

 private:
  bool armed_ = false;
};

// A list box recording its lines.
class FakeLineList : public port::LineList {
 public:
  void add(std::string_view utf8) override { lines.emplace_back(utf8); }
  void clear() override { lines.clear(); }
  int count() override { return static_cast<int>(lines.size()); }
  std::string line(int index) override { return lines.at(static_cast<std::size_t>(index)); }
  std::vector<std::string> lines;
};

// An open dialog's controls, with the initial state of its .rc template.
class FakeControls : public port::DialogControls {
 public:
  struct ControlState {
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    int limit = 0;
    bool selectedAll = false;
    bool scrolledToEnd = false;
  };

  FakeControls(int templateId, port::Dialog& dialog, FakeShell& shell);
  std::string text(int id) override;
  void setText(int id, std::string_view utf8) override;
  void show(int id, bool visible) override;
  void enable(int id, bool enabled) override;
  void check(int id, bool checked) override;
  bool isChecked(int id) override;
  void setFocus(int id) override { focus = id; }
  void selectAll(int id) override;
  void limitText(int id, int characters) override;
  void scrollToEnd(int id) override;
  void setCaption(std::string_view utf8) override { caption = std::string(utf8); }
  void end(int result) override;
  int messageBox(std::string_view text, std::string_view caption, unsigned style) override;
  port::Timer& timer() override { return timer_; }
  port::LineList& list(int id) override;

  // The timer goes off: false when it was not armed (nothing happens).
  bool fireTimer();
  int interval() const { return timer_.lastMs; }
  bool timerArmed() const { return timer_.armed(); }
  std::vector<std::string> lines(int id) { return lists_[id].lines; }

  // Operator actions: typing replaces the edit's text (cut to the limit, in
  // upper case for ES_UPPERCASE edits; a read-only edit takes none) and
  // delivers the edit-change notification; click presses a button.
  void type(int id, std::string_view utf8);
  void click(int id);
  void rightDoubleClick(port::Point p);

  std::map<int, ControlState> controls;
  std::string caption;
  int focus = 0;
  bool ended = false;
  int result = 0;

 private:
  // The control's state; a test failure when the template has no such id.
  ControlState* find(int id, const char* what);

  port::Dialog& dialog_;
  FakeShell& shell_;
  std::set<int> upperCase_;
  std::set<int> readOnly_;  // the operator cannot type into these
  int templateId_ = 0;
  std::set<int> autoCheck_;  // clicks toggle the check
  std::set<int> autoRadio_;  // a click checks it and clears the others
  FakeTimer timer_;
  std::map<int, FakeLineList> lists_;
};

// Runs dialogs with scripts: each runModal takes the next script, calls
// onInit, runs the script (typing, clicking) and returns the result passed
// to end(). With no script left the dialog is cancelled. A script that ends
// without closing the dialog cancels it (IDCANCEL).
class FakeDialogRunner : public port::DialogRunner {
 public:
  explicit FakeDialogRunner(FakeShell& shell, EventLog& log) : shell_(shell), log_(log) {}
  using Script = std::function<void(FakeControls&)>;
  int runModal(port::Dialog& dialog) override;

  std::deque<Script> scripts;
  std::vector<int> opened;  // template ids, in order
  FakeWindow* window = nullptr;  // the view, which loses the focus to a dialog
  // State of the last dialog after it closed.
  std::unique_ptr<FakeControls> last;

 private:
  FakeShell& shell_;
  EventLog& log_;
};

// Ready-made scripts.
FakeDialogRunner::Script typeAndOk(int editId, std::string text);
FakeDialogRunner::Script cancel();

// The file dialogs on files held in memory: the paths the next dialogs
// answer ("" or none left cancels), the files by path, and paths that fail.
class FakeFileDialogs : public port::FileDialogs {
 public:
  std::string askSavePath(const Filter& filter, std::string_view defaultName) override;
  std::string askOpenPath(const Filter& filter) override;
  FileContent readFile(std::string_view path, std::size_t limit) override;
  bool writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;

  std::deque<std::string> answers;
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::set<std::string> failing;  // reads and writes of these paths fail
  FakeWindow* window = nullptr;   // the view, which loses the focus to a dialog
  // What the dialogs were opened with: "save|<pattern>|<extension>|<default name>"
  // or "open|<pattern>|<extension>".
  std::vector<std::string> asked;

 private:
  std::string next();
};

// All fakes together, wired to one log.
struct FakeUi {
  EventLog log;
  FakeWindow window{log};
  FakeShell shell{log};
  FakeMenuBar menu{log};
  FakeDialogRunner dialogs{shell, log};
  FakeFileDialogs files;

  FakeUi() {
    dialogs.window = &window;
    files.window = &window;
  }
  FakeUi(const FakeUi&) = delete;
  FakeUi& operator=(const FakeUi&) = delete;
};

}  // namespace fake
