// The AT88SC102 under the reader's card type 09: reads and writes (bits
// only clear), the security code, the application zones' erases and the
// fuses.
#include "pcsc/vreader/pseudo_card.h"
#include "sim/cards_atmel.h"

namespace vreader {

namespace {
// Bit addresses of the BLOWN_FUSE command's fuses.
constexpr int kEc2enBit = 0x05F9, kIssuerBit = 0x0610;
constexpr std::size_t kModelSize = 178;  // the card model's bytes; the fuses follow
// Application zones as the card model erases them.
constexpr int kZone1 = 24, kZone1Length = 62, kZone2 = 93, kZone2Length = 63;
}  // namespace

std::uint8_t PseudoCard::at102Byte(std::size_t address) {
  if (address < kModelSize) return card_->look(address);
  std::uint8_t b = fuseBytes_[address - kModelSize];
  auto* at = dynamic_cast<sim::At102Card*>(card_.get());
  for (auto [bit, intact] : {std::pair{kEc2enBit, ec2Enabled_}, std::pair{kIssuerBit, at && !at->personalised()}}) {
    BitPlace p = bitPlace(bit, bitOrder_);
    if (p.byte != address) continue;
    b = static_cast<std::uint8_t>(intact ? (b | p.mask) : (b & ~p.mask));
  }
  return b;
}

Bytes PseudoCard::at102(const Bytes& apdu) {
  auto* at = dynamic_cast<sim::At102Card*>(card_.get());
  const std::uint8_t ins = apdu[1];
  const int address = apdu[2] << 8 | apdu[3];
  const std::size_t p3 = apdu[4];
  const Bytes data(apdu.begin() + 5, apdu.end());
  if (ins == 0xB0) {
    Bytes out(p3);
    for (std::size_t i = 0; i < p3; ++i) {
      std::size_t a = static_cast<std::size_t>(address) + i;
      out[i] = at != nullptr ? at102Byte(a) : (a < card_->size() ? card_->look(a) : 0xFF);
    }
    return withStatus(out, 0x90, 0x00);
  }
  if (at == nullptr) return {0x6A, 0x81};
  if (ins == 0xD0) {
    const Bytes old = at->rawMemory();
    for (std::size_t i = 0; i < p3; ++i) {
      std::size_t a = static_cast<std::size_t>(address) + i;
      if (a >= kModelSize) continue;  // fuses are blown by their own command
      std::uint8_t v = static_cast<std::uint8_t>(old[a] & data[i]);
      at->write(static_cast<int>(a), 1, &v);
    }
    return {0x90, 0x00};
  }
  if (ins == 0xD2) {  // a 16-bit word of the issuer or code-protected zone back to 1s
    at->erase(address & ~1, 2);
    return {0x90, 0x00};
  }
  if (ins == 0x05) {
    if (data[0] == 0x06) at->blowFuse();  // the issuer fuse, with the security code only
    if (data[0] == 0x05 && data[1] == 0xF9) ec2Enabled_ = false;
    return {0x90, 0x00};
  }
  // INS 20: the security code, or an erase with a zone's key.
  if (address == 0x080A) {
    if (at->userCount() == 0) return {0x63, 0x00};
    at->checkUser(data.data());  // the outcome shows in the counter at byte 12
    return {0x90, 0x00};
  }
  if (address == 0x0056) {
    if (at->checkEraseKey(1, data.data()) == sim::err::kOk) at->erase(kZone1, kZone1Length);
    return {0x90, 0x00};
  }
  const bool ec2Form = address == 0x809C;
  if (ec2Form != ec2Enabled_) {
    violation(apdu, ec2Enabled_ ? "zone-2 erase without the erase counter while EC2EN is intact"
                                : "zone-2 erase with the erase counter while EC2EN is blown");
    return {0x90, 0x00};  // nothing a manual describes happens
  }
  if (!ec2Form) {
    if (at->checkEraseKey(2, data.data()) == sim::err::kOk) at->erase(kZone2, kZone2Length, false);
    return {0x90, 0x00};
  }
  // The erase counter's bit is written first, then the key compared.
  if (at->eraseCounterLeft() == 0) return {0x63, 0x00};
  if (at->checkEraseKey(2, data.data()) == sim::err::kOk)
    at->erase(kZone2, kZone2Length);
  else
    at->spendEraseAttempt();
  return {0x90, 0x00};
}

}  // namespace vreader
