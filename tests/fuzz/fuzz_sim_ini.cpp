// The simulator's pelox-sim.ini reader: any text gives a usable
// configuration, every value inside its range.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "sim/card.h"
#include "sim/config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> problems;
  const sim::Config c = sim::parseIni(text, problems);
  FUZZ_CHECK(c.port == 100 || (c.port >= 0 && c.port <= 3));
  FUZZ_CHECK(c.version.size() <= 20);
  const auto& names = sim::cardTypeNames();
  FUZZ_CHECK(c.cardType == "none" || std::find(names.begin(), names.end(), c.cardType) != names.end());
  FUZZ_CHECK(c.faults.failCall >= 0 && c.faults.pullAtCall >= 0 && c.faults.dropReaderAtCall >= 0);
  return 0;
}
