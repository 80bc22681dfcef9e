// Attempt counters kept as one bit per attempt left (FF = 8 attempts,
// 07 = 3), as the memory cards keep them.
#pragma once

namespace driverlib {

inline int attemptsLeft(int bits) {
  int n = 0;
  for (int b = bits & 0xFF; b != 0; b >>= 1) n += b & 1;
  return n;
}
inline int useAttempt(int bits) { return (bits & 0xFF) >> 1; }  // one bit less
inline int fullAttempts(int count) { return (1 << count) - 1; }

}  // namespace driverlib
