// The exports of pelox.dll: plain C names (undecorated through pelox.def),
// stdcall on 32-bit Windows, each handing over to the simulator.
#include "sim/api_support.h"

extern "C" {
#define PELOX_FN(ret, name, params, args, bytes) \
  ret PELOX_API name params { return sim::api::name args; }
#include "reader/driver_functions.h"
#undef PELOX_FN
}
