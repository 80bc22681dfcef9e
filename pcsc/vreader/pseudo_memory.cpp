// Plain memory commands (FF B0 / FF D0) under the reader's card types 01,
// 02, 05, 06 and 08, as the chips take them.
#include <algorithm>

#include "pcsc/vreader/pseudo_card.h"
#include "sim/cards_memory.h"

namespace vreader {

namespace {
// Protection flags (1 = writable) packed as the reader sends them: bit j of
// byte k stands for byte 8k + j.
Bytes pack(const Bytes& flags, std::size_t bytes) {
  Bytes out(bytes, 0);
  for (std::size_t i = 0; i < flags.size() && i / 8 < bytes; ++i)
    if (flags[i]) out[i / 8] = static_cast<std::uint8_t>(out[i / 8] | (1u << (i % 8)));
  return out;
}

// Flags of `n` bytes from `address`; bytes without protection are writable.
Bytes protectionFlags(sim::Card& card, int address, std::size_t n) {
  Bytes flags(n, 1);
  auto* sle = dynamic_cast<sim::SleCard*>(&card);
  if (sle == nullptr) return flags;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t f = 1;
    if (sle->readProtection(address + static_cast<int>(i), 1, &f) == sim::err::kOk) flags[i] = f ? 1 : 0;
  }
  return flags;
}
}  // namespace

Bytes packedProtection(sim::Card& card, int address, std::size_t bits, std::size_t bytes) {
  return pack(protectionFlags(card, address, bits), bytes);
}

Bytes PseudoCard::memory(const Bytes& apdu) {
  const bool own = card_->speaks(driverTypeOf(type_));
  const int address = apdu[2] << 8 | apdu[3];
  const std::size_t n = apdu[4];
  if (apdu[1] == 0xD0) {
    if (!own) return {0x6A, 0x81};  // another chip: nothing a manual describes
    const Bytes data(apdu.begin() + 5, apdu.end());
    const Bytes old = card_->rawMemory();
    const bool i2c = type_ == 1 || type_ == 2;
    for (std::size_t i = 0; i < n; ++i) {
      // An EEPROM's page write wraps inside its page; the SLE4404 only
      // clears bits. Bytes the chip refuses (no code, protected) stay.
      int a = address + static_cast<int>(i);
      if (i2c) a = address / pageSize_ * pageSize_ + (address % pageSize_ + static_cast<int>(i)) % pageSize_;
      std::uint8_t v = data[i];
      if (type_ == 8 && static_cast<std::size_t>(a) < old.size()) v &= old[static_cast<std::size_t>(a)];
      if (card_->write(a, 1, &v) == sim::err::kAddress) return silent();  // no chip answers there
    }
    return {0x90, 0x00};
  }
  Bytes out(n);
  if (own) {
    if (card_->read(address, static_cast<int>(n), out.data()) != sim::err::kOk) return silent();
  } else {
    // Another card's protocol: the bytes as the card shows them, FF beyond.
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t a = static_cast<std::size_t>(address) + i;
      out[i] = a < card_->size() ? card_->look(a) : 0xFF;
    }
  }
  if (generation_ == Generation::Older && type_ == 6) {
    Bytes p = packedProtection(*card_, 0, 32, 4);
    out.insert(out.end(), p.begin(), p.end());
  } else if (generation_ == Generation::Older && type_ == 5) {
    Bytes p = packedProtection(*card_, address, n, 1 + n / 8);
    out.insert(out.end(), p.begin(), p.end());
  }
  return withStatus(out, 0x90, 0x00);
}

}  // namespace vreader
