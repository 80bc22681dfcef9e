// The pieces of the answer-to-reset decoder: the meaning of each interface
// byte and of the historical bytes.
#pragma once

#include <cstdint>
#include <string>

#include "apdu/atr_decoder.h"

namespace apdu::atr {

// Where an interface byte stands: its group i (TA1 is group 1) and the
// protocol that the TD before it named (-1 in group 1); `first` when it is
// the first byte of its kind (TA, TB or TC) for that protocol after group 2.
struct Position {
  char kind = 'A';  // 'A', 'B' or 'C'
  int group = 1;
  int protocol = -1;
  bool first = true;
};

// The meaning of one interface byte TAi, TBi or TCi; records what it sets
// (Fi, Di) and its invalid values in `d`.
std::string interfaceMeaning(const Position& at, std::uint8_t value, AtrDecoding& d);

// "T=1（异步半双工块传输）".
std::string protocolName(int t);

// The historical bytes (category indicator, COMPACT-TLV objects), as items
// under one "历史字节" item. `expected` is the count T0 announced; fewer
// bytes mean the answer ended inside them.
void decodeHistorical(const Bytes& bytes, std::size_t offset, std::size_t expected, AtrDecoding& d);

std::string byteHex(std::uint8_t b);

}  // namespace apdu::atr
