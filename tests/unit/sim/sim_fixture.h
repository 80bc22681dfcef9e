// A driver table on the native simulator with a fresh in-memory reader.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/driver.h"
#include "sim/sim_api.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::fillDriverTable(d); }
  // A fresh reader on USB with a factory card of `type`, opened.
  void start(const std::string& type) {
    sim::TestReader::reset(type, 100);
    h = d.IC_InitComm(100);
    ASSERT_GT(h, 0);
  }
  Bytes read(short address, short length) {
    Bytes out(static_cast<std::size_t>(length));
    last = d.IC_Read(h, address, length, out.data());
    return out;
  }
  DriverTable d;
  int h = 0;
  short last = 0;
};

// The card type detection chain of the program, probe by probe, against the
// driver: returns the card type code it finds, or -1.
int detectCardType(DriverTable& d, int h);

}  // namespace simtest
