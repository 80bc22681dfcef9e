// The PC/SC driver's functions in a driver table, checked against the one
// function list at compile time (calling convention included), so the i686
// build cannot drift from the x86_64 and native builds.
#include <type_traits>

#include "pcsc/api_support.h"
#include "pcsc/pcsc_api.h"

namespace pcsc {

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

void useLinkFactory(Session::LinkFactory factory) {
  std::lock_guard<std::mutex> guard(Session::lock());
  Session::get().useLinkFactory(std::move(factory));
}

}  // namespace pcsc
