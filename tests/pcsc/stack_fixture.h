// The PC/SC driver through the whole stack: pcsc-lite, pcscd, vsmartcard's
// vpcd and the virtual reader of pcsc/vreader, which answers on top of the
// simulated card models. Needs the pcscd of scripts/pcscd.sh, and the test
// program running in its network namespace (scripts/pcscd.sh run ...),
// where vpcd listens on the loopback only.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pcsc/pcsc_api.h"
#include "pcsc/vreader/virtual_reader.h"
#include "cards/card_types.h"

namespace stacktest {

using vreader::Generation;

class StackTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A factory card of `type` in the virtual reader, the driver's reader
  // opened and the card seen by pcscd.
  void start(const std::string& type, Generation generation = Generation::Newer);
  // Waits until IC_Status answers `status` (pcscd polls its readers).
  bool waitForStatus(short status);
  void pull() { reader_->pull(); }
  // Fails the test for every APDU outside the readers' documented forms.
  void conforms();
  sim::Card& card() { return pseudo_->card(); }
  std::string state();
  std::vector<std::uint8_t> read(short address, short length);

  DriverTable d;
  int h = 0;
  short last = 0;
  std::string ini;
  std::unique_ptr<vreader::PseudoCard> pseudo_;
  std::unique_ptr<vreader::VirtualReader> reader_;
};

}  // namespace stacktest
