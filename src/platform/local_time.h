// The local wall-clock time as text, for logs and records.
#pragma once

#include <string>

// "2026-12-08 06:41:22.241": the local date and time to the millisecond.
std::string localTimestamp();
