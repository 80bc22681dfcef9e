// The answer-to-reset decoder on any bytes: never a crash, every item
// inside the answer, and its verdicts agree with the bytes.
#include <cstdint>
#include <string>

#include "apdu/atr_decoder.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64) return 0;  // an answer to reset has 33 bytes at most
  const apdu::Bytes atr(data, data + size);
  const apdu::AtrDecoding d = apdu::decodeAtr(atr);
  const std::string report = apdu::atrReport(d);
  FUZZ_CHECK(!report.empty());
  FUZZ_CHECK(!atr.empty() || !d.complete());
  for (const apdu::AtrItem& it : d.items) {
    FUZZ_CHECK(it.offset + it.bytes.size() <= atr.size());
    for (std::size_t i = 0; i < it.bytes.size(); ++i) FUZZ_CHECK(it.bytes[i] == atr[it.offset + i]);
  }
  if (d.complete()) FUZZ_CHECK(!d.protocols.empty());
  if (d.tck == apdu::TckStatus::Ok || d.tck == apdu::TckStatus::Wrong) {
    // The check byte is the last item of the top level; with it the XOR
    // of T0 to TCK is 00 exactly when it is right.
    std::size_t tckAt = 0;
    for (const apdu::AtrItem& it : d.items)
      if (it.name == "TCK") tckAt = it.offset;
    FUZZ_CHECK(tckAt >= 2);
    std::uint8_t x = 0;
    for (std::size_t i = 1; i <= tckAt; ++i) x ^= atr[i];
    FUZZ_CHECK((x == 0) == (d.tck == apdu::TckStatus::Ok));
  }
  return 0;
}
