#include "platform/ddx.h"

#include <gtest/gtest.h>

#include "platform/recording_controls.h"

namespace {

using ddx::Direction;
using test::RecordingControls;

TEST(DdxParse, IntegersAsTheExchangeReadsThem) {
  struct Case {
    const char* text;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {"0", 0},           {"42", 42},         {"  -7 ", -7},      {"+5", 5},
      {"2147483647", 2147483647},             {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},           {"99999999999999999999999", std::nullopt},
      {"", std::nullopt}, {"   ", std::nullopt}, {"-", std::nullopt}, {"12a", std::nullopt},
      {"0x10", std::nullopt}, {"1 2", std::nullopt}, {"1.5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ddx::parseInt(c.text), c.expected) << "'" << c.text << "'";
}

TEST(DdxParse, UnsignedRejectsMinusAndOverflow) {
  EXPECT_EQ(ddx::parseUnsigned("4294967295"), 4294967295u);
  EXPECT_EQ(ddx::parseUnsigned("4294967296"), std::nullopt);
  EXPECT_EQ(ddx::parseUnsigned("-1"), std::nullopt);
  EXPECT_EQ(ddx::parseUnsigned(" 3 "), 3u);
}

TEST(DdxFormat, ReplacesBothArguments) {
  EXPECT_EQ(ddx::format(ddx::kIntegerBetween, "1", "16"), "Please enter an integer between 1 and 16.");
  EXPECT_EQ(ddx::format("100%", "x"), "100%");
}

TEST(DdxExchange, LoadFillsControls) {
  RecordingControls c;
  std::string name = "abc";
  int n = -3, checked = 1, choice = 1;
  unsigned u = 9;
  ddx::Exchange dx(c, Direction::Load);
  dx.text(10, name);
  dx.text(11, name, 8);
  dx.integer(12, n);
  dx.unsignedInteger(13, u);
  dx.check(14, checked);
  dx.radio({20, 21, 22}, choice);
  EXPECT_TRUE(dx.ok());
  EXPECT_EQ(c.texts[10], "abc");
  EXPECT_EQ(c.limits[11], 8);
  EXPECT_EQ(c.texts[12], "-3");
  EXPECT_EQ(c.texts[13], "9");
  EXPECT_TRUE(c.checks[14]);
  EXPECT_FALSE(c.checks[20]);
  EXPECT_TRUE(c.checks[21]);
  EXPECT_FALSE(c.checks[22]);
  EXPECT_TRUE(c.boxes.empty());
}

TEST(DdxExchange, SaveReadsControls) {
  RecordingControls c;
  c.texts = {{10, "text"}, {12, " 12 "}, {13, "5"}};
  c.checks = {{14, true}, {22, true}};
  std::string s;
  int n = 0, r = 0, checked = 0, choice = -5;
  ddx::Exchange dx(c, Direction::Save);
  dx.text(10, s);
  dx.integer(12, n);
  dx.integerRange(13, r, 1, 5);
  dx.check(14, checked);
  dx.radio({20, 21, 22}, choice);
  EXPECT_TRUE(dx.ok());
  EXPECT_EQ(s, "text");
  EXPECT_EQ(n, 12);
  EXPECT_EQ(r, 5);
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(choice, 2);
}

TEST(DdxExchange, RadioWithNoneCheckedSavesMinusOne) {
  RecordingControls c;
  int choice = 0;
  ddx::Exchange dx(c, Direction::Save);
  dx.radio({20, 21}, choice);
  EXPECT_EQ(choice, -1);
}

struct FailCase {
  const char* name;
  std::string typed;
  std::string message;
};

void runFailing(const FailCase& fc, const std::function<void(ddx::Exchange&, int&)>& exchange) {
  RecordingControls c;
  c.texts[30] = fc.typed;
  c.texts[31] = "77";
  int value = 123, later = 0;
  ddx::Exchange dx(c, Direction::Save);
  exchange(dx, value);
  dx.integer(31, later);
  EXPECT_TRUE(dx.failed()) << fc.name;
  ASSERT_EQ(c.boxes.size(), 1u) << fc.name;
  EXPECT_EQ(c.boxes[0].text, fc.message) << fc.name;
  EXPECT_EQ(c.boxes[0].caption, "Kv310型读写器演示系统") << fc.name;
  EXPECT_EQ(c.boxes[0].style, port::mb::kIconExclamation) << fc.name;
  EXPECT_EQ(c.focus, 30) << fc.name;
  EXPECT_EQ(c.selected, 30) << fc.name;
  EXPECT_EQ(value, 123) << fc.name << ": the member keeps its value";
  EXPECT_EQ(later, 0) << fc.name << ": fields after a failure are not exchanged";
}

TEST(DdxExchange, FailuresShowOneMessageAndSelectTheField) {
  const FailCase ints[] = {
      {"letters", "abc", "Please enter an integer."},
      {"empty", "", "Please enter an integer."},
      {"overflow", "3000000000", "Please enter an integer."},
  };
  for (const auto& fc : ints) runFailing(fc, [](ddx::Exchange& dx, int& v) { dx.integer(30, v); });

  const FailCase ranges[] = {
      {"below", "0", "Please enter an integer between 1 and 16."},
      {"above", "17", "Please enter an integer between 1 and 16."},
      {"not a number", "x1", "Please enter an integer."},
  };
  for (const auto& fc : ranges) runFailing(fc, [](ddx::Exchange& dx, int& v) { dx.integerRange(30, v, 1, 16); });

  const FailCase unsigneds[] = {
      {"negative", "-1", "Please enter a positive integer."},
      {"letters", "z", "Please enter a positive integer."},
  };
  for (const auto& fc : unsigneds) {
    runFailing(fc, [](ddx::Exchange& dx, int& v) {
      unsigned u = static_cast<unsigned>(v);
      dx.unsignedInteger(30, u);
      v = static_cast<int>(u);
    });
  }
}

TEST(DdxExchange, MaxLengthCountsCharactersNotBytes) {
  RecordingControls c;
  c.texts[40] = "读写器演";  // 4 characters, 12 bytes
  std::string s;
  ddx::Exchange ok(c, Direction::Save);
  ok.text(40, s, 4);
  EXPECT_TRUE(ok.ok());
  EXPECT_EQ(s, "读写器演");

  c.texts[40] = "12345";
  ddx::Exchange tooLong(c, Direction::Save);
  tooLong.text(40, s, 4);
  EXPECT_TRUE(tooLong.failed());
  ASSERT_EQ(c.boxes.size(), 1u);
  EXPECT_EQ(c.boxes[0].text, "Please enter no more than 4 characters.");
  EXPECT_EQ(s, "读写器演");
}

}  // namespace
