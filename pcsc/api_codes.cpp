// Codes of the memory cards. A presentation's outcome is decided from the
// card's error counter read afterwards, never from the presentation's own
// status word: on an SLE card "90 00" means a counter of 00, a locked card.
// Functions whose command no manual of these readers gives fail cleanly.
#include <algorithm>

#include "driverlib/attempts.h"
#include "pcsc/api_support.h"

namespace pcsc::api {

namespace {
using pelox::DriverType;

struct CodeCard {
  DriverType type;
  Bytes counterRead;  // answers the counter as its first byte (newer readers' Le)
  bool olderLe00;     // the older readers want Le 00 on this read
  Bytes present;      // the presentation, without the code
  std::size_t codeLength;
  short (*attempts)(int counter);  // attempts left in a counter reading
  bool (*accepted)(int counter);   // the reading after a right code
};

// SLE4442: ERRCNT 07 after a right code, one bit less per wrong one.
const CodeCard kSle4442{DriverType::Sle4442, {0xFF, 0xB1, 0x00, 0x00, 0x04}, true,
                        {0xFF, 0x20, 0x00, 0x00, 0x03}, 3,
                        [](int c) { return static_cast<short>(driverlib::attemptsLeft(c & 0x07)); },
                        [](int c) { return (c & 0x07) == 0x07; }};
// SLE4428: ERRCNT FF after a right code.
const CodeCard kSle4428{DriverType::Sle4428, {0xFF, 0xB1, 0x00, 0x00, 0x03}, true,
                        {0xFF, 0x20, 0x00, 0x00, 0x02}, 2,
                        [](int c) { return static_cast<short>(driverlib::attemptsLeft(c)); },
                        [](int c) { return c == 0xFF; }};
// AT88SC102: the security code at 10-11, its attempts counter (SCAC) at 12.
// The code was right only when the SCAC reads FF. Which bit a wrong code
// clears first is not documented: the attempts left are the fewer set bits
// of the two nibbles, right in either order and never more than the truth.
const CodeCard kAt102{DriverType::At88sc102, {0xFF, 0xB0, 0x00, 0x0C, 0x01}, false,
                      {0xFF, 0x20, 0x08, 0x0A, 0x02}, 2,
                      [](int c) { return static_cast<short>(std::min(driverlib::attemptsLeft(c & 0x0F), driverlib::attemptsLeft(c >> 4 & 0x0F))); },
                      [](int c) { return c == 0xFF; }};

// The counter byte, or the driver's failure. The older readers want Le 00
// on the SLE counter reads; which generation this reader is shows in the
// answer to a one-byte read.
short counter(Session& s, const CodeCard& c) {
  Bytes read = c.counterRead;
  if (c.olderLe00) {
    if (s.generation == Generation::Unknown) {
      std::uint8_t probe[1];
      if (short e = readMemory(s, 0, 1, probe); e != err::kOk) return e;
    }
    if (s.generation == Generation::Older) read[4] = 0x00;
  }
  return firstByte(s, read);
}

short present(int handle, const CodeCard& c, const unsigned char* code) {
  return readerCall(handle, [&](Session& s) -> short {
    if (code == nullptr) return err::kParam;
    if (short e = s.select(c.type); e != err::kOk) return e;
    short before = counter(s, c);
    if (before < 0) return before;
    if (c.attempts(before) == 0) return err::kBlocked;  // no attempt left: not even tried
    s.pscPresented = false;
    Bytes apdu = c.present;
    apdu.insert(apdu.end(), code, code + c.codeLength);
    std::optional<Response> r = s.exchange(apdu);
    if (!r) return s.lostResult();
    // 90 xx (the counter, or 00 on older readers) and 63 00 both mean the
    // card took the presentation; the counter read afterwards tells how it
    // ended.
    if (r->sw1 != 0x90 && !(r->sw1 == 0x63 && r->sw2 == 0x00)) return refused(*r);
    short after = counter(s, c);
    if (after < 0) return after;
    if (c.accepted(after)) {
      s.pscPresented = true;
      return err::kOk;
    }
    return c.attempts(after) == 0 ? err::kBlocked : err::kPassword;
  });
}

short attempts(int handle, const CodeCard& c) {
  return readerCall(handle, [&](Session& s) -> short {
    if (short e = s.select(c.type); e != err::kOk) return e;
    short reading = counter(s, c);
    return reading < 0 ? reading : c.attempts(reading);
  });
}

short noCommand(int handle) {
  return readerCall(handle, [](Session&) { return err::kNoFunction; });
}

// The AT88SC102's application zones as the program erases them, with the
// reader's erase command for each (ERASE_APPL_ZONE_WITH_ERASE; zone 2 while
// its erase counter is enabled: ERASE_APPL_ZONE_WITH_WRITE_AND_ERASE, P1 80).
struct EraseZone {
  int first, last;
  Bytes command;  // without the key
};
const EraseZone kEraseZones[2] = {{22, 85, {0xFF, 0x20, 0x00, 0x56, 0x06}},
                                  {92, 155, {0xFF, 0x20, 0x00, 0x9C, 0x04}}};

// The EC2EN fuse: bit 0x5F9, the bit address the readers' BLOWN_FUSE
// command names for it (AT88SC102: 05 F9 01). Read as byte 0xBF of the
// card; which bit of that byte the reader puts the card's bit 1 in is not
// documented (the seventh from the top, 0x40, or the second from the
// bottom, 0x02). Decided only when both readings agree; intact (1) means
// the erase counter is enabled.
constexpr int kEc2enBit = 0x5F9;
enum class Ec2 { Enabled, Disabled, Unknown };
Ec2 ec2State(Session& s, short& failure) {
  std::uint8_t b = 0;
  failure = readMemory(s, kEc2enBit / 8, 1, &b);
  if (failure != err::kOk) return Ec2::Unknown;
  const std::uint8_t high = static_cast<std::uint8_t>(0x80 >> (kEc2enBit % 8)),
                     low = static_cast<std::uint8_t>(1 << (kEc2enBit % 8));
  if ((b & high) && (b & low)) return Ec2::Enabled;
  if (!(b & high) && !(b & low)) return Ec2::Disabled;
  return Ec2::Unknown;
}

// The issuer fuse: bit 0x610 (BLOWN_FUSE 06 10 01), byte 0xC2; blown reads
// 0, at the byte's top or bottom bit.
constexpr int kIssuerFuseBit = 0x610;

// Bytes 0-21: fabrication, issuer, security code, its counter and the
// code-protected zone; a fuse blown must leave them as they were.
constexpr int kFuseCheckBytes = 22;
}  // namespace

short PELOX_API IC_CheckPass_SLE4442(int handle, const unsigned char* code) {
  return present(handle, kSle4442, code);
}
short PELOX_API IC_CheckPass_SLE4428(int handle, const unsigned char* code) {
  return present(handle, kSle4428, code);
}
short PELOX_API IC_CheckPass_102(int handle, const unsigned char* code) {
  return present(handle, kAt102, code);
}
short PELOX_API IC_ReadCount_SLE4442(int handle) { return attempts(handle, kSle4442); }
short PELOX_API IC_ReadCount_SLE4428(int handle) { return attempts(handle, kSle4428); }
short PELOX_API IC_ReadCount_102(int handle) { return attempts(handle, kAt102); }

short PELOX_API IC_ChangePass_SLE4442(int handle, const unsigned char* code) {
  return readerCall(handle, [&](Session& s) -> short {
    if (code == nullptr) return err::kParam;
    if (short e = s.select(DriverType::Sle4442); e != err::kOk) return e;
    // The card ignores a change without the PSC and the reader still
    // answers 90 00: the change is sent only after a presentation that the
    // counter showed accepted, since the card was last powered.
    if (!s.pscPresented) return err::kDenied;
    std::optional<Response> r = s.exchange(command(0xD2, 0x00, 0x01, code, 3));
    if (!r) return s.lostResult();
    return r->ok() ? err::kOk : refused(*r);
  });
}

// No manual of these readers gives a command that changes the SLE4428's
// PSC or the AT88SC102's codes: nothing is sent.
short PELOX_API IC_ChangePass_SLE4428(int handle, const unsigned char*) { return noCommand(handle); }
short PELOX_API IC_ChangePass_102(int handle, const unsigned char*) { return noCommand(handle); }
short PELOX_API IC_ChangeAZPass_102(int handle, short, const unsigned char*) { return noCommand(handle); }

// The reader presents an erase key only together with the erase itself, so
// the key is kept here until IC_Erase_102 and tried there.
short PELOX_API IC_CheckAZPass_102(int handle, short zone, const unsigned char* code) {
  return readerCall(handle, [&](Session& s) -> short {
    if ((zone != 1 && zone != 2) || code == nullptr) return err::kParam;
    if (short e = s.select(DriverType::At88sc102); e != err::kOk) return e;
    s.eraseKeys[static_cast<std::size_t>(zone - 1)] = Bytes(code, code + (zone == 1 ? 6 : 4));
    return err::kOk;
  });
}

short PELOX_API IC_Erase_102(int handle, short address, short length) {
  return readerCall(handle, [&](Session& s) -> short {
    if (length <= 0) return err::kParam;
    const EraseZone* zone = nullptr;
    for (const EraseZone& z : kEraseZones)
      if (address >= z.first && address + length - 1 <= z.last) zone = &z;
    if (zone == nullptr) return err::kNoFunction;  // only application zones have an erase command
    const std::optional<Bytes>& key = s.eraseKeys[zone == &kEraseZones[0] ? 0 : 1];
    if (!key) return err::kSequence;
    if (short e = s.select(DriverType::At88sc102); e != err::kOk) return e;
    Bytes apdu = zone->command;
    if (zone == &kEraseZones[1]) {
      // Zone 2 has two forms, one for each state of the EC2EN fuse; a card
      // whose fuse cannot be read gets neither.
      short failure = err::kOk;
      Ec2 ec2 = ec2State(s, failure);
      if (failure != err::kOk) return failure;
      if (ec2 == Ec2::Unknown) return err::kNoFunction;
      if (ec2 == Ec2::Enabled) apdu[2] = 0x80;
    }
    apdu.insert(apdu.end(), key->begin(), key->end());
    std::optional<Response> r = s.exchange(apdu);
    if (!r) return s.lostResult();
    if (r->sw1 == 0x63 && r->sw2 == 0x00) return err::kBlocked;  // no erase left
    if (!r->ok()) return refused(*r);
    // The erase is confirmed by the zone reading back as FF.
    Bytes back(static_cast<std::size_t>(length));
    if (short e = readMemory(s, address, length, back.data()); e != err::kOk) return e;
    for (std::uint8_t b : back)
      if (b != 0xFF) return err::kDenied;  // not erased: a wrong key
    return err::kOk;
  });
}

// The issuer fuse (BLOWN_FUSE, the readers' bytes 06 10 01 01: fuse bit
// 0x610, FUS 01, RST 01). The command's answer is documented by no manual,
// so the card is read before and after: one of the two bits the fuse may
// be read as (the bit order is not documented) must have gone from 1 to 0,
// and the first zones must be unchanged. A fuse blown earlier cannot be
// told apart from one that did not blow: that is a failure too. The
// program asks the operator before it calls this.
short PELOX_API IC_Fuse_102(int handle) {
  return readerCall(handle, [&](Session& s) -> short {
    if (short e = s.select(DriverType::At88sc102); e != err::kOk) return e;
    std::uint8_t before[kFuseCheckBytes + 1], after[kFuseCheckBytes + 1];
    const auto readBack = [&](std::uint8_t* into) {
      short e = readMemory(s, 0, kFuseCheckBytes, into);
      return e != err::kOk ? e : readMemory(s, kIssuerFuseBit / 8, 1, into + kFuseCheckBytes);
    };
    if (short e = readBack(before); e != err::kOk) return e;
    std::optional<Response> r = s.exchange(command(0x05, 0x00, 0x00, Bytes{0x06, 0x10, 0x01, 0x01}));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    if (short e = readBack(after); e != err::kOk) return e;
    const int candidates = (0x80 >> (kIssuerFuseBit % 8)) | (1 << (kIssuerFuseBit % 8));
    const int cleared = before[kFuseCheckBytes] & ~after[kFuseCheckBytes];
    if ((cleared & candidates) == 0 || (cleared & ~candidates) != 0) return err::kDenied;
    return std::equal(before, before + kFuseCheckBytes, after) ? err::kOk : err::kDenied;
  });
}

// The AT88SC1604 and 1604B have no commands on these readers.
short PELOX_API IC_CheckPass_1604(int handle, short, const unsigned char*) { return noCommand(handle); }
short PELOX_API IC_CheckPass_1604B(int handle, short, const unsigned char*) { return noCommand(handle); }
short PELOX_API IC_ChangePass_1604(int handle, short, const unsigned char*) { return noCommand(handle); }
short PELOX_API IC_ChangePass_1604B(int handle, short, const unsigned char*) { return noCommand(handle); }
short PELOX_API IC_ReadCount_1604(int handle, short) { return noCommand(handle); }
short PELOX_API IC_ReadCount_1604B(int handle, short) { return noCommand(handle); }
short PELOX_API IC_Fuse_1604(int handle) { return noCommand(handle); }
short PELOX_API IC_Fuse_1604B(int handle) { return noCommand(handle); }

}  // namespace pcsc::api
