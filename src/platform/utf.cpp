#include "platform/utf.h"

namespace utf {

std::filesystem::path pathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `i` and advances `i`. Returns kReplacement and
// sets `bad` for overlong forms, surrogates, values above U+10FFFF,
// truncated sequences and stray continuation bytes (one byte is consumed
// then, so decoding resynchronises at the next byte).
char32_t decode(std::string_view s, std::size_t& i, bool& bad) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  bad = false;
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ++i;
    bad = true;
    return kReplacement;
  }
  std::size_t j = i + 1;
  for (int k = 0; k < extra; ++k, ++j) {
    if (j >= s.size() || (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80) {
      i = j;  // consume the valid prefix, keep the offending byte
      bad = true;
      return kReplacement;
    }
    cp = (cp << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
  }
  i = j;
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    bad = true;
    return kReplacement;
  }
  return cp;
}

template <typename Sink>
int walkUtf8(std::string_view s, Sink sink) {
  int invalid = 0;
  for (std::size_t i = 0; i < s.size();) {
    bool bad = false;
    sink(decode(s, i, bad));
    invalid += bad ? 1 : 0;
  }
  return invalid;
}

template <typename Sink>
int walkUtf16(std::u16string_view s, Sink sink) {
  int invalid = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
      ++invalid;
    }
    sink(c);
  }
  return invalid;
}

std::size_t units16(char32_t c) { return c >= 0x10000 ? 2 : 1; }
std::size_t units8(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  walkUtf8(utf8, [&](char32_t c) { n += units16(c); });
  return n;
}

Utf16Result toUtf16(std::string_view utf8) {
  Utf16Result r;
  r.text.reserve(utf16Length(utf8));
  r.invalid = walkUtf8(utf8, [&](char32_t c) {
    if (c >= 0x10000) {
      c -= 0x10000;
      r.text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      r.text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      r.text.push_back(static_cast<char16_t>(c));
    }
  });
  return r;
}

std::size_t utf8Length(std::u16string_view utf16) {
  std::size_t n = 0;
  walkUtf16(utf16, [&](char32_t c) { n += units8(c); });
  return n;
}

Utf8Result toUtf8(std::u16string_view utf16) {
  Utf8Result r;
  r.text.reserve(utf8Length(utf16));
  r.invalid = walkUtf16(utf16, [&](char32_t c) {
    const std::size_t n = units8(c);
    if (n == 1) {
      r.text.push_back(static_cast<char>(c));
      return;
    }
    static constexpr unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    char bytes[4];
    for (std::size_t k = n - 1; k > 0; --k) {
      bytes[k] = static_cast<char>(0x80 | (c & 0x3F));
      c >>= 6;
    }
    bytes[0] = static_cast<char>(lead[n] | c);
    r.text.append(bytes, n);
  });
  return r;
}

}  // namespace utf
