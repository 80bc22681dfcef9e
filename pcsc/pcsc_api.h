// The PC/SC driver as a native library: for tests, tools and benchmarks.
#pragma once

#include "pcsc/session.h"
#include "reader/driver.h"

namespace pcsc {

// Fills a driver table with the PC/SC driver's own functions.
void fillDriverTable(DriverTable& table);

// Every reader opened from now on goes through links made by `factory`
// (null: the PC/SC link again). Closes the open reader.
void useLinkFactory(Session::LinkFactory factory);

}  // namespace pcsc
