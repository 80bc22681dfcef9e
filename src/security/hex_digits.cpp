#include "security/hex_digits.h"

namespace {

char charAt(std::string_view text, std::size_t i) { return i < text.size() ? text[i] : '\0'; }

// The value of one character in PackHexDigits' arithmetic, modulo 256.
unsigned digitValue(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const auto code = static_cast<unsigned>(static_cast<unsigned char>(c));
  if (static_cast<signed char>(c) <= '9') return (code - 0x30u) & 0xFFu;
  return (code - 0x37u) & 0xFFu;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// One pair read the way strtol(piece, nullptr, 16) reads it.
std::uint8_t readPair(std::string_view piece) {
  std::size_t i = 0;
  while (i < piece.size() && isBlank(piece[i])) ++i;
  bool negative = false;
  if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
    negative = piece[i] == '-';
    ++i;
  }
  int value = 0;
  for (; i < piece.size() && hexValue(piece[i]) >= 0; ++i) value = value * 16 + hexValue(piece[i]);
  if (negative) value = -value;
  return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

std::vector<std::uint8_t> PackHexDigits(std::string_view text, int n) {
  if (n < 0) n = 0;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(n / 2) + 1, 0);
  for (int i = 0; i < n; i += 2) {
    const unsigned a = digitValue(charAt(text, static_cast<std::size_t>(i)));
    const unsigned b = digitValue(charAt(text, static_cast<std::size_t>(i) + 1));
    out[static_cast<std::size_t>(i / 2)] = static_cast<std::uint8_t>((((a & 0x0Fu) << 4) + b) & 0xFFu);
  }
  out[static_cast<std::size_t>(n / 2)] = 0;
  return out;
}

std::vector<std::uint8_t> ParseHexPairs(std::string_view text, int count) {
  if (count < 0) count = 0;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(count) + 1, 0);
  for (int k = 0; k < count; ++k) {
    const std::size_t at = static_cast<std::size_t>(2 * k);
    const std::string_view piece = at < text.size() ? text.substr(at, 2) : std::string_view{};
    out[static_cast<std::size_t>(k)] = readPair(piece);
  }
  return out;
}

bool isHexText(std::string_view text) {
  for (char c : text)
    if (hexValue(c) < 0) return false;
  return true;
}
