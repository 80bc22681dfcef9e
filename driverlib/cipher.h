// The authentication cipher of the AT88SC153 and AT88SC1608 (the published
// reconstruction by Garcia, van Rossum, Verdult and Wichers Schreur, 2010).
// The host side (SetInit_Hex / Authenticate_Hex) and the card's own check use
// this one implementation.
#pragma once

#include <array>
#include <cstdint>

namespace driverlib {

using Block8 = std::array<std::uint8_t, 8>;

class AuthCipher {
 public:
  // Loads Ci, Gc and the host random Q0 into a fresh state.
  AuthCipher(const Block8& ci, const Block8& gc, const Block8& q0);
  // One keystream byte.
  std::uint8_t nextByte();

 private:
  void step(std::uint8_t input);
  std::uint8_t r_[7] = {};
  std::uint8_t s_[7] = {};
  std::uint8_t t_[5] = {};
  std::uint8_t y_ = 0;
  std::uint8_t lastNibble_ = 0;
};

struct AuthResult {
  Block8 q1;     // the host's proof, sent to the card
  Block8 newCi;  // the card's next cryptogram (the host's Q2)
};

// Both values from Ci, Gc and Q0.
AuthResult authenticate(const Block8& ci, const Block8& gc, const Block8& q0);

}  // namespace driverlib
