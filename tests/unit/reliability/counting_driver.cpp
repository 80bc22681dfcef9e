#include "reliability/counting_driver.h"

#include "sim/sim_api.h"

namespace reliab {
namespace {

std::vector<std::string> g_calls;

const DriverTable& simTable() {
  static const DriverTable t = [] {
    DriverTable s;
    sim::fillDriverTable(s);
    return s;
  }();
  return t;
}

#define PELOX_FN(ret, name, params, args, bytes)   \
  ret PELOX_API counted_##name params {            \
    g_calls.emplace_back(#name);                   \
    return simTable().name args;                   \
  }
#include "reader/driver_functions.h"
#undef PELOX_FN

}  // namespace

DriverTable& countingDriver() {
  static DriverTable t = [] {
    DriverTable c;
#define PELOX_FN(ret, name, params, args, bytes) c.name = &counted_##name;
#include "reader/driver_functions.h"
#undef PELOX_FN
    return c;
  }();
  return t;
}

const std::vector<std::string>& driverCalls() { return g_calls; }
void clearCalls() { g_calls.clear(); }

}  // namespace reliab
