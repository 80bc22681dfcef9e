#include "wire.h"

#include <algorithm>

namespace bridge {

namespace {

bool transferAll(const Transfer& transfer, std::uint8_t* data, std::size_t n) {
  for (std::size_t done = 0; done < n;) {
    const long moved = transfer(data + done, n - done);
    if (moved <= 0) return false;
    done += static_cast<std::size_t>(moved);
  }
  return true;
}

}  // namespace

Writer& Writer::op(Op o) {
  body_.push_back(static_cast<std::uint8_t>(o));
  return *this;
}

Writer& Writer::u32(std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) body_.push_back(static_cast<std::uint8_t>(v >> shift));
  return *this;
}

Writer& Writer::bytes(const std::uint8_t* data, std::size_t n) {
  u32(static_cast<std::uint32_t>(n));
  body_.insert(body_.end(), data, data + n);
  return *this;
}

Writer& Writer::text(const std::string& s) {
  return bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

bool Reader::take(std::size_t n) {
  ok_ = ok_ && n <= body_.size() - at_;
  return ok_;
}

bool Reader::op(Op& o) {
  if (!take(1)) return false;
  const std::uint8_t v = body_[at_++];
  ok_ = v >= static_cast<std::uint8_t>(Op::Establish) && v <= static_cast<std::uint8_t>(Op::Transmit);
  o = static_cast<Op>(v);
  return ok_;
}

bool Reader::u32(std::uint32_t& v) {
  if (!take(4)) return false;
  v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(body_[at_++]) << (8 * i);
  return true;
}

bool Reader::bytes(Bytes& out, std::size_t max) {
  std::uint32_t n = 0;
  if (!u32(n)) return false;
  ok_ = n <= max;
  if (!take(n)) return false;
  out.assign(body_.begin() + static_cast<std::ptrdiff_t>(at_),
             body_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
  at_ += n;
  return true;
}

bool Reader::text(std::string& out, std::size_t max) {
  Bytes b;
  if (!bytes(b, max)) return false;
  ok_ = std::find(b.begin(), b.end(), 0) == b.end();
  out.assign(b.begin(), b.end());
  return ok_;
}

bool sendFrame(const Transfer& send, const Bytes& body) {
  if (body.size() > kMaxFrame) return false;
  Bytes frame = Writer().u32(static_cast<std::uint32_t>(body.size())).body();
  frame.insert(frame.end(), body.begin(), body.end());
  return transferAll(send, frame.data(), frame.size());
}

bool readFrame(const Transfer& receive, Bytes& body, std::string& why) {
  Bytes head(4);
  if (!transferAll(receive, head.data(), head.size())) return false;
  std::uint32_t n = 0;
  Reader(head).u32(n);
  if (n > kMaxFrame) {
    why = "a frame of " + std::to_string(n) + " bytes (at most " + std::to_string(kMaxFrame) + ")";
    return false;
  }
  body.resize(n);
  return transferAll(receive, body.data(), n);
}

}  // namespace bridge
