// The PC/SC driver's table over a direct link to a virtual reader's card.
#pragma once

#include <gtest/gtest.h>

#include "pcsc/pcsc_api.h"
#include "pcsc_driver/direct_link.h"
#include "sim/state_file.h"

namespace pcsctest {

class PcscTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pcsc::fillDriverTable(d);
    pcsc::useLinkFactory([this] { return makeDirectLink(reader); });
  }
  // Every APDU the driver sent must be one of the readers' documented forms.
  void TearDown() override {
    pcsc::useLinkFactory(nullptr);
    for (const std::string& v : reader.violations) ADD_FAILURE() << "the driver sent an undocumented APDU: " << v;
  }
  // A factory card of `type` in the reader, the reader opened.
  void start(const std::string& type, vreader::Generation g = vreader::Generation::Newer) {
    reader.insert(type, g);
    h = d.IC_InitComm(100);
    ASSERT_GT(h, 0);
  }
  pcsc::Bytes read(short address, short length) {
    pcsc::Bytes out(static_cast<std::size_t>(length));
    last = d.IC_Read(h, address, length, out.data());
    return out;
  }
  std::string state() { return reader.card ? sim::stateText(reader.card->card()) : ""; }

  DriverTable d;
  DirectReader reader;
  int h = 0;
  short last = 0;
};

}  // namespace pcsctest
