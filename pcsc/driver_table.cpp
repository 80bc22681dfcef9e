// The PC/SC driver's functions in a driver table.
#include <type_traits>

#include "pcsc/api_support.h"
#include "pcsc/pcsc_api.h"

namespace pcsc {

#include "reader/driver_table_fill.h"

void useLinkFactory(Session::LinkFactory factory) {
  std::lock_guard<std::mutex> guard(Session::lock());
  Session::get().useLinkFactory(std::move(factory));
}

}  // namespace pcsc
