// Text set as a cell's value is typed input: numbers, times and dates in the C locale.

#include "automation/typed_input.h"

#include <gtest/gtest.h>

#include "automation/value.h"
#include "comma_locale.h"
#include "common/local_time.h"

namespace vx::automation {
namespace {

double NumberFrom(const std::string& text) {
  const TypedValue typed = TypedInput(text);
  EXPECT_TRUE(std::holds_alternative<double>(typed.value)) << text;
  EXPECT_EQ(typed.numberFormat, "") << text;
  return std::holds_alternative<double>(typed.value) ? std::get<double>(typed.value) : 0;
}

void ExpectText(const std::string& text) {
  const TypedValue typed = TypedInput(text);
  ASSERT_TRUE(std::holds_alternative<std::string>(typed.value)) << text;
  EXPECT_EQ(std::get<std::string>(typed.value), text);
}

TEST(TypedInput, NumbersInEveryFormTheScannerAndTheEngineWrite) {
  EXPECT_DOUBLE_EQ(NumberFrom("0.00600000"), 0.006);
  EXPECT_DOUBLE_EQ(NumberFrom("-1.5E-7"), -1.5e-7);
  EXPECT_DOUBLE_EQ(NumberFrom("+9.90000000E+37"), 9.9e37);
  EXPECT_DOUBLE_EQ(NumberFrom("1234567.12345"), 1234567.12345);
  EXPECT_DOUBLE_EQ(NumberFrom("12"), 12);
  EXPECT_DOUBLE_EQ(NumberFrom(" 12.5 "), 12.5);
  EXPECT_DOUBLE_EQ(NumberFrom(".5"), 0.5);
  EXPECT_DOUBLE_EQ(NumberFrom("5."), 5);
}

TEST(TypedInput, UsesTheCLocaleWhateverTheProcessLocale) {
  const test::CommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "localedef cannot build de_DE here";
  EXPECT_DOUBLE_EQ(NumberFrom("0.00600000"), 0.006);
  ExpectText("0,006");
}

TEST(TypedInput, TextThatOnlyLooksNumericStaysText) {
  for (const char* text : {"OVLD", "", "CH1(DCV)", "0x10", "inf", "nan", "1e", "1.2.3", "1,5",
                           "--1", "1e999", "12 V", "Time"}) {
    ExpectText(text);
  }
}

TEST(TypedInput, TimesOfDayBecomeDatesOnDayZero) {
  const TypedValue typed = TypedInput("14:3:27");
  ASSERT_TRUE(std::holds_alternative<DateValue>(typed.value));
  EXPECT_NEAR(std::get<DateValue>(typed.value).oleDate, (14 * 3600 + 3 * 60 + 27) / 86400.0, 1e-12);
  EXPECT_EQ(typed.numberFormat, "h:mm:ss");

  const TypedValue minutes = TypedInput("9:05");
  ASSERT_TRUE(std::holds_alternative<DateValue>(minutes.value));
  EXPECT_NEAR(std::get<DateValue>(minutes.value).oleDate, (9 * 3600 + 5 * 60) / 86400.0, 1e-12);

  const TypedValue fraction = TypedInput("0:0:1.250");
  ASSERT_TRUE(std::holds_alternative<DateValue>(fraction.value));
  EXPECT_NEAR(std::get<DateValue>(fraction.value).oleDate, 1.25 / 86400.0, 1e-12);
  EXPECT_EQ(fraction.numberFormat, "h:mm:ss.000");

  for (const char* text : {"14:60:00", "14:3:61", "1:2:3:4", ":5", "14:", "12:3x"}) {
    ExpectText(text);
  }
}

TEST(TypedInput, CalendarDatesWithAndWithoutTime) {
  const TypedValue date = TypedInput("2026/12/07 14:03:27");
  ASSERT_TRUE(std::holds_alternative<DateValue>(date.value));
  const LocalDateTime expected{2026, 12, 7, 14, 3, 27, 0};
  EXPECT_EQ(FromOleDate(std::get<DateValue>(date.value).oleDate), expected);
  EXPECT_EQ(date.numberFormat, "yyyy/mm/dd hh:mm:ss");

  const TypedValue day = TypedInput("2024-02-29");
  ASSERT_TRUE(std::holds_alternative<DateValue>(day.value));
  EXPECT_EQ(FromOleDate(std::get<DateValue>(day.value).oleDate), (LocalDateTime{2024, 2, 29}));

  for (const char* text : {"2023/02/29", "2026/13/01", "26/12/07", "2026/12/07 25:00:00"}) {
    ExpectText(text);
  }
}

TEST(TypedInput, TruthValues) {
  EXPECT_EQ(TypedInput("TRUE").value, Value{true});
  EXPECT_EQ(TypedInput("false").value, Value{false});
}

TEST(AutomationValue, NumbersAndTextsOfValues) {
  EXPECT_EQ(NumberOf(Value{std::string(" 50 ")}), 50.0);
  EXPECT_EQ(NumberOf(Value{std::string("OVLD")}), std::nullopt);
  EXPECT_EQ(NumberOf(Value{}), 0.0);
  EXPECT_EQ(NumberOf(Value{true}), -1.0);
  EXPECT_EQ(TextOf(Value{0.006}), "0.006");
  EXPECT_EQ(TextOf(Value{DateValue{0.5}}), "12:00:00");
  EXPECT_EQ(TextOf(Value{false}), "False");
}

}  // namespace
}  // namespace vx::automation
