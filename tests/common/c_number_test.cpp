#include "common/c_number.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "comma_locale.h"

namespace vx {
namespace {

TEST(LeadingNumber, ReadsTheDecimalNumberAtTheStart) {
  EXPECT_DOUBLE_EQ(LeadingNumber("+1.23456780E+00\n"), 1.2345678);
  EXPECT_DOUBLE_EQ(LeadingNumber("  -0.5 V"), -0.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("1..2"), 1.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("1e5e5"), 1e5);
  EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("-.5e-1x"), -0.05);
  EXPECT_DOUBLE_EQ(LeadingNumber("7."), 7.0);
  // An exponent letter without digits is not part of the number.
  EXPECT_DOUBLE_EQ(LeadingNumber("1e"), 1.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("2E+"), 2.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("+9.90000000E+37"), 9.9e37);
  EXPECT_EQ(LeadingNumber(""), 0.0);
  EXPECT_EQ(LeadingNumber("--"), 0.0);
  EXPECT_EQ(LeadingNumber("VOLT"), 0.0);
  // A decimal too large for a double is infinitely large, as the meter's overload is large.
  EXPECT_TRUE(std::isinf(LeadingNumber("1e999")));
}

// Meters and users write decimals: the other forms C's strtod knows are no numbers here.
TEST(LeadingNumber, TakesNoHexadecimalInfinityOrNotANumber) {
  for (const char* text :
       {"inf", "-inf", "INFINITY", "nan", "-nan", "NAN(123)", "+-1", ".", "-.", "e5", "x10"}) {
    EXPECT_EQ(LeadingNumber(text), 0.0) << text;
    EXPECT_FALSE(LeadingDecimal(text).has_value()) << text;
  }
  // "0x10" and "0x1p200" begin with the decimal 0 and nothing more.
  EXPECT_EQ(LeadingNumber("0x10"), 0.0);
  EXPECT_EQ(LeadingNumber("0x64"), 0.0);
  EXPECT_EQ(LeadingNumber("0x1p200"), 0.0);
  EXPECT_EQ(LeadingDecimal(" \t-12.5e1 rest"), -125.0);
  EXPECT_FALSE(LeadingDecimal("").has_value());
  EXPECT_FALSE(LeadingDecimal("   ").has_value());
}

TEST(LeadingNumber, ReadsLongTextsWhole) {
  // Three hundred digits: the value must not be cut at some buffer size.
  const std::string digits = "1" + std::string(299, '0');
  EXPECT_DOUBLE_EQ(LeadingNumber(digits), 1e299);
  // A view that is not terminated where it ends.
  const std::string text = "12345";
  EXPECT_EQ(LeadingNumber(std::string_view(text).substr(0, 2)), 12.0);
}

TEST(LeadingNumber, IgnoresTheProcessLocale) {
  // A desktop session in a locale with decimal commas must not change meter numbers; Qt
  // installs the session's locale in every program it starts.
  const test::CommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "localedef cannot build de_DE here";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5");  // the locale is really in force
  EXPECT_DOUBLE_EQ(LeadingNumber("1.5"), 1.5);
  EXPECT_EQ(FormatC("%.3f", 2.25), "2.250");
}

TEST(SplitFields, TrimsEachField) {
  EXPECT_EQ(SplitFields("English(U.S), Chinese(Traditional) ,", ','),
            (std::vector<std::string>{"English(U.S)", "Chinese(Traditional)", ""}));
  EXPECT_EQ(SplitFields("", ','), std::vector<std::string>{""});
  EXPECT_EQ(SplitFields("one", ','), std::vector<std::string>{"one"});
}

TEST(LeadingInteger, TakesTheDecimalIntegerAtTheStart) {
  EXPECT_EQ(LeadingInteger("1 "), 1);
  EXPECT_EQ(LeadingInteger("10"), 10);
  EXPECT_EQ(LeadingInteger("  -7x"), -7);
  EXPECT_EQ(LeadingInteger(""), 0);
  EXPECT_EQ(LeadingInteger("x1"), 0);
}

TEST(FormatC, FormatsAsPrintfIncludingLongResults) {
  EXPECT_EQ(FormatC("%.15f", 1e-25), "0.000000000000000");
  EXPECT_EQ(FormatC("%.10f", -0.5), "-0.5000000000");
  EXPECT_EQ(FormatC("Record %d            ( %s )", 3, "x"), "Record 3            ( x )");
  const std::string big = FormatC("%.2f", 1e300);
  EXPECT_EQ(big.size(), 304u);
  EXPECT_EQ(big.substr(0, 2), "10");
}

TEST(TextHelpers, TrimAndCompareWithoutCase) {
  EXPECT_EQ(TrimRight("abc \r\n  "), "abc");
  EXPECT_EQ(TrimRight("   "), "");
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_TRUE(EqualsNoCase("English(U.S)", "english(u.s)"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  EXPECT_EQ(ToUpperAscii("w9-90/1"), "W9-90/1");
}

}  // namespace
}  // namespace vx
