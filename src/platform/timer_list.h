// Two controls of an open dialog that a long job needs: a timer that calls
// the dialog back, so the job goes on in short steps without blocking the
// window, and a list of lines that grows at the end.
#pragma once

#include <string>
#include <string_view>

namespace port {

// The dialog's one timer, one-shot: after arm(ms) the dialog's onTimer is
// called once, about `ms` milliseconds later (at least the platform's
// shortest interval), from the message loop. Arming again replaces the
// pending call; cancel drops it. Closing the dialog cancels it too.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void arm(int ms) = 0;
  virtual void cancel() = 0;
  virtual bool armed() const = 0;
};

// A list box: lines added at the end, the newest scrolled into view.
class LineList {
 public:
  virtual ~LineList() = default;
  virtual void add(std::string_view utf8) = 0;
  virtual void clear() = 0;
  virtual int count() = 0;
  virtual std::string line(int index) = 0;
};

}  // namespace port
