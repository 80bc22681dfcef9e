// Stand-ins for driver functions that pelox.dll does not provide (or for
// all of them when the DLL is missing): the program keeps running with no
// reader instead of calling through a null pointer.
#pragma once

#include <string>
#include <vector>

#include "reader/driver.h"

namespace driver_fallback {

// What the stand-ins return: IC_InitComm reports no reader (-1), every
// other function a negative error. Output buffers are left untouched.
inline constexpr int kNoReader = -1;
inline constexpr short kMissing = -1;

// Fills every empty slot of the table with its stand-in and returns the
// names of the slots it filled, in table order.
std::vector<std::string> fillMissing(DriverTable& table);

// The operator's message for a driver that could not be loaded at all
// (`path`, `reason`) or that lacks functions; "" when nothing is missing.
std::string missingDllMessage(const std::string& path, const std::string& reason);
std::string missingFunctionsMessage(const std::string& path, const std::vector<std::string>& missing);

}  // namespace driver_fallback
