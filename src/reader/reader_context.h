// What the reader's commands work with: the reader session, the driver and
// the shell (boxes, beeps, the wait cursor, starting programs).
#pragma once

#include "platform/ports.h"
#include "reader/driver.h"
#include "reader/reader_session.h"

struct ReaderContext {
  ReaderSession& session;
  DriverTable& drv;
  port::Shell& shell;
};
