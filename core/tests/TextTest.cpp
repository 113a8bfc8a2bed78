#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/ParseValue.h"
#include "core/Text.h"

using namespace quill;

TEST(FixedFormat, PadsNeverCutsAndRoundsLikePrintf) {
  struct Case { double x; int w, d; const char* want; };
  const Case cases[] = {
      {5.0, 4, 2, "5.00"},     {0.475, 6, 4, "0.4750"}, {1.2, 4, 2, "1.20"},   {12345.678, 4, 2, "12345.68"},
      {3.5, 1, 0, "4"},        {2.5, 1, 0, "2"},        {-0.001, 5, 2, " 0.00"}, {-1.5, 6, 1, "  -1.5"},
      {0.0625, 5, 3, "0.062"},
  };
  for (const Case& c : cases) EXPECT_EQ(F(c.x, c.w, c.d), c.want) << c.x << " " << c.w << ":" << c.d;
  EXPECT_EQ(F(std::numeric_limits<double>::quiet_NaN(), 4, 2), " nan");
}

TEST(Rounding, HalvesGoToEvenAndDivTruncates) {
  EXPECT_EQ(roundHalfEven(2.5), 2.0);
  EXPECT_EQ(roundHalfEven(3.5), 4.0);
  EXPECT_EQ(roundHalfEven(-2.5), -2.0);
  EXPECT_EQ(roundToInt32(2147483647.4).value(), 2147483647);
  EXPECT_FALSE(roundToInt32(2147483648.0).has_value());
  EXPECT_FALSE(roundToInt32(std::nan("")).has_value());
  EXPECT_EQ(divTrunc(-7, 6), -1);
  EXPECT_EQ(divTrunc(7, -6), -1);
  EXPECT_EQ(divTrunc(5, 0), 0);
  EXPECT_EQ(divTrunc(std::numeric_limits<std::int64_t>::min(), -1), std::numeric_limits<std::int64_t>::max());
}

TEST(Cp1252, RoundTripsAndMarksUndefinedBytes) {
  std::string cp = "\xB5m \xB0" "C \x80 \x9F";
  std::string u = cp1252ToUtf8(cp);
  EXPECT_EQ(u, "\xC2\xB5m \xC2\xB0" "C \xE2\x82\xAC \xC5\xB8");
  EXPECT_EQ(utf8ToCp1252(u), cp);
  EXPECT_EQ(cp1252ToUtf8("\x81|\x9D"), "\xEF\xBF\xBD|\xEF\xBF\xBD");
  EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD x \xC3"), "? x ?");  // a missing character and a cut sequence
}

TEST(CutText, KeepsAtMost128Characters) {
  EXPECT_EQ(cutText(std::string(300, 'a')).size(), 128u);
  EXPECT_EQ(cutText("short"), "short");
}

struct ParseCase {
  const char* text;
  double def, max, min;
  double value;
  bool valid;
};

class ParseValueTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseValueTable, Value) {
  const ParseCase& c = GetParam();
  bool valid = !c.valid;
  double v = ParseValue(c.text, c.def, c.max, c.min, valid);
  EXPECT_DOUBLE_EQ(v, c.value) << '"' << c.text << '"';
  EXPECT_EQ(valid, c.valid) << '"' << c.text << '"';
}

constexpr double kBig = 1e30;
INSTANTIATE_TEST_SUITE_P(
    Numbers, ParseValueTable,
    ::testing::Values(ParseCase{"0.12", 0, kBig, -kBig, 0.12, true},
                      ParseCase{"  +0.12", 0, kBig, -kBig, 0.12, true},
                      ParseCase{"0.9k", 0, kBig, -kBig, 900, true},
                      ParseCase{"-20", 0, kBig, -kBig, -20, true},
                      ParseCase{"20-", 0, kBig, -kBig, -20, true},           // "-" anywhere
                      ParseCase{"2p", 7, kBig, -kBig, 7, false},             // P is no suffix
                      ParseCase{"1.5e-3", 0, kBig, -kBig, 1.5e-3, true},
                      ParseCase{"1e3k", 0, kBig, -kBig, 1e6, true},          // suffix after exponent
                      ParseCase{"2m", 0, kBig, -kBig, 2e-3, true},           // M is milli
                      ParseCase{"3U", 0, kBig, -kBig, 3e-6, true},
                      ParseCase{"4n", 0, kBig, -kBig, 4e-9, true},
                      ParseCase{"5f", 0, kBig, -kBig, 5e-15, true},
                      ParseCase{"6a", 0, kBig, -kBig, 6e-18, true},
                      ParseCase{"7G", 0, kBig, -kBig, 7e9, true},
                      ParseCase{"8t", 0, kBig, -kBig, 8e12, true},
                      ParseCase{"1kk", 0, kBig, -kBig, 1e6, true},           // all suffixes apply
                      ParseCase{"e5", 3, kBig, -kBig, 3, false},             // letter first
                      ParseCase{"", 3, kBig, -kBig, 3, false},
                      ParseCase{"   ", 3, kBig, -kBig, 3, false},
                      ParseCase{"-", 3, kBig, -kBig, 3, false},              // no digit
                      ParseCase{"12 volts", 0, kBig, -kBig, 12, true},       // a blank ends it
                      ParseCase{"5;x", 0, kBig, -kBig, 5, true},
                      ParseCase{"5(x", 0, kBig, -kBig, 5, true},
                      ParseCase{"5,5", 0, kBig, -kBig, 5, true},
                      ParseCase{"5/2", 0, kBig, -kBig, 5, true},
                      ParseCase{"5x", 1, kBig, -kBig, 1, false},
                      ParseCase{"1e-", 0, kBig, -kBig, 1, true},
                      ParseCase{"11", 0, 10, 0, 10, false},                  // clamped to the maximum
                      ParseCase{"-1", 0, 10, 0, 0, false},
                      ParseCase{"1e400", 0, kBig, -kBig, kBig, false},
                      ParseCase{"0e400", 0, kBig, -kBig, 0, true},           // no NaN from 0 x inf
                      ParseCase{"0.001", 0, kBig, -kBig, 0.001, true}));

TEST(ParseValue, ReadsOnlyTheFirst128Characters) {
  std::string t = std::string(127, ' ') + "5" + "x";  // the "x" lies beyond the cut
  bool valid = false;
  EXPECT_EQ(ParseValue(t, 0, 100, -100, valid), 5);
  EXPECT_TRUE(valid);
  std::string longDigits(1000, '9');
  EXPECT_EQ(ParseValue(longDigits, 0, kBig, -kBig, valid), 1e30);  // 128 nines, clamped
  EXPECT_FALSE(valid);
  ParsedValue d = ParseValueDetailed("1e-999", 0, kBig, -kBig);
  EXPECT_EQ(d.exponent, -999);
  EXPECT_EQ(d.value, 0.0);
}
