#include "sim/cards_crypto.h"

#include <algorithm>
#include <cstring>

#include "sim/cards_memory.h"

namespace sim {

// Configuration zone layout. The program's maps fix the identification,
// access registers, counters, Ci, Gc (1608), test area and password sets.
// Access registers (our choice, unconfirmed): the 1608 has AR z at 16 + 2z
// and its password register PR z at 17 + 2z (bits 0-2: the set); the 153 has
// AR z at 12 + z (bit 4: the set) and byte 15 free (the detection probe's).
// AR bit 0 clear: writes need the set's write password; bit 1 clear: reads
// need its read password. Factory AR FF: the zones are free.

CryptoCard::CryptoCard(bool is1608)
    : Card(is1608 ? "at88sc1608" : "at88sc153"),
      is1608_(is1608),
      zones_(static_cast<std::size_t>(zoneCount() * zoneSize()), 0xFF),
      config_(is1608 ? 128 : 64, 0xFF),
      gc_(is1608 ? 0 : 8, 0xFF) {
  const std::uint8_t id[] = {0x2C, 0xAA, 0x55, static_cast<std::uint8_t>(is1608 ? 0xA0 : 0xA1)};
  std::memcpy(config_.data(), id, sizeof id);
  // Counters (AAC and every password's) full: FF = 8 attempts; passwords,
  // Ci and Gc FF.
}

std::vector<Field> CryptoCard::fields() {
  std::vector<Field> f = {{"user_zones", &zones_, nullptr}, {"config", &config_, nullptr}, {"fuses", nullptr, &fuses_}};
  if (!is1608_) f.push_back({"gc", &gc_, nullptr});
  return f;
}

void CryptoCard::powerOff() {
  zone_ = -1;
  readOk_.fill(false);
  writeOk_.fill(false);
  authPending_ = false;
}

void CryptoCard::resetCounters() {
  config_[kAac] = 0xFF;
  for (int set = 0; set < setCount(); ++set) config_[passwordBase(set)] = config_[passwordBase(set) + 4] = 0xFF;
}

void CryptoCard::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(zones_, address, bytes); }

bool CryptoCard::guardedByte(std::size_t a) const {
  if (a == kAac || (a >= kCi && a < kCi + 8)) return true;
  if (is1608_ && a >= 48 && a < 56) return true;  // Gc
  return a >= (is1608_ ? kPasswords1608 : kPasswords153);
}

bool CryptoCard::probeByte(std::size_t a) const { return is1608_ ? (a >= 56 && a < 64) : a == 15; }

std::uint8_t CryptoCard::lookConfig(std::size_t a) const {
  if (is1608_ && a >= 48 && a < 56) return 0x00;  // Gc is never readable
  std::size_t base = is1608_ ? kPasswords1608 : kPasswords153;
  if (a >= base && (a - base) % 4 != 0 && !securityCode()) return 0x00;  // passwords, counters readable
  return config_[a];
}

short CryptoCard::readConfig(int address, int length, std::uint8_t* out) const {
  if (!inRange(address, length, config_.size())) return err::kAddress;
  for (int i = 0; i < length; ++i) out[i] = lookConfig(static_cast<std::size_t>(address + i));
  return err::kOk;
}

short CryptoCard::writeConfig(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, config_.size())) return err::kAddress;
  bool personalised = (fuses_ & 4) == 0;
  for (int i = 0; i < length; ++i) {
    auto a = static_cast<std::size_t>(address + i);
    if (probeByte(a)) continue;
    // Password sets, AAC, Ci and Gc: only with the security code, whatever
    // the data (they read as 00 while hidden, so a repeat tells nothing).
    if (guardedByte(a)) {
      if (!securityCode()) return err::kDenied;
      continue;
    }
    // Identification, access registers: free on a new card, then the
    // security code, frozen by PER.
    bool allowed = !personalised && (fuses_ == 7 || securityCode());
    if (!allowed && data[i] != config_[a]) return err::kDenied;
  }
  std::copy_n(data, length, config_.begin() + address);
  return err::kOk;
}

std::uint8_t CryptoCard::accessRegister(int zone) const {
  return config_[is1608_ ? 16 + 2 * static_cast<std::size_t>(zone) : 12 + static_cast<std::size_t>(zone)];
}

int CryptoCard::passwordSetOf(int zone) const {
  if (is1608_) return config_[17 + 2 * static_cast<std::size_t>(zone)] & 7;
  return (accessRegister(zone) >> 4) & 1;
}

