// The simulator's functions in a driver table.
#include <type_traits>

#include "sim/api_support.h"
#include "sim/sim_api.h"

namespace sim {

#include "reader/driver_table_fill.h"

}  // namespace sim
