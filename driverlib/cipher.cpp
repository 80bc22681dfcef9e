#include "driverlib/cipher.h"

namespace driverlib {

namespace {
std::uint8_t rotl5(std::uint8_t v) { return static_cast<std::uint8_t>(((v << 1) | (v >> 4)) & 0x1F); }
std::uint8_t rotl7(std::uint8_t v) { return static_cast<std::uint8_t>(((v << 1) | (v >> 6)) & 0x7F); }
}  // namespace

AuthCipher::AuthCipher(const Block8& ci, const Block8& gc, const Block8& q0) {
  for (int i = 0; i < 4; ++i) {
    step(ci[2 * i]);
    step(ci[2 * i + 1]);
    step(q0[i]);
  }
  for (int i = 0; i < 4; ++i) {
    step(gc[2 * i]);
    step(gc[2 * i + 1]);
    step(q0[4 + i]);
  }
}

void AuthCipher::step(std::uint8_t d) {
  std::uint8_t ri = d & 0x1F;
  std::uint8_t si = static_cast<std::uint8_t>(((d & 0x0F) << 3) | (d >> 5));
  std::uint8_t ti = d >> 3;
  int r = r_[3] + rotl5(r_[6]);
  int s = s_[5] + rotl7(s_[6]);
  int t = t_[4] + t_[2];
  if (r > 31) r -= 31;
  if (s > 127) s -= 127;
  if (t > 31) t -= 31;
  // Shift the registers, mixing the input in on the way.
  std::uint8_t nr[7] = {static_cast<std::uint8_t>(r), r_[0], r_[1], static_cast<std::uint8_t>(r_[2] ^ ri), r_[3], r_[4], r_[5]};
  std::uint8_t ns[7] = {static_cast<std::uint8_t>(s), s_[0], s_[1], s_[2], s_[3], static_cast<std::uint8_t>(s_[4] ^ si), s_[5]};
  std::uint8_t nt[5] = {static_cast<std::uint8_t>(t), t_[0], static_cast<std::uint8_t>(t_[1] ^ ti), t_[2], t_[3]};
  for (int i = 0; i < 7; ++i) r_[i] = nr[i];
  for (int i = 0; i < 7; ++i) s_[i] = ns[i];
  for (int i = 0; i < 5; ++i) t_[i] = nt[i];
  std::uint8_t n = static_cast<std::uint8_t>(((s_[0] & (t_[0] ^ t_[3])) | (~s_[0] & (r_[0] ^ r_[4]))) & 0x0F);
  y_ = static_cast<std::uint8_t>((y_ << 4) | n);
  lastNibble_ = n;
}

std::uint8_t AuthCipher::nextByte() {
  step(0);
  step(0);
  std::uint8_t high = lastNibble_;
  step(0);
  step(0);
  return static_cast<std::uint8_t>((high << 4) | lastNibble_);
}

AuthResult authenticate(const Block8& ci, const Block8& gc, const Block8& q0) {
  AuthCipher cipher(ci, gc, q0);
  AuthResult result{};
  for (int i = 0; i < 8; ++i) {
    result.newCi[i] = cipher.nextByte();
    result.q1[i] = cipher.nextByte();
  }
  return result;
}

}  // namespace driverlib
