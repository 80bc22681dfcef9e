// The answer to reset of a CPU card read as ISO/IEC 7816-3 defines it: the
// convention, the interface bytes with their parameters, the protocols
// offered, the historical bytes and the check byte. A malformed answer is
// read as far as it goes; the decoding says where it stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "apdu/hex_bytes.h"

namespace apdu {

// One byte of the answer (or a run of historical bytes) and what it means.
struct AtrItem {
  std::string name;  // "TS", "T0", "TA1", ..., "TCK", "历史字节"; "" under the historical bytes
  std::size_t offset = 0;
  Bytes bytes;
  std::string meaning;
  int depth = 0;  // 1: a part of the historical bytes
};

enum class TckStatus {
  NotRequired,  // only T=0 offered: no check byte
  Ok,
  Wrong,
  Missing,
};

struct AtrDecoding {
  std::vector<AtrItem> items;
  // The protocols offered (the T of each TDi but T=15, in order, once
  // each); T=0 when the answer has no TD1.
  std::vector<int> protocols;
  bool inverseConvention = false;
  int fi = 372;  // clock rate conversion in effect (TA1, else the default)
  int di = 1;
  TckStatus tck = TckStatus::NotRequired;
  std::uint8_t expectedTck = 0;  // the XOR of T0 up to the byte before TCK
  // Where the decoding stopped before the end of a complete answer; empty
  // when the answer was read to its end.
  std::string stop;
  // Faults of a complete or incomplete answer: invalid values, a wrong
  // check byte, bytes after the end.
  std::vector<std::string> errors;

  bool complete() const { return stop.empty(); }
};

AtrDecoding decodeAtr(const Bytes& atr);

// The decoding as text, one line per byte and a summary, lines ended by
// CR LF.
std::string atrReport(const AtrDecoding& decoding);

// The bytes of an answer to reset at most (TS and 32 more).
inline constexpr std::size_t kMaxAtrBytes = 33;

}  // namespace apdu
