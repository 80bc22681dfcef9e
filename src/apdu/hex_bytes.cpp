#include "apdu/hex_bytes.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr int kAnyDigit = -1;
constexpr int kNoDigit = -2;

int digitValue(char ch, bool wildcard) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (wildcard && (ch == 'X' || ch == 'x')) return kAnyDigit;
  return kNoDigit;
}

// The digits of a text (with blanks skipped), or the problem.
apdu::HexParse digitsOf(std::string_view text, bool wildcard, std::vector<int>& digits) {
  apdu::HexParse r;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ' || text[i] == '\t') continue;
    const int d = digitValue(text[i], wildcard);
    if (d == kNoDigit) {
      r.problem = apdu::HexProblem::NotHex;
      r.at = i;
      return r;
    }
    digits.push_back(d);
  }
  if (digits.size() % 2 != 0) {
    r.problem = apdu::HexProblem::OddDigits;
    r.at = text.size();
  }
  return r;
}

}  // namespace

std::string upperHex(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

namespace apdu {

std::string spacedHex(const Bytes& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text += ' ';
    text += upperHex(&bytes[i], 1);
  }
  return text;
}

HexParse parseHex(std::string_view text) {
  std::vector<int> digits;
  HexParse r = digitsOf(text, false, digits);
  if (!r.ok()) return r;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    r.bytes.push_back(static_cast<std::uint8_t>(digits[i] << 4 | digits[i + 1]));
  return r;
}

HexPattern HexPattern::parse(std::string_view text, HexParse* problem) {
  HexPattern p;
  HexParse r = digitsOf(text, true, p.nibbles_);
  if (!r.ok()) p.nibbles_.clear();
  if (problem != nullptr) *problem = r;
  return p;
}

bool HexPattern::matches(const Bytes& bytes) const {
  if (bytes.size() != size()) return false;
  for (std::size_t i = 0; i < nibbles_.size(); ++i) {
    const int actual = i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F;
    if (nibbles_[i] != kAnyDigit && nibbles_[i] != actual) return false;
  }
  return true;
}

bool HexPattern::matchesTail(const Bytes& bytes) const {
  if (bytes.size() < size()) return false;
  return matches(Bytes(bytes.end() - static_cast<long>(size()), bytes.end()));
}

std::string HexPattern::text() const {
  std::string s;
  for (int n : nibbles_) s += n == kAnyDigit ? 'X' : kDigits[n];
  return s;
}

}  // namespace apdu
