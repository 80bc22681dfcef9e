// The exports of the PC/SC pelox.dll: plain C names (undecorated through
// pelox.def), stdcall on 32-bit Windows, each handing over to the driver.
#include "pcsc/api_support.h"

extern "C" {
#define PELOX_FN(ret, name, params, args, bytes) \
  ret PELOX_API name params { return pcsc::api::name args; }
#include "reader/driver_functions.h"
#undef PELOX_FN
}
