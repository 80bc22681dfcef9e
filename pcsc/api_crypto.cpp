// CryptoMemory (AT88SC1608 and AT88SC153): user zones, configuration zone,
// password sets, fuses and the mutual authentication. Attempt counters live
// in the configuration zone; a presentation's outcome is read from there.
#include <cstring>

#include "pcsc/api_support.h"
#include "driverlib/attempts.h"
#include "driverlib/hex.h"

namespace pcsc::api {

namespace {
using pelox::DriverType;
constexpr std::initializer_list<DriverType> kCrypto = {DriverType::At88sc1608, DriverType::At88sc153};

bool is1608(const Session& s) { return s.is(DriverType::At88sc1608); }
int zoneCount(const Session& s) { return is1608(s) ? 8 : 3; }
int zoneSize(const Session& s) { return is1608(s) ? 256 : 64; }
int setCount(const Session& s) { return is1608(s) ? 8 : 2; }
// The configuration zone: instruction B1/D1 on the 1608, zone 11 (B3/D3) on the 153.
std::uint8_t configIns(const Session& s, bool write) {
  return static_cast<std::uint8_t>((write ? 0xD0 : 0xB0) + (is1608(s) ? 1 : 3));
}
int configSize(const Session& s) { return is1608(s) ? 128 : 64; }
// The password sets in the configuration zone, as the CryptoMemory
// datasheets (AT88SC1608, AT88SC153: the configuration zone's map) place
// them, eight bytes a set from 0x40 (1608) or 0x30 (153): the write
// attempts counter, the 3-byte write password, the read attempts counter,
// the 3-byte read password. A password change writes those three bytes.
int counterAddress(const Session& s, int set, bool write) {
  return (is1608(s) ? 64 : 48) + 8 * set + (write ? 0 : 4);
}
// The authentication attempts counter (AAC), configuration byte 0x20 in
// both datasheets: FF after a successful authentication.
constexpr int kAuthCounter = 32;

short configRead(Session& s, int address, int length, std::uint8_t* out) {
  if (address < 0 || address + length > configSize(s)) return err::kAddress;
  for (int done = 0; done < length;) {
    int n = std::min(64, length - done);
    std::optional<Response> r = s.exchange(expect(
        configIns(s, false), 0, static_cast<std::uint8_t>(address + done), static_cast<std::uint8_t>(n)));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    if (r->data.size() != static_cast<std::size_t>(n)) return err::kProtocol;
    std::memcpy(out + done, r->data.data(), static_cast<std::size_t>(n));
    done += n;
  }
  return err::kOk;
}

short configWrite(Session& s, int address, int length, const std::uint8_t* data) {
  if (address < 0 || address + length > configSize(s)) return err::kAddress;
  const int page = is1608(s) ? 16 : 8;
  for (int done = 0; done < length;) {
    int n = std::min(page - (address + done) % page, length - done);
    std::optional<Response> r =
        s.exchange(command(configIns(s, true), 0, static_cast<std::uint8_t>(address + done), data + done,
                           static_cast<std::size_t>(n)));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    done += n;
  }
  return err::kOk;
}

short configByte(Session& s, int address) {
  std::uint8_t b = 0;
  short e = configRead(s, address, 1, &b);
  return e < 0 ? e : b;
}

// The fuse byte: bit 0 FAB, bit 1 CMA, bit 2 PER, set = intact.
Bytes fuseRead(const Session& s) {
  return is1608(s) ? Bytes{0xFF, 0xB1, 0x00, 0x80, 0x01} : Bytes{0xFF, 0xB4, 0x00, 0x00, 0x01};
}

short password(int handle, short set, const char* hex, bool write, bool change) {
  auto code = driverlib::fromHex(driverlib::boundedText(hex, 6), 3);
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (!code) return err::kHex;  // refused before the card is touched: no attempt used
    if (set < 0 || set >= setCount(s)) return err::kParam;
    const int at = counterAddress(s, set, write);
    if (change) return configWrite(s, at + 1, 3, code->data());
    short before = configByte(s, at);
    if (before < 0) return before;
    if (before == 0) return err::kBlocked;
    auto rp = static_cast<std::uint8_t>(((write ? 0 : 1) << (is1608(s) ? 3 : 1)) | set);
    Bytes apdu = is1608(s) ? command(0x20, 0, 0, Bytes{rp, (*code)[0], (*code)[1], (*code)[2]})
                           : command(0x20, 0, rp, *code);
    std::optional<Response> r = s.exchange(apdu);
    if (!r) return s.lostResult();
    if (r->sw1 != 0x90 && r->sw1 != 0x63) return refused(*r);
    short after = configByte(s, at);
    if (after < 0) return after;
    if (after == 0xFF) return err::kOk;
    return after == 0 ? err::kBlocked : err::kPassword;
  });
}

short count(int handle, int set, bool write) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (set < 0 || set >= setCount(s)) return err::kParam;
    short b = configByte(s, counterAddress(s, set, write));
    return b < 0 ? b : static_cast<short>(driverlib::attemptsLeft(b));
  });
}

std::optional<Bytes> block(const char* hex) { return driverlib::fromHex(driverlib::boundedText(hex, 16), 8); }
}  // namespace

