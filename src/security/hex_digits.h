// Turning typed hexadecimal digits into the code bytes the driver expects.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Packs the first n characters of `text` (n even) into n/2 bytes, two
// characters per byte, high digit first, and appends one zero byte: the
// result holds n/2 + 1 bytes. Pure arithmetic, nothing is refused: a
// character's value is its code minus 0x30 when it is "9" or below (as a
// signed 8-bit value), otherwise its upper-case code minus 0x37; the first
// digit of a pair contributes its low four bits, the second its whole value.
// Characters past the end of `text` count as NUL characters (value 0 - 0x30,
// like any other character below "9"); the text is never read past its end.
std::vector<std::uint8_t> PackHexDigits(std::string_view text, int n);

// Reads `count` bytes from the first 2 x count characters of `text`, each
// pair as a base-16 number (leading blanks skipped, an optional sign, reading
// stops at the first non-digit, no digit reads 0), keeping its low 8 bits.
// The result holds the count bytes and one zero byte after them.
std::vector<std::uint8_t> ParseHexPairs(std::string_view text, int count);

// True when `text` is made only of the digits 0-9 and the letters A-F
// (either case). The empty text is hexadecimal.
bool isHexText(std::string_view text);
