#include "base/numbers.h"

#include <gtest/gtest.h>

#include "base/uCommon.h"

using namespace tegulo;

TEST(ParseInt, AcceptsEveryPrefixSignAndBlanks) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"0", 0},
      {"1867012", 1867012},
      {"$1C7D04", 0x1C7D04},
      {"$1c7d04", 0x1C7D04},
      {"x10", 16},
      {"X10", 16},
      {"0x10", 16},
      {"0X1f", 31},
      {"  42", 42},
      {"\t7", 7},
      {"+5", 5},
      {"-16", -16},
      {"-$10", -16},
      {"+0x10", 16},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX},
      {"0x00000001", 1},
      {"-$FFFFFFFF", 1},
  };
  for (const auto& c : cases) {
    auto v = TryParseInt(c.text);
    ASSERT_TRUE(v.has_value()) << "text '" << c.text << "'";
    EXPECT_EQ(*v, c.value) << "text '" << c.text << "'";
  }
}

TEST(ParseInt, RefusesEverythingElse) {
  const char* bad[] = {
      "",     " ",          "+",          "-",           "$",           "0x",  "12 ", "12a",
      "$1G",  "$123456789", "2147483648", "-2147483649", "99999999999", "1.5", "--1", "+-1",
      "0x-1", "$ 1",        "1,000",      "zz",          "0xx1",        "- 1"};
  for (const char* t : bad) {
    EXPECT_FALSE(TryParseInt(t).has_value()) << "text '" << t << "'";
  }
}

TEST(TryParseHexDigits, OneToEightDigitsAndNothingElse) {
  EXPECT_EQ(TryParseHexDigits("0"), 0u);
  EXPECT_EQ(TryParseHexDigits("fF"), 0xFFu);
  EXPECT_EQ(TryParseHexDigits("F0f0F0"), 0xF0F0F0u);
  EXPECT_EQ(TryParseHexDigits("FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(TryParseHexDigits("00000000"), 0u);
  const char* bad[] = {"", "123456789", "$12", "0x12", " 12", "12 ", "-1", "+1", "1g", "ab.c"};
  for (const char* t : bad) {
    EXPECT_FALSE(TryParseHexDigits(t).has_value()) << "text '" << t << "'";
  }
}

TEST(ParseInt, ErrorMessageQuotesTheText) {
  try {
    ParseInt(" zz");
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "' zz' is not a valid integer value");
  }
}

TEST(FormatAddress, SixUpperCaseDigitsAtLeast) {
  EXPECT_EQ(FormatAddress(0x1C7D04), "$1C7D04");
  EXPECT_EQ(FormatAddress(255), "$0000FF");
  EXPECT_EQ(FormatAddress(0), "$000000");
  EXPECT_EQ(FormatAddress(0x12ABCDEF), "$12ABCDEF");
  EXPECT_EQ(FormatAddress(0xFFFFFFFF), "$FFFFFFFF");
}

// A negative or past-32-bit address prints as itself, never wrapped into a huge one, and
// reads back as the same number.
TEST(FormatAddress, NegativeAndWideValuesKeepTheirValue) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {-1, "-$000001"}, {-5, "-$000005"}, {INT32_MIN, "-$80000000"}, {0x100000005, "$100000005"}};
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(FormatAddress(value), text) << value;
    if (value >= INT32_MIN && value <= INT32_MAX) EXPECT_EQ(ParseInt(text), value) << text;
  }
}

TEST(HexDigits, AtLeastTheDigitsAskedMoreWhereNeeded) {
  const struct {
    std::uint64_t value;
    int digits;
    const char* text;
  } cases[] = {{255, 4, "00FF"},
               {0xABCDE, 4, "ABCDE"},
               {0, 1, "0"},
               {0x7, 3, "007"},
               {0xFFFFFFFFFFFFFFFF, 4, "FFFFFFFFFFFFFFFF"},
               {5, 0, "5"}};
  for (const auto& c : cases) EXPECT_EQ(HexDigits(c.value, c.digits), c.text) << c.text;
}

TEST(SwapRedBlue, SwapsLowAndThirdByteAndClearsTop) {
  EXPECT_EQ(SwapRedBlue(0x000000FFu), 0x00FF0000u);
  EXPECT_EQ(SwapRedBlue(0xAB123456u), 0x00563412u);
  std::uint32_t c[3] = {0xFF, 0xFF, 0xFF};
  SwapRedBlue(c, 2);
  EXPECT_EQ(c[0], 0xFF0000u);
  EXPECT_EQ(c[1], 0xFF0000u);
  EXPECT_EQ(c[2], 0xFFu);
  SwapRedBlue(c, -1);
  SwapRedBlue(c, 100);  // never past the span
  EXPECT_EQ(c[2], 0xFF0000u);
}
