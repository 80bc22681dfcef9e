// The simulated reader behind a table that notes every driver call by name,
// in order: the fault sweep counts an operation's calls with it and names
// the call a fault hit.
#pragma once

#include <string>
#include <vector>

#include "reader/driver.h"

namespace reliab {

// Forwarding functions around the simulator's own table.
DriverTable& countingDriver();
// Names of the calls made since the last clearCalls().
const std::vector<std::string>& driverCalls();
void clearCalls();

}  // namespace reliab
