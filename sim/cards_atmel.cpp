#include "sim/cards_atmel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/cards_memory.h"

namespace sim {

// ---------------------------------------------------------------- shared rules

std::vector<Field> CodedCard::fields() {
  return {{"memory", &memory_, nullptr}, {"hidden_counters", &hiddenCounters_, nullptr}, {"personalised", nullptr, &personalised_}};
}

int CodedCard::counterBits(const Code& c) const {
  if (c.counter >= 0) return memory_[static_cast<std::size_t>(c.counter)];
  return hiddenCounters_[static_cast<std::size_t>(-c.counter - 1)];
}

void CodedCard::setCounterBits(const Code& c, int bits) {
  auto value = static_cast<std::uint8_t>(bits);
  if (c.counter >= 0)
    memory_[static_cast<std::size_t>(c.counter)] = value;
  else
    hiddenCounters_[static_cast<std::size_t>(-c.counter - 1)] = value;
}

void CodedCard::resetCounters() {
  for (int i = 0; i < 16; ++i) {
    const Code* c = code(i);
    if (c != nullptr && hasCounter(*c)) setCounterBits(*c, fullCounter(*c));
  }
}

short CodedCard::check(int index, const std::uint8_t* given) {
  const Code* c = code(index);
  if (c == nullptr) return err::kParam;
  if (given == nullptr) return err::kParam;
  const bool counted = hasCounter(*c);
  int bits = counted ? counterBits(*c) : 0;
  if (counted && attemptsIn(*c, bits) == 0) return err::kBlocked;
  bool match = std::memcmp(given, &memory_[static_cast<std::size_t>(c->address)], static_cast<std::size_t>(c->length)) == 0;
  if (counted) setCounterBits(*c, match ? fullCounter(*c) : afterWrongCode(*c, bits));
  presented_[static_cast<std::size_t>(index)] = match;
  return match ? err::kOk : err::kPassword;
}

short CodedCard::change(int index, const std::uint8_t* given) {
  const Code* c = code(index);
  if (c == nullptr || given == nullptr) return err::kParam;
  // A code is written by whoever holds the user code (or that code itself).
  if (!isPresented(0) && !isPresented(index)) return err::kDenied;
  std::memcpy(&memory_[static_cast<std::size_t>(c->address)], given, static_cast<std::size_t>(c->length));
  return err::kOk;
}

short CodedCard::count(int index) const {
  const Code* c = code(index);
  if (c == nullptr) return err::kParam;
  if (!hasCounter(*c)) return err::kNoFunction;
  return static_cast<short>(attemptsIn(*c, counterBits(*c)));
}

bool CodedCard::hidden(std::size_t address) const {
  if (isPresented(0)) return false;
  for (int i = 0; i < 16; ++i) {
    const Code* c = code(i);
    if (c != nullptr && address >= static_cast<std::size_t>(c->address) && address < static_cast<std::size_t>(c->address + c->length)) return true;
  }
  return false;
}

std::uint8_t CodedCard::look(std::size_t address) const { return hidden(address) ? 0x00 : memory_[address]; }

bool CodedCard::guardedWritable(std::size_t address) const {
  if (isPresented(0)) return true;
  auto a = static_cast<int>(address);
  for (int i = 1; i < 16; ++i) {
    const Code* c = code(i);
    if (c == nullptr) continue;
    const bool own = (a >= c->address && a < c->address + c->length) || (c->counter >= 0 && a == c->counter);
    if (own) return isPresented(i);
  }
  return false;
}

short CodedCard::write(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, memory_.size())) return err::kAddress;
  // Check every byte first: nothing is written unless all of it may be.
  for (int i = 0; i < length; ++i) {
    auto a = static_cast<std::size_t>(address + i);
    bool allowed = false;
    switch (kindOf(a)) {
      case ByteKind::Fixed: allowed = false; break;
      case ByteKind::Issuer: allowed = isPresented(0) && !personalised(); break;
      case ByteKind::User: allowed = isPresented(0) || (zoneCodeOf(a) != 0 && isPresented(zoneCodeOf(a))); break;
      case ByteKind::Guarded:
        // Refused whatever the data: codes read as 00 until presented, so
        // a row that repeats what it read would otherwise tell a code by
        // whether it goes through.
        if (!guardedWritable(a)) return err::kDenied;
        allowed = true;
        break;
      case ByteKind::Test: allowed = true; break;
    }
    if (!allowed && data[i] != memory_[a]) return err::kDenied;
  }
  std::copy_n(data, length, memory_.begin() + address);
  return err::kOk;
}

void CodedCard::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(memory_, address, bytes); }

