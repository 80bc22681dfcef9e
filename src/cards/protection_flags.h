// The SLE4442/SLE4428 protection flag of a byte, as the driver reads it
// (the SLE4428 takes any value but kProtectedFlag as writable).
#pragma once

#include <cstdint>

inline constexpr std::uint8_t kProtectedFlag = 0;  // protected on the card, or marked for it
inline constexpr std::uint8_t kWritableFlag = 1;
