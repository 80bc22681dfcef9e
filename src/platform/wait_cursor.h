// The wait cursor for the length of a scope: restored when the scope ends,
// whichever way, or earlier before a message box.
#pragma once

#include "platform/ports.h"

class WaitCursor {
 public:
  explicit WaitCursor(port::Shell& shell) : shell_(shell) { shell_.setWaitCursor(true); }
  ~WaitCursor() { restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void restore() {
    if (on_) shell_.setWaitCursor(false);
    on_ = false;
  }

 private:
  port::Shell& shell_;
  bool on_ = true;
};
