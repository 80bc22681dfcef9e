// The simulator's names for the CryptoMemory cipher (driverlib/cipher.h).
#pragma once

#include "driverlib/cipher.h"

namespace sim {
using driverlib::AuthCipher;
using driverlib::AuthResult;
using driverlib::authenticate;
using driverlib::Block8;
}  // namespace sim
