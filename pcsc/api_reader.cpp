// The reader's own functions, the card-type switch and the host-side
// helpers. What a PC/SC reader cannot do (beeper, device memory, pushing the
// card out) fails cleanly.
#include <algorithm>
#include <cstring>

#include "pcsc/api_support.h"
#include "driverlib/hex.h"

namespace pcsc::api {

namespace {
// The version text: the reader's name, as much as 20 characters hold.
constexpr std::size_t kVersionLength = 20;

short unsupported(int handle) {
  return readerCall(handle, [](Session&) { return err::kNoFunction; });
}

template <class F>
short hostCall(F&& body) {
  std::lock_guard<std::mutex> guard(Session::lock());
  return body(Session::get());
}
}  // namespace

int PELOX_API IC_InitComm(int port) {
  std::lock_guard<std::mutex> guard(Session::lock());
  return Session::get().open(port);
}

short PELOX_API IC_ExitComm(int handle) {
  std::lock_guard<std::mutex> guard(Session::lock());
  Session& s = Session::get();
  if (s.checkHandle(handle) == err::kOk) s.close();  // closing a reader that is not open is harmless
  return err::kOk;
}

short PELOX_API IC_Status(int handle) {
  return readerCall(handle, [](Session& s) { return s.status(); });
}

short PELOX_API IC_Status_1(int handle) {
  return readerCall(handle, [](Session&) { return err::kOk; });
}

short PELOX_API IC_ReadVer(int handle, unsigned char* text) {
  return readerCall(handle, [&](Session& s) -> short {
    if (text == nullptr) return err::kParam;
    const std::string& name = s.readerName();
    std::size_t n = std::min(name.size(), kVersionLength);
    std::memcpy(text, name.data(), n);
    if (n < kVersionLength) text[n] = 0;
    return err::kOk;
  });
}

short PELOX_API IC_Beep(int handle, short, short) { return unsupported(handle); }
short PELOX_API IC_Pushout(int handle) { return unsupported(handle); }
short PELOX_API IC_ReadDevice_Hex(int handle, short, short, char*) { return unsupported(handle); }
short PELOX_API IC_WriteDevice_Hex(int handle, short, short, const char*) { return unsupported(handle); }

short PELOX_API IC_Down(int handle) {
  return readerCall(handle, [](Session& s) {
    s.powerDown();
    return err::kOk;
  });
}

short PELOX_API IC_InitType(int handle, short code) {
  return readerCall(handle, [&](Session& s) { return s.select(static_cast<pelox::DriverType>(code)); });
}

short PELOX_API hex2asc(const char* hex, unsigned char* out, short count) {
  return hostCall([&](Session&) -> short {
    if (count < 0 || (count > 0 && (hex == nullptr || out == nullptr))) return err::kParam;
    auto bytes = driverlib::fromHex(driverlib::boundedText(hex, 2 * static_cast<std::size_t>(count)),
                              static_cast<std::size_t>(count));
    if (!bytes) return err::kHex;
    if (count > 0) std::memcpy(out, bytes->data(), bytes->size());
    return err::kOk;
  });
}

short PELOX_API asc2hex(const unsigned char* in, char* hexOut, short count) {
  return hostCall([&](Session&) -> short {
    if (count < 0 || hexOut == nullptr || (count > 0 && in == nullptr)) return err::kParam;
    std::string text = driverlib::toHex(in, static_cast<std::size_t>(count));
    std::memcpy(hexOut, text.c_str(), text.size() + 1);
    return err::kOk;
  });
}

short PELOX_API SetInit_Hex(const char* ci, const char* gc, const char* q0) {
  return hostCall([&](Session& s) -> short {
    auto c = driverlib::fromHex(driverlib::boundedText(ci, 16), 8);
    auto g = driverlib::fromHex(driverlib::boundedText(gc, 16), 8);
    auto q = driverlib::fromHex(driverlib::boundedText(q0, 16), 8);
    if (!c || !g || !q) return err::kHex;
    std::copy(c->begin(), c->end(), s.host.ci.begin());
    std::copy(g->begin(), g->end(), s.host.gc.begin());
    std::copy(q->begin(), q->end(), s.host.q0.begin());
    s.host.loaded = true;
    return err::kOk;
  });
}

short PELOX_API Authenticate_Hex(char* q1Out, char* q2Out) {
  return hostCall([&](Session& s) -> short {
    if (q1Out == nullptr || q2Out == nullptr) return err::kParam;
    if (!s.host.loaded) return err::kSequence;
    driverlib::AuthResult a = driverlib::authenticate(s.host.ci, s.host.gc, s.host.q0);
    std::string q1 = driverlib::toHex(a.q1.data(), 8), q2 = driverlib::toHex(a.newCi.data(), 8);
    std::memcpy(q1Out, q1.c_str(), 17);
    std::memcpy(q2Out, q2.c_str(), 17);
    return err::kOk;
  });
}

}  // namespace pcsc::api