short CodedCard::blowFuse() {
  if (!isPresented(0)) return err::kDenied;
  personalised_ = 1;
  return err::kOk;
}

// ---------------------------------------------------------------- AT88SC102

namespace {
// Byte map of the AT88SC102.
constexpr int kFab = 0, kIssuer = 2, kSc = 10, kScCounter = 12, kCodeProtected = 14, kZone1 = 22, kKey1 = 86,
              kZone2 = 92, kKey2 = 156, kEraseCounter = 160, kTest102 = 176, kSize102 = 178;
}  // namespace

int scacAttempts(int bits) {
  return std::min(attemptsLeft(bits & 0x0F), attemptsLeft((bits >> 4) & 0x0F));
}

namespace {
ScacOrder defaultScacOrder() {
  const char* order = std::getenv("PELOX_SCAC_ORDER");
  return order != nullptr && std::string(order) == "high" ? ScacOrder::HighFirst : ScacOrder::LowFirst;
}
}  // namespace

At102Card::At102Card() : CodedCard("at88sc102"), order_(defaultScacOrder()) {
  memory_.assign(kSize102, 0xFF);  // the counter at 12 included: full
  memory_[kFab] = memory_[kFab + 1] = 0x0F;
  memory_[kSc] = memory_[kSc + 1] = 0xF0;  // transport code F0 F0
}

int At102Card::fullCounter(const Code& c) const {
  return c.counter == kScCounter ? 0xFF : CodedCard::fullCounter(c);
}

int At102Card::afterWrongCode(const Code& c, int bits) const {
  if (c.counter != kScCounter) return CodedCard::afterWrongCode(c, bits);
  bits &= 0xFF;
  if (bits == 0) return 0;
  int bit = 1;
  if (order_ == ScacOrder::HighFirst)
    for (bit = 0x80; (bits & bit) == 0; bit >>= 1) {
    }
  else
    for (; (bits & bit) == 0; bit <<= 1) {
    }
  return bits & ~bit;
}

int At102Card::attemptsIn(const Code& c, int bits) const {
  return c.counter == kScCounter ? scacAttempts(bits) : CodedCard::attemptsIn(c, bits);
}

const CodedCard::Code* At102Card::code(int index) const {
  static const Code kUser{kSc, 2, kScCounter, 4};
  // Erase keys: no attempt counter of their own; a zone-2 erase uses a bit of
  // the erase counter instead (see erase()). Their entries hide the keys and
  // let a presented key open its own bytes.
  static const Code kErase1{kKey1, 6, kNoCounter, 0};
  static const Code kErase2{kKey2, 4, kNoCounter, 0};
  switch (index) {
    case 0: return &kUser;
    case 11: return &kErase1;
    case 12: return &kErase2;
    default: return nullptr;
  }
}

ByteKind At102Card::kindOf(std::size_t a) const {
  if (a < kIssuer) return ByteKind::Fixed;
  if (a < kSc) return ByteKind::Issuer;
  if (a < kCodeProtected) return ByteKind::Guarded;
  if (a < kKey1) return ByteKind::User;
  if (a < kZone2) return ByteKind::Guarded;
  if (a < kKey2) return ByteKind::User;
  if (a < kTest102) return ByteKind::Guarded;
  return ByteKind::Test;
}

bool At102Card::guardedWritable(std::size_t a) const {
  if (a >= kEraseCounter && a < kTest102 && personalised()) return false;
  return CodedCard::guardedWritable(a);
}

short At102Card::changeEraseKey(int zone, const std::uint8_t* key) {
  if (zone != 1 && zone != 2) return err::kParam;
  return change(10 + zone, key);
}

void At102Card::resetCounters() {
  CodedCard::resetCounters();
  for (int i = kEraseCounter; i < kTest102; ++i) memory_[static_cast<std::size_t>(i)] = 0xFF;
}

int At102Card::eraseCounterLeft() const {
  int n = 0;
  for (int i = kEraseCounter; i < kTest102; ++i) n += attemptsLeft(memory_[static_cast<std::size_t>(i)]);
  return n;
}

void At102Card::spendEraseAttempt() {
  for (int i = kEraseCounter; i < kTest102; ++i) {  // one bit per erase
    auto& b = memory_[static_cast<std::size_t>(i)];
    if (b != 0) {
      b = static_cast<std::uint8_t>(useAttempt(b));
      return;
    }
  }
}

