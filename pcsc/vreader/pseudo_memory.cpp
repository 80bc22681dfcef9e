// Plain memory commands (FF B0 / FF D0) and the codes of the SLE4442,
// SLE4428 and AT88SC102 under the reader's card types 01, 02, 05, 06, 08, 09.
#include "pcsc/vreader/pseudo_card.h"
#include "sim/cards_atmel.h"
#include "sim/cards_memory.h"

namespace vreader {

namespace {
struct Fields {
  int address;
  std::size_t length;  // Le (00 = 256) of a read, Lc of a write
  Bytes data;
};

Fields fieldsOf(const Bytes& apdu) {
  Fields f{(apdu[2] << 8) | apdu[3], apdu.size() > 4 ? apdu[4] : 0u, {}};
  if (apdu.size() > 5) f.data.assign(apdu.begin() + 5, apdu.end());
  return f;
}

std::size_t readLength(const Fields& f) { return f.length == 0 ? 256 : f.length; }

// Protection flags (1 = writable) packed as the reader sends them: bit j of
// byte k stands for byte 8k + j.
Bytes pack(const Bytes& flags, std::size_t bytes) {
  Bytes out(bytes, 0);
  for (std::size_t i = 0; i < flags.size() && i / 8 < bytes; ++i)
    if (flags[i]) out[i / 8] = static_cast<std::uint8_t>(out[i / 8] | (1u << (i % 8)));
  return out;
}

// Flags of `n` bytes from `address`; bytes without protection are writable.
Bytes flagsOf(sim::SleCard* sle, int address, std::size_t n) {
  Bytes flags(n, 1);
  if (sle == nullptr) return flags;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t f = 1;
    if (sle->readProtection(address + static_cast<int>(i), 1, &f) == sim::err::kOk) flags[i] = f ? 1 : 0;
  }
  return flags;
}
}  // namespace

Bytes PseudoCard::memory(const Bytes& apdu) {
  const pelox::DriverType t = driverTypeOf(type_);
  const bool own = card_->speaks(t);
  Fields f = fieldsOf(apdu);
  auto* sle = own ? dynamic_cast<sim::SleCard*>(card_.get()) : nullptr;
  if (apdu[1] == 0xD0) {
    if (!own) return {0x6A, 0x81};
    if (f.data.size() != f.length) return {0x67, 0x00};
    // Page writes never cross a page of the size set (I2C cards).
    if ((type_ == 1 || type_ == 2) &&
        f.address / pageSize_ != (f.address + static_cast<int>(f.length) - 1) / pageSize_)
      return {0x6A, 0x80};
    return statusFor(card_->write(f.address, static_cast<int>(f.length), f.data.data()));
  }
  const std::size_t n = readLength(f);
  Bytes out(n);
  if (own) {
    if (short e = card_->read(f.address, static_cast<int>(n), out.data()); e != sim::err::kOk)
      return statusFor(e);
  } else {
    // Another card's protocol: the bytes as the card shows them, FF beyond.
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t a = static_cast<std::size_t>(f.address) + i;
      out[i] = a < card_->size() ? card_->look(a) : 0xFF;
    }
  }
  if (generation_ == Generation::Older && type_ == 6) {
    Bytes p = pack(flagsOf(sle, 0, 32), 4);
    out.insert(out.end(), p.begin(), p.end());
  } else if (generation_ == Generation::Older && type_ == 5) {
    Bytes p = pack(flagsOf(sle, f.address, n), 1 + n / 8);
    out.insert(out.end(), p.begin(), p.end());
  }
  return withStatus(out, 0x90, 0x00);
}

Bytes PseudoCard::codes(const Bytes& apdu) {
  const std::uint8_t ins = apdu[1];
  Fields f = fieldsOf(apdu);
  if (!card_->speaks(driverTypeOf(type_))) return {0x6A, 0x81};
  if (auto* sle = dynamic_cast<sim::SleCard*>(card_.get())) {
    const bool is4428 = sle->is4428();
    const auto counter = [&] { return static_cast<std::uint8_t>(sim::fullAttempts(sle->attempts())); };
    switch (ins) {
      case 0xB1: {  // the error counter and dummy bytes
        Bytes r(is4428 ? 3 : 4, 0);
        r[0] = counter();
        return withStatus(r, 0x90, 0x00);
      }
      case 0xB2:
        if (!is4428) {
          if (generation_ == Generation::Older) return {0x6D, 0x00};
          return withStatus(pack(flagsOf(sle, 0, 32), 4), 0x90, 0x00);
        }
        if (generation_ == Generation::Older) {  // the older readers' read without protection bits
          Bytes out(readLength(f));
          if (short e = sle->read(f.address, static_cast<int>(out.size()), out.data()); e != sim::err::kOk)
            return statusFor(e);
          return withStatus(out, 0x90, 0x00);
        } else {
          std::size_t bytes = readLength(f);
          if (bytes > 32) return {0x67, 0x00};
          return withStatus(pack(flagsOf(sle, f.address, bytes * 8), bytes), 0x90, 0x00);
        }
      case 0xD1:
        if (f.data.size() != f.length) return {0x67, 0x00};
        return statusFor(sle->protect(f.address, static_cast<int>(f.length), f.data.data()));
      case 0x20: {
        if (f.data.size() != (is4428 ? 2u : 3u)) return {0x67, 0x00};
        sle->checkPass(f.data.data());
        if (generation_ == Generation::Newer) return {0x90, counter()};
        Bytes r{counter()};
        r.insert(r.end(), f.data.begin(), f.data.end());
        return withStatus(r, 0x90, 0x00);
      }
      case 0xD2:
        if (is4428) return {0x6D, 0x00};
        if (f.data.size() != 3 || apdu[3] != 0x01) return {0x67, 0x00};
        return statusFor(sle->changePass(f.data.data()));
      default:
        return {0x6D, 0x00};
    }
  }
  if (auto* at = dynamic_cast<sim::At102Card*>(card_.get())) {
    const std::uint16_t p1p2 = static_cast<std::uint16_t>((apdu[2] << 8) | apdu[3]);
    if (ins == 0x20 && p1p2 == 0x080A && f.data.size() == 2)
      return at->checkUser(f.data.data()) == sim::err::kOk ? Bytes{0x90, 0x00} : Bytes{0x63, 0x00};
    if (ins == 0x20 && (p1p2 == 0x0056 || p1p2 == 0x809C)) {
      // Erase an application zone with its key (zone 2 uses its erase counter).
      const bool zone1 = p1p2 == 0x0056;
      if (f.data.size() != (zone1 ? 6u : 4u)) return {0x67, 0x00};
      if (at->checkEraseKey(zone1 ? 1 : 2, f.data.data()) != sim::err::kOk) return {0x63, 0x00};
      short e = zone1 ? at->erase(24, 62) : at->erase(93, 63);
      return e == sim::err::kBlocked ? Bytes{0x63, 0x00} : statusFor(e);
    }
    // The issuer fuse; the other fuses are not modelled.
    if (ins == 0x05 && f.data == Bytes{0x06, 0x10, 0x01, 0x01}) return statusFor(at->blowFuse());
    if (ins == 0x05) return {0x6A, 0x80};
  }
  return {0x6D, 0x00};
}

}  // namespace vreader
