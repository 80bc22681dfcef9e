#include "platform/utf.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf, RoundTripsChineseAndAstralText) {
  const std::string s = "pelox读写器演示程序 \xF0\x9F\x98\x80 x";
  const auto w = utf::toUtf16(s);
  EXPECT_EQ(w.invalid, 0);
  EXPECT_EQ(w.text.size(), utf::utf16Length(s));
  EXPECT_EQ(w.text.substr(0, 6), u"pelox读");
  EXPECT_EQ(w.text[w.text.size() - 4], 0xD83D);  // surrogate pair of U+1F600
  const auto back = utf::toUtf8(w.text);
  EXPECT_EQ(back.invalid, 0);
  EXPECT_EQ(back.text, s);
  EXPECT_EQ(utf::utf8Length(w.text), s.size());
}

struct BadUtf8 {
  const char* name;
  std::string input;
  std::u16string expected;
  int invalid;
};

TEST(Utf, ReplacesAndCountsInvalidUtf8) {
  const BadUtf8 cases[] = {
      {"stray continuation", "a\x80" "b", u"a\uFFFDb", 1},
      {"truncated at end", "a\xE8\xAF", u"a\uFFFD", 1},
      {"truncated before ascii", "\xE8" "A", u"\uFFFDA", 1},
      {"overlong slash", "\xC0\xAF", u"\uFFFD", 1},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD", 1},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD", 1},
      {"invalid lead byte", "\xFF\xFE", u"\uFFFD\uFFFD", 2},
      {"GBK bytes of 读", "\xB6\xC1", u"\uFFFD\uFFFD", 2},
  };
  for (const auto& c : cases) {
    const auto r = utf::toUtf16(c.input);
    EXPECT_EQ(r.text, c.expected) << c.name;
    EXPECT_EQ(r.invalid, c.invalid) << c.name;
    EXPECT_EQ(r.text.size(), utf::utf16Length(c.input)) << c.name;
  }
}

TEST(Utf, ReplacesUnpairedSurrogates) {
  const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
  const auto r = utf::toUtf8(lone);
  EXPECT_EQ(r.invalid, 2);
  EXPECT_EQ(r.text, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
  EXPECT_EQ(utf::utf8Length(lone), r.text.size());
}

TEST(Utf, EmptyAndNulCharacters) {
  EXPECT_TRUE(utf::toUtf16("").text.empty());
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(utf::toUtf16(withNul).text, std::u16string(u"a\0b", 3));
}

}  // namespace