short At102Card::erase(int address, int length, bool counted) {
  if (length <= 0 || !inRange(address, length, memory_.size())) return err::kAddress;
  int last = address + length - 1;
  bool zone1 = address >= kZone1 && last < kKey1;
  bool zone2 = address >= kZone2 && last < kKey2;
  bool issuerOrProtected = address >= kIssuer && last < kZone1 && (address >= kCodeProtected || last < kSc);
  if (zone1 || zone2) {
    // An application zone needs its erase key, or the user code while the
    // card is not yet personalised.
    int key = zone1 ? 11 : 12;
    if (!isPresented(key) && !(isPresented(0) && !personalised())) return err::kDenied;
    if (zone2 && counted) {
      if (eraseCounterLeft() == 0) return err::kBlocked;
      spendEraseAttempt();
    }
  } else if (issuerOrProtected) {
    bool issuer = last < kSc;
    if (!isPresented(0) || (issuer && personalised())) return err::kDenied;
  } else {
    return err::kDenied;
  }
  for (int i = address; i <= last; ++i) memory_[static_cast<std::size_t>(i)] = 0xFF;
  return err::kOk;
}

// ---------------------------------------------------------------- AT88SC1604 / 1604B

namespace {
using ZoneLayout = At1604Card::Zone;
// Zones 1..4 as the program's memory maps lay them out; -1: the map has no
// byte for that counter, the card keeps it out of sight.
constexpr ZoneLayout k1604Zones[4] = {
    {21, 23, 24, 26, 27, 1221}, {1222, -1, 1224, 1226, 1227, 1482}, {1483, -1, 1485, 1487, 1488, 1743}, {1744, -1, 1746, 1748, 1749, 2004}};
constexpr ZoneLayout k1604BZones[4] = {
    {21, 23, 24, 26, 27, 538}, {539, 541, 542, 544, 545, 1056}, {1057, 1059, 1060, 1062, 1063, 1574}, {1575, 1577, 1578, 1580, 1581, 2037}};
}  // namespace

At1604Card::At1604Card(bool variantB) : CodedCard(variantB ? "at88sc1604b" : "at88sc1604"), variantB_(variantB) {
  memory_.assign(variantB ? 2040 : 2007, 0xFF);
  // The 1604B identifies itself by 16 04; the 1604 carries 0F 0F.
  memory_[0] = variantB ? 0x16 : 0x0F;
  memory_[1] = variantB ? 0x04 : 0x0F;
  const ZoneLayout* zones = variantB ? k1604BZones : k1604Zones;
  int hiddenSlots = 0;
  codes_[0] = Code{10, 2, 12, 8};
  for (int z = 1; z <= 4; ++z) {
    const ZoneLayout& l = zones[z - 1];
    int codeCounter = l.codeCounter >= 0 ? l.codeCounter : hiddenSlot(hiddenSlots++);
    codes_[static_cast<std::size_t>(z)] = Code{l.code, 2, codeCounter, 8};
    codes_[static_cast<std::size_t>(10 + z)] = Code{l.erase, 2, l.eraseCounter, 8};
  }
  hiddenCounters_.assign(static_cast<std::size_t>(hiddenSlots), static_cast<std::uint8_t>(fullAttempts(8)));
  for (const Code& c : codes_) {
    if (c.length == 0) continue;
    if (c.counter >= 0) memory_[static_cast<std::size_t>(c.counter)] = static_cast<std::uint8_t>(fullAttempts(c.attempts));
  }
}

const At1604Card::Zone& At1604Card::zone(int z) const {
  const ZoneLayout* zones = variantB_ ? k1604BZones : k1604Zones;
  return zones[z - 1];
}

const CodedCard::Code* At1604Card::code(int index) const {
  if (index < 0 || index >= static_cast<int>(codes_.size())) return nullptr;
  const Code& c = codes_[static_cast<std::size_t>(index)];
  return c.length == 0 ? nullptr : &c;
}

ByteKind At1604Card::kindOf(std::size_t address) const {
  auto a = static_cast<int>(address);
  if (a < 2) return ByteKind::Fixed;
  if (a < 10) return ByteKind::Issuer;
  if (a < 13) return ByteKind::Guarded;
  if (a < 21) return ByteKind::User;
  for (int z = 1; z <= 4; ++z) {
    const Zone& l = zone(z);
    if (a >= l.first && a <= l.last) return ByteKind::User;
  }
  if (a >= static_cast<int>(memory_.size()) - 2) return ByteKind::Test;
  return ByteKind::Guarded;
}

int At1604Card::zoneCodeOf(std::size_t address) const {
  auto a = static_cast<int>(address);
  for (int z = 1; z <= 4; ++z)
    if (a >= zone(z).first && a <= zone(z).last) return z;
  return 0;
}

}  // namespace sim
