// Driver call trace: when installed, every call through the driver table is
// appended to a file as one line: time, function, arguments (buffers in
// hexadecimal, passwords and secret seeds masked), result and duration.
// Works with any driver behind the table (the vendor's or the simulated).
// Not installed, it costs nothing: the table points at the driver itself.
#pragma once

#include <string>

#include "reader/driver.h"

// Routes every function of `table` through the trace, appending to `path`.
// Returns false, leaving the table untouched, when the file cannot be
// opened. One trace per process: a second call replaces the first.
bool installDriverTrace(DriverTable& table, const std::string& path);

// Stops tracing: puts the traced driver back into `table` and closes the file.
void removeDriverTrace(DriverTable& table);

// Appends a note of the program's own between the calls, as a line
// "time # text"; nothing when no trace is installed.
void traceNote(const std::string& text);
