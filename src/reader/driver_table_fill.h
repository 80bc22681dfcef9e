// Included once by each reader driver (the simulator, the PC/SC driver),
// inside its namespace, where api::<name> are its exported functions: checks
// each against the one function list at compile time (calling convention
// included), so the i686 build cannot drift from the x86_64 and native
// builds, and defines fillDriverTable. The including file has <type_traits>
// and DriverTable. No include guard: it defines, so one source includes it.

#define PELOX_FN(ret, name, params, args, bytes)                                               \
  static_assert(std::is_same_v<decltype(&api::name), pelox::name##_fn>, #name " has drifted"); \
  [[maybe_unused]] static constexpr pelox::name##_fn kCheck_##name = &api::name;
#include "reader/driver_functions.h"
#undef PELOX_FN

void fillDriverTable(DriverTable& table) {
#define PELOX_FN(ret, name, params, args, bytes) table.name = &api::name;
#include "reader/driver_functions.h"
#undef PELOX_FN
}
