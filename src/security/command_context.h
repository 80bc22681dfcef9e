// What the card security commands (codes, erases, fuses, authentication)
// work with: the reader session, the driver, the shell, the dialogs and the
// status lines they report progress on.
#pragma once

#include <string_view>

#include "platform/dialog.h"
#include "platform/ports.h"
#include "reader/driver.h"
#include "reader/reader_session.h"

namespace security {

// Where a command reports its progress: the view's status lines, and the
// editor that a password command leaves. The view implements it.
class StatusDisplay {
 public:
  virtual ~StatusDisplay() = default;
  virtual void showStatus(int line, std::string_view text) = 0;
  virtual void eraseStatus(int line, std::string_view text) = 0;
  // Leaves hexadecimal editing: edit mode off, the caret hidden and the
  // caret information redrawn.
  virtual void leaveEditing() = 0;
};

struct CommandContext {
  ReaderSession& session;
  DriverTable& drv;
  port::Shell& shell;
  port::DialogRunner& dialogs;
  StatusDisplay& status;
};

}  // namespace security
