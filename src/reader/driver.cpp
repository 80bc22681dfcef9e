#include "reader/driver.h"

#include <cstddef>

const DriverFunctionInfo kDriverFunctions[pelox::kFunctionCount] = {
#define PELOX_FN(ret, name, params, args, bytes) {#name, bytes},
#include "reader/driver_functions.h"
#undef PELOX_FN
};

void** driverSlot(DriverTable& table, int i) {
  void** slots[] = {
#define PELOX_FN(ret, name, params, args, bytes) reinterpret_cast<void**>(&table.name),
#include "reader/driver_functions.h"
#undef PELOX_FN
  };
  return (i >= 0 && i < pelox::kFunctionCount) ? slots[i] : nullptr;
}

const char* DriverTable::firstMissing() const {
#define PELOX_FN(ret, name, params, args, bytes) \
  if (name == nullptr) return #name;
#include "reader/driver_functions.h"
#undef PELOX_FN
  return nullptr;
}

bool DriverTable::complete() const { return firstMissing() == nullptr; }

int passwordCodeLength(std::string_view function, long long zone) {
  if (function.ends_with("AZPass_102")) return zone == 1 ? 6 : 4;
  if (!function.starts_with("IC_CheckPass_") && !function.starts_with("IC_ChangePass_")) return -1;
  return function.ends_with("SLE4442") ? 3 : 2;
}
