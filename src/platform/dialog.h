// Modal dialogs: a dialog object of the core runs on a dialog template and
// reaches its controls through DialogControls.
#pragma once

#include <string>
#include <string_view>

#include "platform/ports.h"
#include "platform/timer_list.h"

namespace port {

// Notification codes delivered with onCommand.
namespace notify {
inline constexpr int kClicked = 0;      // BN_CLICKED
inline constexpr int kEditChange = 0x300;  // EN_CHANGE
}  // namespace notify

// Mouse messages delivered with onMouse (Win32 values).
namespace mouse {
inline constexpr int kRightDoubleClick = 0x0206;  // WM_RBUTTONDBLCLK
}

// The controls of an open dialog.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  virtual std::string text(int id) = 0;
  // Setting a text from the core never delivers an edit-change
  // notification: only the operator's own changes reach onCommand.
  virtual void setText(int id, std::string_view utf8) = 0;
  virtual void show(int id, bool visible) = 0;
  virtual void enable(int id, bool enabled) = 0;
  virtual void check(int id, bool checked) = 0;
  virtual bool isChecked(int id) = 0;
  virtual void setFocus(int id) = 0;
  // Select the whole text of an edit and scroll its caret into view.
  virtual void selectAll(int id) = 0;
  virtual void limitText(int id, int characters) = 0;
  // Put an edit's caret after its last character and scroll it into view
  // (the newest lines of a log). Controls that cannot scroll ignore it.
  virtual void scrollToEnd(int /*id*/) {}
  virtual void setCaption(std::string_view utf8) = 0;
  virtual void end(int result) = 0;
  // A message box owned by the dialog.
  virtual int messageBox(std::string_view text, std::string_view caption, unsigned style) = 0;
  // The dialog's timer (calls Dialog::onTimer) and its list box `id`.
  virtual Timer& timer() = 0;
  virtual LineList& list(int id) = 0;
};

// Base class of every dialog of the core. The platform calls the handlers;
// none of them may throw across it (the platform catches and reports).
class Dialog {
 public:
  virtual ~Dialog() = default;
  virtual int templateId() const = 0;
  // WM_INITDIALOG. Return true to let the platform set the default focus,
  // false when the dialog set the focus itself.
  virtual bool onInit(DialogControls&) { return true; }
  // WM_COMMAND from a control (button click, edit change). Buttons 1 (OK)
  // and 2 (Cancel) come here too; the defaults call onOK / onCancel.
  virtual void onCommand(DialogControls& c, int id, int code) {
    if (code != notify::kClicked) return;
    if (id == mb::kIdOk) onOK(c);
    if (id == mb::kIdCancel) onCancel(c);
  }
  virtual void onOK(DialogControls& c) { c.end(mb::kIdOk); }
  virtual void onCancel(DialogControls& c) { c.end(mb::kIdCancel); }
  // The dialog's timer went off (see Timer).
  virtual void onTimer(DialogControls&) {}
  // Mouse messages on the dialog's client area, in pixels.
  virtual void onMouse(DialogControls&, int /*message*/, Point /*p*/) {}
};

// Runs a dialog modally on its template; returns the result passed to end()
// (IDCANCEL when the dialog was closed by its close box or Escape), or -1
// when the dialog could not be created.
class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  virtual int runModal(Dialog& dialog) = 0;
};

}  // namespace port
