// Bytes as hexadecimal text and back, as the operator types them: two
// digits per byte, blanks between digits allowed; expected answers may hold
// X for a digit that can be anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Bytes as text, two upper-case hexadecimal digits per byte, high digit first.
std::string upperHex(const std::uint8_t* bytes, std::size_t count);

namespace apdu {

using Bytes = std::vector<std::uint8_t>;

inline std::string hex(const Bytes& bytes) { return upperHex(bytes.data(), bytes.size()); }
// "3B 02 14 50": the bytes with a blank between them.
std::string spacedHex(const Bytes& bytes);

// Why a text is no series of bytes.
enum class HexProblem {
  None,
  NotHex,     // a character that is neither a digit nor a blank (`at` is its offset)
  OddDigits,  // the digits do not pair up into bytes
};

struct HexParse {
  Bytes bytes;
  HexProblem problem = HexProblem::None;
  std::size_t at = 0;  // offset of the offending character
  bool ok() const { return problem == HexProblem::None; }
};

// Hexadecimal digits of either case; blanks and tabs between them are
// skipped, also inside a byte ("0 0A4" is 00 A4).
HexParse parseHex(std::string_view text);

// An expected series of bytes: each digit is a value or X (any value).
class HexPattern {
 public:
  // Same rules as parseHex, with X or x allowed for any digit. The pattern
  // is empty when the text is refused.
  static HexPattern parse(std::string_view text, HexParse* problem = nullptr);

  bool matches(const Bytes& bytes) const;
  // Matches the last two bytes of `bytes` (a status word pattern of two bytes).
  bool matchesTail(const Bytes& bytes) const;
  std::size_t size() const { return nibbles_.size() / 2; }
  bool empty() const { return nibbles_.empty(); }
  // Upper-case digits with X where any digit goes.
  std::string text() const;

 private:
  std::vector<int> nibbles_;  // 0..15, or -1 for any digit
};

}  // namespace apdu
