// The PC/SC driver's functions (pcsc::api::IC_Read, ...), declared from the
// one function list so their types cannot drift from the driver table, and
// the frame every one of them runs in.
#pragma once

#include "pcsc/session.h"
#include "reader/driver.h"
#include "driverlib/errors.h"

namespace pcsc::api {
#define PELOX_FN(ret, name, params, args, bytes) ret PELOX_API name params;
#include "reader/driver_functions.h"
#undef PELOX_FN
}  // namespace pcsc::api

namespace pcsc {

// A call on the open reader.
template <class F>
short readerCall(int handle, F&& body) {
  std::lock_guard<std::mutex> guard(Session::lock());
  Session& s = Session::get();
  if (short e = s.checkHandle(handle); e != err::kOk) return e;
  return body(s);
}

// A call that needs one of the card types; any other selected type fails
// before the card is touched (-3), and no type at all (none chosen, or the
// card dropped) says why: no card, the reader gone, or select first.
template <class F>
short typedCall(int handle, std::initializer_list<pelox::DriverType> types, F&& body) {
  return readerCall(handle, [&](Session& s) -> short {
    for (pelox::DriverType t : types)
      if (s.is(t)) return body(s);
    return s.is(pelox::DriverType::None) ? s.unselectedResult() : err::kProtocol;
  });
}

inline bool badBuffer(short length, const void* buffer) {
  return length < 0 || (length > 0 && buffer == nullptr);
}

// The driver's result for a status word other than 90 00.
short refused(const Response& r);

// Memory of the selected card type, in as many APDUs as the reader's
// addressing needs. SLE reads of the older generation carry protection
// bits: `flags` (one byte per byte read, 1 = writable), when given, gets
// them; reads that cannot give them fail.
short readMemory(Session& s, int address, int length, std::uint8_t* out, std::uint8_t* flags = nullptr);
short writeMemory(Session& s, int address, int length, const std::uint8_t* data, std::uint8_t ins = 0xD0);
// SLE4442 (bytes 0-31) and SLE4428 protection flags, 1 = writable.
short readProtection(Session& s, int address, int length, std::uint8_t* flags);

// The first byte of the answer to `apdu` (0-255), or the driver's failure.
short firstByte(Session& s, const Bytes& apdu);

}  // namespace pcsc
