// PackHexDigits and ParseHexPairs on any text and any length.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "security/hex_digits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int n = in.ConsumeIntegralInRange<int>(-8, 600);
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::size_t count = n < 0 ? 0 : static_cast<std::size_t>(n);

  const auto packed = PackHexDigits(text, n);
  FUZZ_CHECK(packed.size() == count / 2 + 1);
  FUZZ_CHECK(packed.back() == 0);

  const auto pairs = ParseHexPairs(text, n);
  FUZZ_CHECK(pairs.size() == count + 1);
  FUZZ_CHECK(pairs.back() == 0);

  // On hexadecimal digits both read the same bytes, the ones strtol reads.
  if (isHexText(text) && n >= 0 && text.size() >= count) {
    const auto half = ParseHexPairs(text, n / 2);
    for (std::size_t k = 0; k < count / 2; ++k) {
      FUZZ_CHECK(packed[k] == half[k]);
      const std::string pair = text.substr(2 * k, 2);
      FUZZ_CHECK(half[k] == static_cast<std::uint8_t>(std::strtol(pair.c_str(), nullptr, 16)));
    }
  }
  return 0;
}
