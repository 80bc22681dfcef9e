// Memory reads and writes. Every card type is read and written in the
// reader's own addressing for it; the AT45D041 and SSF1101 have no commands
// on these readers, so their paged functions fail cleanly.
#include <algorithm>
#include <cstring>

#include "pcsc/api_support.h"

namespace pcsc::api {

namespace {
using pelox::DriverType;

// The reader itself under driver type 253: two identification bytes. The
// second is never "M": a PC/SC reader takes no firmware from this program.
constexpr unsigned char kIdentification[2] = {'P', 'C'};

constexpr std::initializer_list<DriverType> kOwnWrite = {
    DriverType::I2c,     DriverType::I2cTwoByteAddress, DriverType::Sle4442,    DriverType::Sle4428,
    DriverType::Sle4404, DriverType::At88sc102,         DriverType::At88sc1608, DriverType::At88sc153};
}  // namespace

short PELOX_API IC_Read(int handle, short address, short length, unsigned char* out) {
  return readerCall(handle, [&](Session& s) -> short {
    if (badBuffer(length, out)) return err::kParam;
    if (s.is(DriverType::ReaderIdentification)) {
      if (address < 0 || address + length > 2) return err::kAddress;
      std::memcpy(out, kIdentification + address, static_cast<std::size_t>(length));
      return err::kOk;
    }
    if (!s.is(DriverType::None) && readerCardType(s.type()) == 0 && !s.is(DriverType::Cpu)) {
      // A card type these readers have no commands for: no chip answers,
      // the bytes read as FF and nothing reaches the card (the program's
      // detection then goes on to the next type).
      if (address < 0) return err::kAddress;
      std::memset(out, 0xFF, static_cast<std::size_t>(length));
      return err::kOk;
    }
    return readMemory(s, address, length, out);
  });
}

short PELOX_API IC_Write(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, kOwnWrite, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    return writeMemory(s, address, length, data);
  });
}

short PELOX_API IC_Write24(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, {DriverType::I2c}, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    return writeMemory(s, address, length, data);
  });
}

short PELOX_API IC_Write64(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, {DriverType::I2cTwoByteAddress}, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    return writeMemory(s, address, length, data);
  });
}

// No reader of this family reads or writes page-organised flash cards.
short PELOX_API IC_DirectRead(int handle, short, short, short, unsigned char*) {
  return readerCall(handle, [](Session&) { return err::kProtocol; });
}
short PELOX_API IC_DirectWrite(int handle, short, short, short, const unsigned char*) {
  return readerCall(handle, [](Session&) { return err::kProtocol; });
}
short PELOX_API IC_Read_1101(int handle, short, short, short, unsigned char*) {
  return readerCall(handle, [](Session&) { return err::kProtocol; });
}
short PELOX_API IC_Write_1101(int handle, short, short, short, const unsigned char*) {
  return readerCall(handle, [](Session&) { return err::kProtocol; });
}

// WRITE_PROTECTION_MEMORY_CARD takes the SLE4442's addresses 00-1F only,
// with address plus length at most 32: a reader that used five address
// bits of a larger one would protect another byte for ever. The SLE4428's
// P1 holds A9 A8: its 1024 bytes. Anything else is refused before sending.
static bool protectable(const Session& s, short address, short length) {
  const int end = s.is(DriverType::Sle4442) ? 32 : 1024;
  return address >= 0 && length > 0 && address + length <= end;
}

short PELOX_API IC_ReadWithProtection(int handle, short address, short length, unsigned char* out) {
  return typedCall(handle, {DriverType::Sle4442, DriverType::Sle4428}, [&](Session& s) -> short {
    if (badBuffer(length, out)) return err::kParam;
    // The data bytes, then one flag per byte (0 = protected); bytes past the
    // SLE4442's 32 protectable ones are always writable.
    if (short e = readMemory(s, address, length, out); e != err::kOk) return e;
    std::memset(out + length, 1, static_cast<std::size_t>(length));
    int covered =
        s.is(DriverType::Sle4442) ? std::max(0, std::min<int>(address + length, 32) - address) : length;
    return covered > 0 ? readProtection(s, address, covered, out + length) : err::kOk;
  });
}

short PELOX_API IC_WriteWithProtection(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, {DriverType::Sle4442, DriverType::Sle4428}, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    if (!protectable(s, address, length)) return err::kAddress;
    if (short e = writeMemory(s, address, length, data); e != err::kOk) return e;
    return writeMemory(s, address, length, data, 0xD1);  // protects the bytes that now match
  });
}

short PELOX_API IC_ReadProtection(int handle, short address, short length, unsigned char* out) {
  return typedCall(handle, {DriverType::Sle4442, DriverType::Sle4428}, [&](Session& s) -> short {
    if (badBuffer(length, out)) return err::kParam;
    return readProtection(s, address, length, out);
  });
}

short PELOX_API IC_WriteProtection(int handle, short address, short length, const unsigned char* data) {
  return typedCall(handle, {DriverType::Sle4442, DriverType::Sle4428}, [&](Session& s) -> short {
    if (badBuffer(length, data)) return err::kParam;
    if (!protectable(s, address, length)) return err::kAddress;
    return writeMemory(s, address, length, data, 0xD1);
  });
}

}  // namespace pcsc::api
