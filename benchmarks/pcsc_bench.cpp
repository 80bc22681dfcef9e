// The PC/SC driver's cost: its own processing per APDU (against a link that
// answers at once) next to the round trip of the same APDU through pcsc-lite,
// pcscd, vpcd and the virtual reader, as a ratio of one run; and whole card
// reads through the stack. Run it in the test pcscd's namespace:
//   scripts/pcscd.sh start && scripts/pcscd.sh run build/bench/benchmarks/pcsc_bench
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "pcsc/pcsc_api.h"
#include "pcsc/vreader/virtual_reader.h"
#include "cards/card_types.h"

namespace {

using Clock = std::chrono::steady_clock;
using pelox::DriverType;

// Answers every APDU with 16 bytes and 90 00 at once: what remains is the
// driver's own work.
class InstantLink : public pcsc::Link {
 public:
  std::optional<std::string> attach(const std::string&) override { return "Instant"; }
  void detach() override {}
  pcsc::Presence presence() override { return pcsc::Presence::Card; }
  bool connect() override { return true; }
  std::optional<pcsc::Bytes> reset(int) override { return pcsc::Bytes{0x3B, 0x02, 0x14, 0x50}; }
  int protocol() const override { return 0; }
  void disconnect(bool) override {}
  std::optional<pcsc::Bytes> transmit(const pcsc::Bytes& apdu) override {
    if (apdu.size() > 4 && apdu[1] == 0xB0) {
      pcsc::Bytes r(apdu[4], 0x5A);
      r.push_back(0x90);
      r.push_back(0x00);
      return r;
    }
    return pcsc::Bytes{0x90, 0x00};
  }
  pcsc::Failure lastFailure() const override { return pcsc::Failure::None; }
};

// Microseconds per call of `f` over `n` calls.
template <class F>
double perCall(int n, F&& f) {
  auto start = Clock::now();
  for (int i = 0; i < n; ++i) f();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / n;
}

bool waitForCard(DriverTable& d, int h) {
  for (int i = 0; i < 200; ++i) {
    if (d.IC_Status(h) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

}  // namespace

int main() {
  DriverTable d;
  pcsc::fillDriverTable(d);
  unsigned char buffer[8192];

  pcsc::useLinkFactory([] { return std::make_unique<InstantLink>(); });
  int h = d.IC_InitComm(100);
  d.IC_InitType(h, pelox::codeOf(DriverType::I2c));
  const double own = perCall(200000, [&] { d.IC_Read(h, 0, 16, buffer); });
  d.IC_ExitComm(h);

  pcsc::useLinkFactory(nullptr);
  const std::string ini = "/tmp/pelox-pcsc-bench.ini";
  std::ofstream(ini) << "[reader]\nname = Virtual PCD 00 00\n";
  ::setenv("PELOX_PCSC_INI", ini.c_str(), 1);
  auto run = [&](const char* type, DriverType driverType, short length, int rounds) {
    vreader::PseudoCard card(sim::makeCard(type), vreader::Generation::Newer);
    vreader::VirtualReader reader(card);
    if (!reader.insert()) std::exit(1);
    int handle = d.IC_InitComm(100);
    if (handle <= 0 || !waitForCard(d, handle) || d.IC_InitType(handle, pelox::codeOf(driverType)) != 0) {
      std::fprintf(stderr, "pcsc_bench: no card through pcscd (is pcscd of scripts/pcscd.sh running, and this in its namespace?)\n");
      std::exit(1);
    }
    double us = perCall(rounds, [&] {
      if (d.IC_Read(handle, 0, length, buffer) != 0) std::exit(1);
    });
    d.IC_ExitComm(handle);
    reader.pull();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // pcscd sees the card go
    return us;
  };
  const double roundTrip = run("24c02", DriverType::I2c, 16, 2000);
  const double sle4442 = run("sle4442", DriverType::Sle4442, 256, 50);
  const double c24c64 = run("24c64", DriverType::I2cTwoByteAddress, 8192, 20);
  std::remove(ini.c_str());

  std::printf("driver's own processing per APDU (16-byte read): %8.2f us\n", own);
  std::printf("round trip through pcscd and vpcd (same APDU):   %8.2f us\n", roundTrip);
  std::printf("ratio round trip / driver:                        %8.0f\n", roundTrip / own);
  std::printf("whole SLE4442 read (256 bytes, 2 APDUs):          %8.2f ms\n", sle4442 / 1000);
  std::printf("whole 24C64 read (8192 bytes, 64 APDUs):          %8.2f ms\n", c24c64 / 1000);
  return 0;
}
