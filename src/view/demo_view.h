// CDemoView: the memory view. It owns the card catalogue and the drawing
// operations, and dispatches the view's commands, keys and mouse clicks to
// the handlers that the command modules install.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/dialog.h"
#include "platform/ports.h"
#include "reader/driver.h"
#include "cards/card_catalogue.h"
#include "view/view_context.h"
#include "view/view_painter.h"

struct AppState;
class CDemoDoc;

class CDemoView {
 public:
  using CommandHandler = std::function<void(int id)>;
  using KeyHandler = std::function<void(int virtualKey)>;
  using CharHandler = std::function<void(unsigned character)>;
  using MouseHandler = std::function<void(port::Point p)>;

  CDemoView(AppState& st, CDemoDoc& doc, DriverTable& drv, port::ViewWindow& window, port::Shell& shell,
            port::MenuBar& menu, port::DialogRunner& dialogs, port::FileDialogs& files);
  ~CDemoView();
  CDemoView(const CDemoView&) = delete;
  CDemoView& operator=(const CDemoView&) = delete;

  // The command table: one handler per command id.
  void addCommand(int id, CommandHandler h);
  void addCommandRange(int first, int last, CommandHandler h);
  bool hasCommand(int id) const;
  // Runs the handler of `id`; false when the view has none. A command that
  // arrives while another runs (its boxes and dialogs open) is dropped with
  // one beep and counts as taken, whoever would have handled it.
  bool onCommand(int id);
  // A command run by the running command itself (Ctrl+O entering edit
  // mode): not input, so not dropped.
  bool runNested(int id);
  // A key the running command sends itself (the detection's Escape).
  void nestedKeyDown(int virtualKey) {
    if (keyDown) keyDown(virtualKey);
  }
  // Whether a command, key or click is being handled (a batch run included:
  // its dialog is modal, so its command runs until the dialog closes).
  bool busy() const { return running_ > 0; }
  // "退出系统" and the window's close button: true when the program may end
  // (no edits pending, or the operator agrees to discard them).
  bool confirmClose();

  // Window messages.
  void onCreate();   // after the window exists: opens the reader
  void onDestroy();  // closes the reader
  void onPaint(port::Surface& offscreen);
  void onKeyDown(int virtualKey);
  void onChar(unsigned character);
  void onLButtonDown(port::Point p);
  // The view gained (true) or lost the keyboard focus.
  void onFocus(bool gained);

  // Hooks the command modules install (each a list, run in order).
  std::vector<std::function<void()>> createHooks;
  std::vector<std::function<void()>> destroyHooks;
  KeyHandler keyDown;
  CharHandler charInput;
  MouseHandler leftButtonDown;
  std::function<void(bool gained)> focusChange;
  // A read of the card that the program makes by itself (after a verified
  // code): it does not ask before it drops pending edits, it says so.
  std::function<void()> rereadCard;

  ViewContext& context() { return ctx_; }
  ViewPainter& painter() { return painter_; }
  CardCatalogue& catalogue() { return catalogue_; }

 private:
  CardCatalogue catalogue_;
  ViewPainter painter_;
  ViewContext ctx_;
  std::map<int, CommandHandler> commands_;
  int running_ = 0;

  // False, after one beep, while the view is busy: the input is dropped.
  bool admit();
  // Runs `f` as the view's running command.
  template <typename F>
  void asCommand(F&& f) {
    ++running_;
    struct Leave {
      int& n;
      ~Leave() { --n; }
    } leave{running_};
    f();
  }
};

// Installs every command module's handlers into the view (view_modules.cpp).
void installViewModules(CDemoView& view);