short PELOX_API IC_SetUserZone(int handle, short zone) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (zone < 0 || zone >= zoneCount(s)) return err::kParam;
    s.zone = zone;  // the reader addresses the zone in each command
    return err::kOk;
  });
}

short PELOX_API IC_ReadUserZone(int handle, short address, short length, unsigned char* out) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (badBuffer(length, out)) return err::kParam;
    if (s.zone < 0) return err::kSequence;
    if (address < 0 || address + length > zoneSize(s)) return err::kAddress;
    return readMemory(s, s.zone * zoneSize(s) + address, length, out);
  });
}

short PELOX_API IC_WriteUserZone(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    if (s.zone < 0) return err::kSequence;
    if (address < 0 || address + length > zoneSize(s)) return err::kAddress;
    return writeMemory(s, s.zone * zoneSize(s) + address, length, data);
  });
}

short PELOX_API IC_ReadConfigZone(int handle, short address, short length, unsigned char* out) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (badBuffer(length, out)) return err::kParam;
    return configRead(s, address, length, out);
  });
}

short PELOX_API IC_WriteConfigZone(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    return configWrite(s, address, length, data);
  });
}

short PELOX_API IC_ReadConfigZone_Hex(int handle, short address, short length, char* hexOut) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (length < 0 || hexOut == nullptr) return err::kParam;
    Bytes bytes(static_cast<std::size_t>(length));
    if (short e = configRead(s, address, length, bytes.data()); e != err::kOk) return e;
    std::string text = driverlib::toHex(bytes);
    std::memcpy(hexOut, text.c_str(), text.size() + 1);
    return err::kOk;
  });
}

short PELOX_API IC_CheckRPassword_Hex(int handle, short set, const char* hex) {
  return password(handle, set, hex, false, false);
}
short PELOX_API IC_CheckWPassword_Hex(int handle, short set, const char* hex) {
  return password(handle, set, hex, true, false);
}
short PELOX_API IC_ChangeRPassword_Hex(int handle, short set, const char* hex) {
  return password(handle, set, hex, false, true);
}
short PELOX_API IC_ChangeWPassword_Hex(int handle, short set, const char* hex) {
  return password(handle, set, hex, true, true);
}
short PELOX_API IC_ReadRPasswordCount(int handle, unsigned char set) { return count(handle, set, false); }
short PELOX_API IC_ReadWPasswordCount(int handle, unsigned char set) { return count(handle, set, true); }

short PELOX_API IC_ReadFuse(int handle) {
  return typedCall(handle, kCrypto, [](Session& s) -> short {
    short b = firstByte(s, fuseRead(s));
    return b < 0 ? b : static_cast<short>(b & 7);
  });
}

// Blows the next fuse in the card's order and reads the fuses back: the
// write's answer alone does not show the fuse blown. The fuse byte is the
// datasheets' (AT88SC1608 and AT88SC153, "fuses"): bit 0 FAB, bit 1 CMA,
// bit 2 PER, 1 = intact, blown one at a time in that order by writing the
// byte with the next bit cleared. `which` 0 asks for the next fuse; no other
// value has a documented meaning, so nothing is sent for it.
short PELOX_API IC_WriteFuse(int handle, short which) {
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (which != 0) return err::kParam;
    short fuses = firstByte(s, fuseRead(s));
    if (fuses < 0) return fuses;
    fuses &= 7;
    if (fuses == 0 || (fuses != 7 && fuses != 6 && fuses != 4)) return err::kDenied;
    auto next = static_cast<std::uint8_t>(fuses & (fuses - 1));  // the lowest intact fuse blown
    Bytes write = is1608(s) ? command(0xD1, 0x00, 0x80, Bytes{next}) : command(0xD4, 0x00, 0x00, Bytes{next});
    std::optional<Response> r = s.exchange(write);
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    short back = firstByte(s, fuseRead(s));
    if (back < 0) return back;
    return (back & 7) == next ? err::kOk : err::kDenied;
  });
}

short PELOX_API IC_ReadAuthCount(int handle) {
  return typedCall(handle, kCrypto, [](Session& s) -> short {
    short b = configByte(s, kAuthCounter);
    return b < 0 ? b : static_cast<short>(driverlib::attemptsLeft(b));
  });
}

short PELOX_API IC_InitAuth_Hex(int handle, const char* q0) {
  auto q = block(q0);
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (!q) return err::kHex;
    std::optional<Response> r = s.exchange(command(0x84, 0, 0, *q));
    if (!r) return s.lostResult();
    return r->ok() ? err::kOk : refused(*r);
  });
}

short PELOX_API IC_CheckAuth_Hex(int handle, const char* q1) {
  auto q = block(q1);
  return typedCall(handle, kCrypto, [&](Session& s) -> short {
    if (!q) return err::kHex;
    std::optional<Response> r = s.exchange(command(0x82, 0, 0, *q));
    if (!r) return s.lostResult();
    if (!r->ok()) return refused(*r);
    // 90 00 says only that the command ran: the outcome is in the AAC.
    short aac = configByte(s, kAuthCounter);
    if (aac < 0) return aac;
    if (aac == 0xFF) return err::kOk;
    return aac == 0 ? err::kBlocked : err::kPassword;
  });
}

}  // namespace pcsc::api
