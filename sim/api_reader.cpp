// The reader's own functions, the protocol switch and the host-side helpers.
#include <cstring>

#include "sim/api_support.h"
#include "sim/hex.h"

namespace sim::api {

namespace {
bool deviceRange(short start, short length) {
  return start >= 0 && length >= 0 && static_cast<int>(start) + static_cast<int>(length) <= 2048;
}

// Driver types of memory cards: any of them is taken while a card is in.
bool memoryType(pelox::DriverType t) {
  switch (t) {
    case pelox::DriverType::Sle4406:
    case pelox::DriverType::Sle4428:
    case pelox::DriverType::Gpm103:
    case pelox::DriverType::Sle4404:
    case pelox::DriverType::Cpu:
    case pelox::DriverType::Sle4442:
    case pelox::DriverType::At88sc102:
    case pelox::DriverType::I2c:
    case pelox::DriverType::At45d041:
    case pelox::DriverType::Ssf1101:
    case pelox::DriverType::At88sc1604:
    case pelox::DriverType::I2cTwoByteAddress:
    case pelox::DriverType::At88sc1608:
    case pelox::DriverType::At88sc153:
      return true;
    default:
      return false;
  }
}
}  // namespace

int PELOX_API IC_InitComm(int port) {
  std::lock_guard<std::mutex> guard(Reader::lock());
  Reader& r = Reader::get();
  if (auto fault = r.enter("IC_InitComm")) return *fault;
  r.refreshConfig();
  // Only the configured port answers; any other gives no handle (0).
  return r.open(port);
}

short PELOX_API IC_ExitComm(int handle) {
  std::lock_guard<std::mutex> guard(Reader::lock());
  Reader& r = Reader::get();
  if (auto fault = r.enter("IC_ExitComm")) return *fault;
  r.close(handle);  // closing a reader that is not open is harmless
  return err::kOk;
}

short PELOX_API IC_Status(int handle) {
  std::lock_guard<std::mutex> guard(Reader::lock());
  Reader& r = Reader::get();
  if (auto fault = r.enter("IC_Status")) return *fault;
  r.refreshConfig();  // a person may have swapped or pulled the card in the INI file
  if (short e = r.checkHandle(handle); e != err::kOk) return e;
  return r.card() ? 0 : 1;
}

short PELOX_API IC_Status_1(int handle) {
  return readerCall("IC_Status_1", handle, [](Reader& r) -> short { return r.config().versionFault ? 1 : 0; });
}

short PELOX_API IC_ReadVer(int handle, unsigned char* text) {
  return readerCall("IC_ReadVer", handle, [&](Reader& r) -> short {
    if (text == nullptr) return err::kParam;
    // At most 20 bytes; a text of exactly 20 fills the buffer without a zero.
    const std::string& v = r.config().version;
    std::size_t n = v.size() < 20 ? v.size() : 20;
    std::memcpy(text, v.data(), n);
    if (n < 20) text[n] = 0;
    return err::kOk;
  });
}

short PELOX_API IC_Beep(int handle, short mode, short time) {
  return readerCall("IC_Beep", handle, [&](Reader&) -> short {
    if (mode < 0 || time < 0) return err::kParam;
    return err::kOk;  // the virtual buzzer is silent
  });
}

short PELOX_API IC_Down(int handle) {
  return readerCall("IC_Down", handle, [](Reader& r) -> short {
    r.powerDown();
    return err::kOk;
  });
}

short PELOX_API IC_Pushout(int handle) {
  return readerCall("IC_Pushout", handle, [](Reader& r) -> short {
    // The card is out until the INI file names a card again.
    r.pull();
    return err::kOk;
  });
}

short PELOX_API IC_ReadDevice_Hex(int handle, short start, short length, char* hexOut) {
  return readerCall("IC_ReadDevice_Hex", handle, [&](Reader& r) -> short {
    if (hexOut == nullptr || !deviceRange(start, length)) return err::kParam;
    std::string text = toHex(r.deviceMemory().data() + start, static_cast<std::size_t>(length));
    std::memcpy(hexOut, text.c_str(), text.size() + 1);
    return err::kOk;
  });
}

short PELOX_API IC_WriteDevice_Hex(int handle, short start, short length, const char* hex) {
  return readerCall("IC_WriteDevice_Hex", handle, [&](Reader& r) -> short {
    if (hex == nullptr || !deviceRange(start, length)) return err::kParam;
    auto bytes = fromHex(boundedText(hex, 2 * static_cast<std::size_t>(length)), static_cast<std::size_t>(length));
    if (!bytes) return err::kHex;
    if (!bytes->empty()) std::memcpy(r.deviceMemory().data() + start, bytes->data(), bytes->size());
    return err::kOk;
  });
}

short PELOX_API IC_InitType(int handle, short code) {
  return readerCall("IC_InitType", handle, [&](Reader& r) -> short {
    Card* card = r.card();
    if (card == nullptr) return err::kNoCard;  // -134, also for the reader identification type
    const auto driverType = static_cast<pelox::DriverType>(code);
    if (driverType == pelox::DriverType::ReaderIdentification || memoryType(driverType) ||
        (driverType == pelox::DriverType::I2cPageMode && card->speaks(pelox::DriverType::I2cPageMode))) {
      r.setDriverType(driverType);
      return err::kOk;
    }
    if (driverType == pelox::DriverType::Sam || driverType == pelox::DriverType::Sam1 || driverType == pelox::DriverType::Sam2) {
      return err::kNoFunction;  // no SAM fitted
    }
    return err::kParam;
  });
}

short PELOX_API hex2asc(const char* hex, unsigned char* out, short count) {
  return hostCall("hex2asc", [&](Reader&) -> short {
    if (count < 0 || (count > 0 && (hex == nullptr || out == nullptr))) return err::kParam;
    auto bytes = fromHex(boundedText(hex, 2 * static_cast<std::size_t>(count)), static_cast<std::size_t>(count));
    if (!bytes) return err::kHex;
    if (count > 0) std::memcpy(out, bytes->data(), bytes->size());
    return err::kOk;
  });
}

short PELOX_API asc2hex(const unsigned char* in, char* hexOut, short count) {
  return hostCall("asc2hex", [&](Reader&) -> short {
    if (count < 0 || hexOut == nullptr || (count > 0 && in == nullptr)) return err::kParam;
    std::string text = toHex(in, static_cast<std::size_t>(count));
    std::memcpy(hexOut, text.c_str(), text.size() + 1);
    return err::kOk;
  });
}

short PELOX_API SetInit_Hex(const char* ci, const char* gc, const char* q0) {
  return hostCall("SetInit_Hex", [&](Reader& r) -> short {
    auto c = fromHex(boundedText(ci, 16), 8);
    auto g = fromHex(boundedText(gc, 16), 8);
    auto q = fromHex(boundedText(q0, 16), 8);
    if (!c || !g || !q) return err::kHex;
    Reader::HostAuth& h = r.host();
    std::copy(c->begin(), c->end(), h.ci.begin());
    std::copy(g->begin(), g->end(), h.gc.begin());
    std::copy(q->begin(), q->end(), h.q0.begin());
    h.loaded = true;
    return err::kOk;
  });
}

short PELOX_API Authenticate_Hex(char* q1Out, char* q2Out) {
  return hostCall("Authenticate_Hex", [&](Reader& r) -> short {
    if (q1Out == nullptr || q2Out == nullptr) return err::kParam;
    Reader::HostAuth& h = r.host();
    if (!h.loaded) return err::kSequence;
    AuthResult a = authenticate(h.ci, h.gc, h.q0);
    std::string q1 = toHex(a.q1.data(), 8), q2 = toHex(a.newCi.data(), 8);
    std::memcpy(q1Out, q1.c_str(), 17);
    std::memcpy(q2Out, q2.c_str(), 17);
    return err::kOk;
  });
}

}  // namespace sim::api
