// UTF-8 <-> UTF-16 conversion, the one place where text changes encoding.
//
// The core holds UTF-8; the Win32 layer converts at each API call. Invalid
// input (a broken UTF-8 sequence, an unpaired surrogate) is replaced by
// U+FFFD and counted, so the caller can report it and nothing is dropped
// silently.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace utf {

// A file path from UTF-8 text (wide on Windows, bytes elsewhere).
std::filesystem::path pathOf(std::string_view utf8);

struct Utf16Result {
  std::u16string text;
  int invalid = 0;  // sequences replaced by U+FFFD
};

struct Utf8Result {
  std::string text;
  int invalid = 0;  // unpaired surrogates replaced by U+FFFD
};

// Size of the UTF-16 result in code units, computed before converting.
std::size_t utf16Length(std::string_view utf8);
Utf16Result toUtf16(std::string_view utf8);

std::size_t utf8Length(std::u16string_view utf16);
Utf8Result toUtf8(std::u16string_view utf16);

}  // namespace utf
