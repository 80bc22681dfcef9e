// What the view's window hands to the view object: the window messages the
// view reacts to and the command table it owns. The Win32 layer talks to
// this interface; the application object decides what stands behind it.
#pragma once

#include "platform/ports.h"

class ViewEvents {
 public:
  virtual ~ViewEvents() = default;
  virtual void onCreate() = 0;
  virtual void onDestroy() = 0;
  // Draws the whole view on the off-screen surface of a paint.
  virtual void onPaint(port::Surface& offscreen) = 0;
  virtual void onKeyDown(int virtualKey) = 0;
  virtual void onChar(unsigned character) = 0;
  virtual void onLButtonDown(port::Point p) = 0;
  // WM_SETFOCUS (true) and WM_KILLFOCUS (false).
  virtual void onFocus(bool gained) = 0;
  virtual bool hasCommand(int id) const = 0;
  // Runs the view's handler of a command; false when it has none.
  virtual bool onCommand(int id) = 0;
  // Before the program ends by the operator's command or the window's
  // close button: false keeps it running.
  virtual bool confirmClose() { return true; }
};
