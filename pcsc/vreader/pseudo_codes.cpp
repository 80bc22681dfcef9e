// The SLE4442's and SLE4428's codes, counters and protection (types 05 and
// 06), and the SLE4404's erase and codes (type 08).
#include "pcsc/vreader/pseudo_card.h"
#include "sim/cards_memory.h"

namespace vreader {

Bytes PseudoCard::codes(const Bytes& apdu) {
  const std::uint8_t ins = apdu[1];
  const int address = apdu[2] << 8 | apdu[3];
  const std::size_t p3 = apdu[4];
  const Bytes data(apdu.begin() + 5, apdu.end());
  if (!card_->speaks(driverTypeOf(type_))) return {0x6A, 0x81};
  if (type_ == 8) {
    if (ins == 0xD2) {  // the scratch pad's 16-bit word back to 1s
      card_->setRawMemory(static_cast<std::size_t>(address & ~1), Bytes{0xFF, 0xFF});
      return {0x90, 0x00};
    }
    return {0x63, 0x00};  // the codes are not modelled: as if none were left
  }
  auto& sle = dynamic_cast<sim::SleCard&>(*card_);
  const bool is4428 = sle.is4428();
  const auto counter = [&] { return static_cast<std::uint8_t>(sim::fullAttempts(sle.attempts())); };
  switch (ins) {
    case 0xB1: {  // the error counter and dummy bytes, whatever Le asked
      Bytes r(is4428 ? 3 : 4, 0);
      r[0] = counter();
      return withStatus(r, 0x90, 0x00);
    }
    case 0xB2:
      if (is4428 && generation_ == Generation::Older) {  // read without the protection bits
        Bytes out(p3);
        if (sle.read(address, static_cast<int>(p3), out.data()) != sim::err::kOk) return silent();
        return withStatus(out, 0x90, 0x00);
      }
      if (!is4428) return withStatus(packedProtection(sle, 0, 32, 4), 0x90, 0x00);
      return withStatus(packedProtection(sle, address, p3 * 8, p3), 0x90, 0x00);
    case 0xD1:
      // Byte by byte: a byte equal to the data sent is protected for ever,
      // any other is left as it was.
      for (std::size_t i = 0; i < p3; ++i) sle.protect(address + static_cast<int>(i), 1, &data[i]);
      return {0x90, 0x00};
    case 0x20: {
      sle.checkPass(data.data());
      if (generation_ == Generation::Newer) return {0x90, counter()};
      Bytes r{counter()};
      r.insert(r.end(), data.begin(), data.end());
      return withStatus(r, 0x90, 0x00);
    }
    case 0xD2:
      sle.changePass(data.data());  // ignored without the PSC
      return {0x90, 0x00};
    default:
      return {0x6D, 0x00};
  }
}

}  // namespace vreader
