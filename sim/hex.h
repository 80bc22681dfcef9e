// The simulator's names for the drivers' hexadecimal text (driverlib/hex.h).
#pragma once

#include "driverlib/hex.h"

namespace sim {
using driverlib::boundedText;
using driverlib::fromHex;
using driverlib::fromHexAll;
using driverlib::toHex;
}  // namespace sim
