// The simulator's hex2asc / asc2hex through the driver table: exact-size
// buffers, so a byte written past the count is an ASan report.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "sim/sim_api.h"

namespace {
const DriverTable& driver() {
  static DriverTable table = [] {
    sim::TestReader::reset("none");
    DriverTable t;
    sim::fillDriverTable(t);
    return t;
  }();
  return table;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const DriverTable& d = driver();
  FuzzedDataProvider in(data, size);
  const short count = in.ConsumeIntegralInRange<short>(-2, 300);
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::size_t n = count < 0 ? 0 : static_cast<std::size_t>(count);

  // Text to bytes: either refused or every digit pair read.
  std::vector<std::uint8_t> bytes(n);
  const short r = d.hex2asc(text.c_str(), bytes.data(), count);
  if (count < 0) FUZZ_CHECK(r != 0);
  if (r == 0) {
    const std::string digits(text.c_str());  // what the driver sees: up to the NUL
    FUZZ_CHECK(digits.size() >= 2 * n);
    std::vector<char> back(2 * n + 1, '\x7f');
    FUZZ_CHECK(d.asc2hex(bytes.data(), back.data(), count) == 0);
    FUZZ_CHECK(back[2 * n] == '\0');
    for (std::size_t i = 0; i < 2 * n; ++i)
      FUZZ_CHECK(back[i] == static_cast<char>(std::toupper(static_cast<unsigned char>(digits[i]))));
  }

  // Bytes to text and back.
  const std::size_t m = std::min<std::size_t>(text.size(), 300);
  std::vector<char> hex(2 * m + 1);
  FUZZ_CHECK(d.asc2hex(reinterpret_cast<const unsigned char*>(text.data()), hex.data(), static_cast<short>(m)) == 0);
  std::vector<std::uint8_t> again(m);
  FUZZ_CHECK(d.hex2asc(hex.data(), again.data(), static_cast<short>(m)) == 0);
  FUZZ_CHECK(std::equal(again.begin(), again.end(), reinterpret_cast<const std::uint8_t*>(text.data())));
  return 0;
}
