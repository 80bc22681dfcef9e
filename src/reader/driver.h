// The driver table: the one door from the program to the reader driver.
//
// Every call site goes through a DriverTable, so the vendor's pelox.dll, our
// simulated reader, a scripted fake or a tracing wrapper can stand behind it
// without touching the handlers.
#pragma once

#include <string_view>

// The calling convention of the driver's exports. On 32-bit Windows this is
// stdcall (the vendor's DLL); on x86_64 and native builds there is one
// convention and the macro is empty.
#if defined(_WIN32) && !defined(_WIN64)
#define PELOX_API __stdcall
#else
#define PELOX_API
#endif

namespace pelox {

// One function-pointer type per driver function: pelox::IC_Read_fn, ...
#define PELOX_FN(ret, name, params, args, bytes) using name##_fn = ret(PELOX_API*) params;
#include "reader/driver_functions.h"
#undef PELOX_FN

// Number of functions in the driver.
inline constexpr int kFunctionCount = 0
#define PELOX_FN(ret, name, params, args, bytes) +1
#include "reader/driver_functions.h"
#undef PELOX_FN
    ;
static_assert(kFunctionCount == 69, "the reader driver has 69 functions");

}  // namespace pelox

// Typed pointers, one per driver function, with the driver's own names.
// A null pointer means the function is missing: call through `call()` or
// check `complete()` before use.
struct DriverTable {
#define PELOX_FN(ret, name, params, args, bytes) pelox::name##_fn name = nullptr;
#include "reader/driver_functions.h"
#undef PELOX_FN

  // True when every function is present.
  bool complete() const;
  // Name of the first missing function, or nullptr.
  const char* firstMissing() const;
};

// Names and 32-bit stack sizes of the driver functions, in table order
// (the loader uses them for GetProcAddress and the `_Name@N` form).
struct DriverFunctionInfo {
  const char* name;
  int argumentBytes;
};
extern const DriverFunctionInfo kDriverFunctions[pelox::kFunctionCount];

// Slot i of the table as an untyped pointer (for the loader and checks).
void** driverSlot(DriverTable& table, int i);

// Length in bytes of the code a memory-card password call passes without a
// length argument (SLE4442 3 bytes, AT88SC102 application zone 1 6 bytes and
// its other zones 4, the others 2); -1 for any other function. `zone` is the
// call's zone argument where it has one.
int passwordCodeLength(std::string_view function, long long zone = 0);
