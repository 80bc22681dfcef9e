#include "driverlib/hex.h"

namespace driverlib {

namespace {
int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

std::string toHex(const std::uint8_t* bytes, std::size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> fromHex(std::string_view text, std::size_t count) {
  if (text.size() < count * 2) return std::nullopt;
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    int high = digitValue(text[2 * i]);
    int low = digitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return bytes;
}

std::optional<std::vector<std::uint8_t>> fromHexAll(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  return fromHex(text, text.size() / 2);
}

std::string_view boundedText(const char* text, std::size_t limit) {
  if (text == nullptr) return {};
  std::size_t length = 0;  // byte by byte: never reads past the terminating zero
  while (length < limit && text[length] != 0) ++length;
  return std::string_view(text, length);
}

}  // namespace driverlib