short CryptoCard::selectZone(int zone) {
  if (zone < 0 || zone >= zoneCount()) return err::kParam;
  zone_ = zone;
  return err::kOk;
}

short CryptoCard::readZone(int address, int length, std::uint8_t* out) const {
  if (zone_ < 0) return err::kSequence;
  if (!inRange(address, length, static_cast<std::size_t>(zoneSize()))) return err::kAddress;
  auto set = static_cast<std::size_t>(passwordSetOf(zone_));
  if ((accessRegister(zone_) & 2) == 0 && !readOk_[set] && !writeOk_[set] && !securityCode()) return err::kDenied;
  std::memcpy(out, &zones_[static_cast<std::size_t>(zone_ * zoneSize() + address)], static_cast<std::size_t>(length));
  return err::kOk;
}

short CryptoCard::writeZone(int address, int length, const std::uint8_t* data) {
  if (zone_ < 0) return err::kSequence;
  if (!inRange(address, length, static_cast<std::size_t>(zoneSize()))) return err::kAddress;
  auto set = static_cast<std::size_t>(passwordSetOf(zone_));
  if ((accessRegister(zone_) & 1) == 0 && !writeOk_[set] && !securityCode()) return err::kDenied;
  // Page writes (16 bytes on the 1608, 8 on the 153) are split by the
  // driver at page boundaries, so the data lands in order.
  std::memcpy(&zones_[static_cast<std::size_t>(zone_ * zoneSize() + address)], data, static_cast<std::size_t>(length));
  return err::kOk;
}

short CryptoCard::checkPassword(int set, bool write, const Bytes& code) {
  if (set < 0 || set >= setCount() || code.size() != 3) return err::kParam;
  std::size_t at = passwordBase(set) + (write ? 0 : 4);
  int bits = config_[at];
  if (attemptsLeft(bits) == 0) return err::kBlocked;
  bool match = std::memcmp(code.data(), &config_[at + 1], 3) == 0;
  config_[at] = static_cast<std::uint8_t>(match ? 0xFF : useAttempt(bits));
  (write ? writeOk_ : readOk_)[static_cast<std::size_t>(set)] = match;
  return match ? err::kOk : err::kPassword;
}

short CryptoCard::changePassword(int set, bool write, const Bytes& code) {
  if (set < 0 || set >= setCount() || code.size() != 3) return err::kParam;
  // The set's own write password or the security code allows the change.
  if (!writeOk_[static_cast<std::size_t>(set)] && !securityCode()) return err::kDenied;
  std::memcpy(&config_[passwordBase(set) + (write ? 1 : 5)], code.data(), 3);
  return err::kOk;
}

short CryptoCard::passwordCount(int set, bool write) const {
  if (set < 0 || set >= setCount()) return err::kParam;
  return static_cast<short>(attemptsLeft(config_[passwordBase(set) + (write ? 0 : 4)]));
}

short CryptoCard::blowNextFuse() {
  if (!securityCode()) return err::kDenied;
  // FAB, then CMA, then PER: 7 -> 6 -> 4 -> 0.
  if (fuses_ == 0) return err::kDenied;
  fuses_ = (fuses_ << 1) & 7;
  return err::kOk;
}

Block8 CryptoCard::ci() const {
  Block8 b{};
  std::copy_n(config_.begin() + kCi, 8, b.begin());
  return b;
}

short CryptoCard::initAuth(const Block8& q0) {
  int bits = config_[kAac];
  if (attemptsLeft(bits) == 0) return err::kBlocked;
  config_[kAac] = static_cast<std::uint8_t>(useAttempt(bits));  // spent until the host proves itself
  Block8 gc{};
  if (is1608_)
    std::copy_n(config_.begin() + 48, 8, gc.begin());
  else
    std::copy_n(gc_.begin(), 8, gc.begin());
  AuthResult r = authenticate(ci(), gc, q0);
  expectedQ1_ = r.q1;
  nextCi_ = r.newCi;
  authPending_ = true;
  return err::kOk;
}

short CryptoCard::checkAuth(const Block8& q1) {
  if (!authPending_) return err::kSequence;
  authPending_ = false;
  if (q1 != expectedQ1_) return err::kPassword;
  std::copy(nextCi_.begin(), nextCi_.end(), config_.begin() + kCi);
  config_[kAac] = 0xFF;
  return err::kOk;
}

}  // namespace sim
