// Codes of the memory cards. A presentation's outcome is decided from the
// card's error counter read afterwards, never from the presentation's own
// status word: on an SLE card "90 00" means a counter of 00, a locked card.
// Functions whose command no manual of these readers gives fail cleanly.
#include "pcsc/api_support.h"
#include "sim/card.h"

namespace pcsc::api {

namespace {
using pelox::DriverType;

struct CodeCard {
  DriverType type;
  Bytes counterRead;  // answers the counter as its first byte
  std::uint8_t full;  // the counter after a code was accepted (its attempt bits)
  Bytes present;      // the presentation, without the code
  std::size_t codeLength;
};

const CodeCard kSle4442{
    DriverType::Sle4442, {0xFF, 0xB1, 0x00, 0x00, 0x04}, 0x07, {0xFF, 0x20, 0x00, 0x00, 0x03}, 3};
const CodeCard kSle4428{
    DriverType::Sle4428, {0xFF, 0xB1, 0x00, 0x00, 0x03}, 0xFF, {0xFF, 0x20, 0x00, 0x00, 0x02}, 2};
// AT88SC102: the security code at 10-11, its attempt counter (4 bits) at 12.
const CodeCard kAt102{
    DriverType::At88sc102, {0xFF, 0xB0, 0x00, 0x0C, 0x01}, 0x0F, {0xFF, 0x20, 0x08, 0x0A, 0x02}, 2};

// The counter's attempt bits, or the driver's failure.
short counter(Session& s, const CodeCard& c) {
  short b = firstByte(s, c.counterRead);
  return b < 0 ? b : static_cast<short>(b & c.full);
}

short present(int handle, const CodeCard& c, const unsigned char* code) {
  return readerCall(handle, [&](Session& s) -> short {
    if (code == nullptr) return sim::err::kParam;
    if (short e = s.select(c.type); e != sim::err::kOk) return e;
    short before = counter(s, c);
    if (before < 0) return before;
    if (before == 0) return sim::err::kBlocked;  // no attempt left: not even tried
    Bytes apdu = c.present;
    apdu.insert(apdu.end(), code, code + c.codeLength);
    std::optional<Response> r = s.exchange(apdu);
    if (!r) return s.lostResult();
    // 90 xx (the counter, or 00 on older readers) and 63 00 both mean the
    // card took the presentation; the counter tells how it ended.
    if (r->sw1 != 0x90 && r->sw1 != 0x63) return refused(*r);
    short after = counter(s, c);
    if (after < 0) return after;
    if (after == c.full) return sim::err::kOk;
    return after == 0 ? sim::err::kBlocked : sim::err::kPassword;
  });
}

short attempts(int handle, const CodeCard& c) {
  return readerCall(handle, [&](Session& s) -> short {
    if (short e = s.select(c.type); e != sim::err::kOk) return e;
    short bits = counter(s, c);
    return bits < 0 ? bits : static_cast<short>(sim::attemptsLeft(bits));
  });
}

short noCommand(int handle) {
  return readerCall(handle, [](Session&) { return sim::err::kNoFunction; });
}

// The AT88SC102's application zones as the program erases them, with the
// reader's erase command for each: zone 2 uses a bit of its erase counter.
struct EraseZone {
  int first, last;
  Bytes command;  // without the key
};
const EraseZone kEraseZones[2] = {{22, 85, {0xFF, 0x20, 0x00, 0x56, 0x06}},
                                  {92, 155, {0xFF, 0x20, 0x80, 0x9C, 0x04}}};

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
    if (code == nullptr) return sim::err::kParam;
    if (short e = s.select(DriverType::Sle4442); e != sim::err::kOk) return e;
    std::optional<Response> r = s.exchange(command(0xD2, 0x00, 0x01, code, 3));
    if (!r) return s.lostResult();
    return r->ok() ? sim::err::kOk : refused(*r);
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
    if ((zone != 1 && zone != 2) || code == nullptr) return sim::err::kParam;
    if (short e = s.select(DriverType::At88sc102); e != sim::err::kOk) return e;
    s.eraseKeys[static_cast<std::size_t>(zone - 1)] = Bytes(code, code + (zone == 1 ? 6 : 4));
    return sim::err::kOk;
  });
}

short PELOX_API IC_Erase_102(int handle, short address, short length) {
  return readerCall(handle, [&](Session& s) -> short {
    if (length <= 0) return sim::err::kParam;
    const EraseZone* zone = nullptr;
    for (const EraseZone& z : kEraseZones)
      if (address >= z.first && address + length - 1 <= z.last) zone = &z;
    if (zone == nullptr) return sim::err::kNoFunction;  // only application zones have an erase command
    const std::optional<Bytes>& key = s.eraseKeys[zone == &kEraseZones[0] ? 0 : 1];
    if (!key) return sim::err::kSequence;
    if (short e = s.select(DriverType::At88sc102); e != sim::err::kOk) return e;
    Bytes apdu = zone->command;
    apdu.insert(apdu.end(), key->begin(), key->end());
    std::optional<Response> r = s.exchange(apdu);
    if (!r) return s.lostResult();
    if (r->sw1 == 0x63) return sim::err::kPassword;
    if (!r->ok()) return refused(*r);
    // The erase is confirmed by the zone reading back as FF.
    Bytes back(static_cast<std::size_t>(length));
    if (short e = readMemory(s, address, length, back.data()); e != sim::err::kOk) return e;
    for (std::uint8_t b : back)
      if (b != 0xFF) return sim::err::kDenied;
    return sim::err::kOk;
  });
}

// The issuer fuse. The command's answer is documented by no manual, so the
// card is read back: it must still answer, with its first zones unchanged.
// The program asks the operator before it calls this.
short PELOX_API IC_Fuse_102(int handle) {
  return readerCall(handle, [&](Session& s) -> short {
    if (short e = s.select(DriverType::At88sc102); e != sim::err::kOk) return e;
    std::uint8_t before[kFuseCheckBytes], after[kFuseCheckBytes];
    if (short e = readMemory(s, 0, kFuseCheckBytes, before); e != sim::err::kOk) return e;
    std::optional<Response> r = s.exchange(command(0x05, 0x00, 0x00, Bytes{0x06, 0x10, 0x01, 0x01}));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    if (short e = readMemory(s, 0, kFuseCheckBytes, after); e != sim::err::kOk) return e;
    return std::equal(before, before + kFuseCheckBytes, after) ? sim::err::kOk : sim::err::kDenied;
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
