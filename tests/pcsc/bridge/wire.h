// The wire protocol between the test-only winscard.dll (under Wine) and the
// native bridge that makes its smart-card calls on pcsc-lite.
//
// A frame is a 4-byte little-endian length and a body of at most kMaxFrame
// bytes. A request's body is an operation byte and its fields; an answer's
// body is the call's result and the output fields, all of them present even
// when the call failed. A number is 32 bits little-endian (Windows' DWORD
// and LONG: the bridge narrows pcsc-lite's 8-byte ones), a byte string a
// number of bytes and the bytes, a text the same without any NUL. Contexts
// and card handles are the bridge's own numbers, never pcsc-lite's values.
// Values are Windows' (protocols, the card state of Status); the bridge
// translates them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bridge {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kMaxFrame = 1 << 17;
inline constexpr std::size_t kMaxApdu = 65548;  // pcsc-lite's extended APDU buffer
inline constexpr std::size_t kMaxName = 256;    // a reader name
inline constexpr std::size_t kMaxNames = 4096;  // the multi-string of all reader names
inline constexpr std::size_t kMaxAtr = 36;
inline constexpr std::uint32_t kMaxStates = 16;  // reader states in one GetStatusChange

// Requests and their fields; the answer's fields after the result.
enum class Op : std::uint8_t {
  Establish = 1,    // scope                               -> context
  Release,          // context                             -> (nothing)
  ListReaders,      // context                             -> bytes: the names, each NUL-ended, a final NUL
  GetStatusChange,  // context timeout count {text reader, current}... -> {event, bytes atr} x count
  Connect,          // context text reader share protocols -> card active
  Reconnect,        // card share protocols initialisation -> active
  Disconnect,       // card disposition                    -> (nothing)
  Status,           // card                                -> text reader, state, protocol, bytes atr
  Transmit,         // card protocol bytes apdu capacity   -> bytes response
};

class Writer {
 public:
  Writer& op(Op o);
  Writer& u32(std::uint32_t v);
  Writer& bytes(const std::uint8_t* data, std::size_t n);
  Writer& bytes(const Bytes& b) { return bytes(b.data(), b.size()); }
  Writer& text(const std::string& s);
  const Bytes& body() const { return body_; }

 private:
  Bytes body_;
};

// Reads fields in order; every read fails (and keeps failing) once a field
// is missing, too long or malformed.
class Reader {
 public:
  explicit Reader(const Bytes& body) : body_(body) {}
  bool op(Op& o);
  bool u32(std::uint32_t& v);
  bool bytes(Bytes& out, std::size_t max);
  bool text(std::string& out, std::size_t max);
  // True when every field was read and nothing is left over.
  bool complete() const { return ok_ && at_ == body_.size(); }
  bool ok() const { return ok_; }

 private:
  bool take(std::size_t n);
  const Bytes& body_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// A stream's transfer of up to `n` bytes: the count moved, 0 or less when
// the stream is closed or broken.
using Transfer = std::function<long(std::uint8_t* data, std::size_t n)>;

bool sendFrame(const Transfer& send, const Bytes& body);
// One frame's body. False at the end of the stream, and for a frame longer
// than kMaxFrame (then `why` says so and the stream is unusable).
bool readFrame(const Transfer& receive, Bytes& body, std::string& why);

}  // namespace bridge
