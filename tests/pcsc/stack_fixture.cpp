#include "stack_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "sim/state_file.h"

namespace stacktest {

namespace {
bool pcscdRunning() {
  struct stat st {};
  return ::stat("/run/pcscd/pcscd.comm", &st) == 0 && S_ISSOCK(st.st_mode);
}
}  // namespace

void StackTest::SetUp() {
  if (!pcscdRunning()) {
    if (std::getenv("PELOX_PCSCD_REQUIRED") != nullptr)
      FAIL() << "pcscd is not running (scripts/pcscd.sh start)";
    GTEST_SKIP() << "pcscd is not running: start it with scripts/pcscd.sh start and run the tests through "
                    "scripts/pcscd.sh run";
  }
  pcsc::fillDriverTable(d);
  pcsc::useLinkFactory(nullptr);
  ini = ::testing::TempDir() + "pelox-pcsc-stack-" + std::to_string(::getpid()) + ".ini";
  std::ofstream(ini) << "[reader]\nname = Virtual PCD 00 00\n";
  ::setenv("PELOX_PCSC_INI", ini.c_str(), 1);
}

void StackTest::TearDown() {
  if (h > 0) d.IC_ExitComm(h);
  reader_.reset();
  conforms();
  pseudo_.reset();
  ::unsetenv("PELOX_PCSC_INI");
  std::remove(ini.c_str());
}

void StackTest::start(const std::string& type, Generation generation) {
  if (h > 0) d.IC_ExitComm(h);
  reader_.reset();
  conforms();
  h = d.IC_InitComm(100);
  ASSERT_GT(h, 0) << "no reader named \"Virtual PCD 00 00\"";
  // pcscd polls its readers: the last test's card must be gone before the
  // next one goes in, or the new card is taken for the old one.
  ASSERT_TRUE(waitForStatus(1)) << "pcscd still sees the last card";
  pseudo_ = std::make_unique<vreader::PseudoCard>(sim::makeCard(type), generation);
  reader_ = std::make_unique<vreader::VirtualReader>(*pseudo_);
  ASSERT_TRUE(reader_->insert()) << "vpcd does not answer: run the tests through scripts/pcscd.sh run";
  ASSERT_TRUE(waitForStatus(0)) << "pcscd did not see the card";
}

void StackTest::conforms() {
  if (!pseudo_) return;
  for (const std::string& v : pseudo_->violations()) ADD_FAILURE() << "the driver sent an undocumented APDU: " << v;
  pseudo_->clearViolations();
}

bool StackTest::waitForStatus(short status) {
  for (int i = 0; i < 100; ++i) {
    if (d.IC_Status(h) == status) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::string StackTest::state() {
  return reader_->withCard([](vreader::PseudoCard& c) { return sim::stateText(c.card()); });
}

std::vector<std::uint8_t> StackTest::read(short address, short length) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
  last = d.IC_Read(h, address, length, out.data());
  return out;
}

}  // namespace stacktest
