// The simulator's name for the drivers' result codes (driverlib/errors.h).
#pragma once

#include "driverlib/errors.h"

namespace sim {
namespace err = driverlib::err;
}  // namespace sim
