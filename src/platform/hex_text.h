// Addresses and byte values as the program's messages write them: upper-case
// hexadecimal, zero-padded to a number of digits ("0080", "A1").
#pragma once

#include <cstdio>
#include <string>

inline std::string hexText(int value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value & 0xFFFF);
  return text;
}
