#include "common/c_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace vx {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartAsStrtodDoes) {
  EXPECT_DOUBLE_EQ(LeadingNumber("+1.23456780E+00\n"), 1.2345678);
  EXPECT_DOUBLE_EQ(LeadingNumber("  -0.5 V"), -0.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("1..2"), 1.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("1e5e5"), 1e5);
  EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("+9.90000000E+37"), 9.9e37);
  EXPECT_EQ(LeadingNumber(""), 0.0);
  EXPECT_EQ(LeadingNumber("--"), 0.0);
  EXPECT_EQ(LeadingNumber("VOLT"), 0.0);
  EXPECT_TRUE(std::isinf(LeadingNumber("inf")));
  EXPECT_TRUE(std::isnan(LeadingNumber("nan")));
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
  // A desktop session in a locale with decimal commas must not change meter numbers.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  EXPECT_DOUBLE_EQ(LeadingNumber("1.5"), 1.5);
  EXPECT_EQ(FormatC("%.3f", 2.25), "2.250");
  std::setlocale(LC_NUMERIC, saved.c_str());
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
