// Hexadecimal text <-> bytes, as the driver's _Hex functions use it:
// upper case out, either case in, two digits per byte, no separators.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driverlib {

// Upper-case text of the bytes.
std::string toHex(const std::uint8_t* bytes, std::size_t count);
inline std::string toHex(const std::vector<std::uint8_t>& bytes) { return toHex(bytes.data(), bytes.size()); }

// The bytes of exactly `count` byte pairs at the start of `text`, or nothing
// when the text is shorter or holds anything but hexadecimal digits there.
std::optional<std::vector<std::uint8_t>> fromHex(std::string_view text, std::size_t count);

// The whole text as bytes (an even number of digits, nothing else).
std::optional<std::vector<std::uint8_t>> fromHexAll(std::string_view text);

// A NUL-terminated C text of at most `limit` characters (null gives empty).
std::string_view boundedText(const char* text, std::size_t limit);

}  // namespace driverlib
