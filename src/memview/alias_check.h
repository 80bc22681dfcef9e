// A 24Cxx chip smaller than the card type chosen for it ignores the
// address bits above its size: a row written beyond its end lands on the
// row at the address modulo its size (a 24C01A takes 0x80 for 0x00), and
// the read-back at the row's own address finds it right. So a row write on
// a 24C02 to 24C16 also reads the rows a smaller chip would alias it to,
// before and after, and writes back any byte the write changed there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memview/card_context.h"

namespace memview {

// The operator's text about an aliased write begins so.
inline constexpr const char* kAliasedWrite = "卡片比所选卡型小，写入的数据落到了别的地址上";

// A byte that a row write changed at another address.
struct AliasedByte {
  int address = 0;
  std::uint8_t before = 0;  // held before the write, and written back
  std::uint8_t after = 0;   // what the write left there
  bool restored = false;    // read back as `before` after the write-back
  friend bool operator==(const AliasedByte&, const AliasedByte&) = default;
};

// The first addresses of the rows that a chip of each size from 128 to
// 2048 bytes, smaller than the card type's, takes the row at `rowAddress`
// for; none for any other card type.
std::vector<int> aliasRows(CardType cardType, int byteCount, int rowAddress);

class AliasCheck {
 public:
  AliasCheck(CardContext ctx, int rowAddress, int length);

  // Before the write: reads the alias rows. False when the card refuses.
  bool readBefore();
  // After the write: reads them again; the bytes that changed are written
  // back and read once more. False when the card refuses a read.
  bool restoreChanged(std::vector<AliasedByte>& changed);

 private:
  CardContext ctx_;
  int length_;
  std::vector<int> rows_;
  std::vector<std::vector<std::uint8_t>> before_;
};

// The operator's text: the row written, each byte it changed elsewhere
// with its value before and after, and whether it was written back.
std::string aliasedWriteText(int rowAddress, const std::vector<AliasedByte>& bytes);

}  // namespace memview
