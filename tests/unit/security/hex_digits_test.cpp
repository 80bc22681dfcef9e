// PackHexDigits and ParseHexPairs: the bytes the memory-card password
// commands send for what the operator typed.
#include "security/hex_digits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct PackCase {
  std::string text;
  int n;
  Bytes expected;  // n/2 bytes and the trailing zero
};

class PackHexDigitsTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackHexDigitsTest, PacksByTheArithmetic) {
  const PackCase& c = GetParam();
  EXPECT_EQ(PackHexDigits(c.text, c.n), c.expected) << "text \"" << c.text << "\" n " << c.n;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PackHexDigitsTest,
    ::testing::Values(
        PackCase{"FFFFFF", 6, {0xFF, 0xFF, 0xFF, 0x00}},
        PackCase{"ffffff", 6, {0xFF, 0xFF, 0xFF, 0x00}},          // lower case gives the same bytes
        PackCase{"00A1b2", 6, {0x00, 0xA1, 0xB2, 0x00}},          // a zero byte in first place stays
        PackCase{"F0F0", 4, {0xF0, 0xF0, 0x00}},
        PackCase{"0123456789AB", 12, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0x00}},
        PackCase{"12345678", 8, {0x12, 0x34, 0x56, 0x78, 0x00}},
        PackCase{"G1", 2, {0x01, 0x00}},                          // G first: only its low four bits (0)
        PackCase{"1G", 2, {0x20, 0x00}},                          // G second: its whole value 16 is added
        PackCase{"ZZ", 2, {0x53, 0x00}},                         // Z = 35: 0x30 + 0x23
        PackCase{"zz", 2, {0x53, 0x00}},
        PackCase{" 1", 2, {0x01, 0x00}},                          // blank first: 0x20 - 0x30 = -16, low bits 0
        PackCase{"1 ", 2, {0x00, 0x00}},                          // blank second: 0x10 - 16
        PackCase{"\xC3\xA9", 2, {0xA9, 0x00}},                  // bytes >= 0x80 take the digit rule: 0x30 + 0x79
        PackCase{"ABCDEF99", 4, {0xAB, 0xCD, 0x00}},              // only the first n characters
        PackCase{"", 0, {0x00}}));

TEST(PackHexDigits, ShortTextReadsZeroBytesPastItsEnd) {
  // Callers check the length first; a short text must still not be read
  // beyond its end (a NUL counts as 0 - 0x30).
  EXPECT_EQ(PackHexDigits("1", 4), (Bytes{0xE0, 0xD0, 0x00}));
}

struct PairsCase {
  std::string text;
  int count;
  Bytes expected;
};

class ParseHexPairsTest : public ::testing::TestWithParam<PairsCase> {};

TEST_P(ParseHexPairsTest, ReadsEachPairAsABase16Number) {
  const PairsCase& c = GetParam();
  EXPECT_EQ(ParseHexPairs(c.text, c.count), c.expected) << "text \"" << c.text << "\" count " << c.count;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseHexPairsTest,
    ::testing::Values(
        PairsCase{"FFFF", 2, {0xFF, 0xFF, 0x00}},
        PairsCase{"00FF", 2, {0x00, 0xFF, 0x00}},                   // zero byte in first place is kept
        PairsCase{"FF00", 2, {0xFF, 0x00, 0x00}},
        PairsCase{"0000", 2, {0x00, 0x00, 0x00}},
        PairsCase{"a1B2", 2, {0xA1, 0xB2, 0x00}},
        PairsCase{"5G12", 2, {0x05, 0x12, 0x00}},                   // digit then non-digit: the digit alone
        PairsCase{"G512", 2, {0x00, 0x12, 0x00}},                   // no digit reads 0
        PairsCase{" 5", 1, {0x05, 0x00}},                           // leading blank skipped
        PairsCase{"-1", 1, {0xFF, 0x00}},                           // sign accepted, low 8 bits
        PairsCase{"+A", 1, {0x0A, 0x00}},
        PairsCase{"0123456789AB", 6, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0x00}},
        PairsCase{"12", 2, {0x12, 0x00, 0x00}}));                   // past the end: 0

TEST(HexCodes, BothConversionsAgreeOnHexadecimalText) {
  for (const std::string text : {"0000", "00FF", "a1b2", "F0F0", "9AbC"}) {
    EXPECT_EQ(PackHexDigits(text, 4), ParseHexPairs(text, 2)) << text;
  }
}

TEST(HexCodes, IsHexTextAcceptsOnlyDigitsAndAToF) {
  EXPECT_TRUE(isHexText("0123456789ABCDEFabcdef"));
  EXPECT_TRUE(isHexText(""));
  for (const std::string bad : {"FFFFFG", "12 4", "-1", "0x12", "\xC3\xA9"}) EXPECT_FALSE(isHexText(bad)) << bad;
}

}  // namespace
