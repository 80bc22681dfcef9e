// CryptoMemory under the reader's card types 03 (AT88SC153) and 04
// (AT88SC1608): user zones, configuration zone, fuses, passwords and the
// mutual authentication.
#include <optional>

#include "pcsc/vreader/pseudo_card.h"
#include "sim/cards_crypto.h"

namespace vreader {

namespace {
enum class Area { User, Config, Fuses };

struct Target {
  Area area;
  int zone;     // user zone
  int address;  // inside the zone or the configuration zone
};

// Where a read (B_) or write (D_) instruction points: the 153 names the
// zone in the instruction, the 1608 in the address's high bits.
std::optional<Target> targetOf(const Bytes& apdu, bool is1608) {
  const int low = apdu[1] & 0x0F, p1 = apdu[2], p2 = apdu[3];
  if (is1608) {
    if (low == 0) return Target{Area::User, (p1 << 8 | p2) / 256, p2};
    if (low == 1) return p2 == 0x80 ? Target{Area::Fuses, 0, 0} : Target{Area::Config, 0, p2};
    return std::nullopt;
  }
  if (low <= 2) return Target{Area::User, low, p2};
  if (low == 3) return Target{Area::Config, 0, p2};
  if (low == 4) return Target{Area::Fuses, 0, 0};
  return std::nullopt;
}
}  // namespace

Bytes PseudoCard::crypto(const Bytes& apdu) {
  const bool is1608 = type_ == 4;
  auto* any = dynamic_cast<sim::CryptoCard*>(card_.get());
  sim::CryptoCard* own = card_->speaks(driverTypeOf(type_)) ? any : nullptr;
  const std::uint8_t ins = apdu[1];
  const std::size_t p3 = apdu[4];
  const Bytes data(apdu.begin() + 5, apdu.end());
  const bool read = (ins & 0xF0) == 0xB0, write = (ins & 0xF0) == 0xD0;
  if (read || write) {
    std::optional<Target> t = targetOf(apdu, is1608);
    if (!t) return {0x6D, 0x00};
    if (write && !own) return {0x6A, 0x81};
    Bytes out(read ? p3 : 0);
    switch (t->area) {
      case Area::User:
        if (own) {
          if (short e = own->selectZone(t->zone); e != sim::err::kOk) return silent();
          // A write the access rights refuse is ignored.
          if (write) return (own->writeZone(t->address, static_cast<int>(p3), data.data()), Bytes{0x90, 0x00});
          if (own->readZone(t->address, static_cast<int>(p3), out.data()) != sim::err::kOk) out.assign(p3, 0xFF);
        } else {
          for (std::size_t i = 0; i < p3; ++i) {
            std::size_t a = static_cast<std::size_t>(t->zone * (is1608 ? 256 : 64) + t->address) + i;
            out[i] = a < card_->size() ? card_->look(a) : 0xFF;
          }
        }
        break;
      case Area::Config:
        if (write && p3 == 3) {
          // A password written in place: the card takes it as a password change.
          const int base = t->address - (is1608 ? 64 : 48);
          if (base >= 0 && base / 8 < own->setCount() && (base % 8 == 1 || base % 8 == 5)) {
            own->changePassword(base / 8, base % 8 == 1, data);
            return {0x90, 0x00};
          }
        }
        if (write) return (own->writeConfig(t->address, static_cast<int>(p3), data.data()), Bytes{0x90, 0x00});
        if (own) {
          if (own->readConfig(t->address, static_cast<int>(p3), out.data()) != sim::err::kOk) out.assign(p3, 0xFF);
        } else {
          // The other CryptoMemory command set: its bytes as the card shows them.
          for (std::size_t i = 0; i < p3; ++i) {
            std::size_t a = static_cast<std::size_t>(t->address) + i;
            out[i] = any && a < any->configSize() ? any->lookConfig(a) : 0xFF;
          }
        }
        break;
      case Area::Fuses:
        if (!own) return {0x6A, 0x81};
        if (read) {
          out[0] = static_cast<std::uint8_t>(own->fuses());
          break;
        }
        // Fuses blow one at a time in their order (FAB, CMA, PER): a byte
        // that clears exactly the next one blows it; any other is ignored.
        if (own->fuses() != 0 && data[0] == ((own->fuses() << 1) & 7)) own->blowNextFuse();
        return {0x90, 0x00};
    }
    return withStatus(out, 0x90, 0x00);
  }
  if (!own) return {0x6A, 0x81};
  if (ins == 0x20) {
    // 153: P2 = 000000rp; 1608: the first data byte = 0000 r p2 p1 p0.
    const int rp = is1608 ? data[0] : apdu[3];
    const Bytes code = is1608 ? Bytes(data.begin() + 1, data.end()) : data;
    const int set = is1608 ? (rp & 7) : (rp & 1);
    const bool readPassword = (rp >> (is1608 ? 3 : 1)) & 1;
    if (set >= own->setCount()) return {0x90, 0x00};
    own->checkPassword(set, !readPassword, code);
    if (generation_ == Generation::Older) return {0x90, 0x00};
    std::uint8_t counter = 0;
    own->readConfig((is1608 ? 64 : 48) + 8 * set + (readPassword ? 4 : 0), 1, &counter);
    return {0x90, counter};
  }
  // The authentication: its outcome shows in the attempts counter (AAC).
  sim::Block8 q{};
  std::copy(data.begin(), data.end(), q.begin());
  if (ins == 0x84) own->initAuth(q);
  if (ins == 0x82) own->checkAuth(q);
  return {0x90, 0x00};
}

}  // namespace vreader
