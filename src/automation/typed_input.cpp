#include "automation/typed_input.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "common/c_number.h"
#include "common/local_time.h"

namespace vx::automation {
namespace {

constexpr std::string_view kBlanks = " \t";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Checks the decimal grammar before converting, because from_chars alone would accept
// "inf", "nan" and would not accept a leading "+".
bool IsDecimalSyntax(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

// Splits "a:b[:c[.fff]]" into its fields; each field is one or more digits.
struct TimeFields {
  int hour = 0;
  int minute = 0;
  double second = 0;
};

std::optional<int> SmallNumber(std::string_view text, int maxDigits) {
  if (text.empty() || static_cast<int>(text.size()) > maxDigits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<TimeFields> ParseTime(std::string_view text) {
  const size_t firstColon = text.find(':');
  if (firstColon == std::string_view::npos) return std::nullopt;
  const auto hour = SmallNumber(text.substr(0, firstColon), 4);
  std::string_view rest = text.substr(firstColon + 1);
  const size_t secondColon = rest.find(':');
  const auto minute = SmallNumber(rest.substr(0, secondColon), 2);
  if (!hour || !minute || *minute > 59) return std::nullopt;
  TimeFields fields{*hour, *minute, 0};
  if (secondColon != std::string_view::npos) {
    std::string_view secondText = rest.substr(secondColon + 1);
    const size_t point = secondText.find('.');
    const auto whole = SmallNumber(secondText.substr(0, point), 2);
    if (!whole || *whole > 59) return std::nullopt;
    fields.second = *whole;
    if (point != std::string_view::npos) {
      const std::string_view fraction = secondText.substr(point + 1);
      if (fraction.empty() || fraction.size() > 9 || !SmallNumber(fraction, 9)) {
        return std::nullopt;
      }
      fields.second += *SmallNumber(fraction, 9) / std::pow(10.0, fraction.size());
    }
  }
  return fields;
}

double DayFraction(const TimeFields& time) {
  return (time.hour * 3600.0 + time.minute * 60.0 + time.second) / 86400.0;
}

// "yyyy/m/d" or "yyyy-m-d", a real calendar day.
std::optional<LocalDateTime> ParseDate(std::string_view text) {
  const char separator = text.find('/') != std::string_view::npos ? '/' : '-';
  const size_t a = text.find(separator);
  if (a == std::string_view::npos) return std::nullopt;
  const size_t b = text.find(separator, a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  const auto year = SmallNumber(text.substr(0, a), 4);
  const auto month = SmallNumber(text.substr(a + 1, b - a - 1), 2);
  const auto day = SmallNumber(text.substr(b + 1), 2);
  if (!year || !month || !day || text.substr(0, a).size() != 4) return std::nullopt;
  if (*year < 1900 || *month < 1 || *month > 12 || *day < 1) return std::nullopt;
  static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
  const int days = *month == 2 && !leap ? 28 : kDaysInMonth[*month - 1];
  if (*day > days) return std::nullopt;
  LocalDateTime date;
  date.year = *year;
  date.month = *month;
  date.day = *day;
  return date;
}

std::optional<TypedValue> DateOrTime(std::string_view text) {
  const size_t space = text.find(' ');
  if (space == std::string_view::npos) {
    if (const auto time = ParseTime(text)) {
      return TypedValue{DateValue{DayFraction(*time)},
                        time->second != std::floor(time->second) ? "h:mm:ss.000" : "h:mm:ss"};
    }
    if (const auto date = ParseDate(text)) {
      return TypedValue{DateValue{ToOleDate(*date)}, "yyyy/mm/dd"};
    }
    return std::nullopt;
  }
  const auto date = ParseDate(text.substr(0, space));
  const auto time = ParseTime(Trim(text.substr(space + 1), kBlanks));
  if (!date || !time || time->hour > 23) return std::nullopt;
  return TypedValue{DateValue{ToOleDate(*date) + DayFraction(*time)}, "yyyy/mm/dd hh:mm:ss"};
}

}  // namespace

bool ParseDecimal(std::string_view text, double& value) {
  text = Trim(text, kBlanks);
  if (!IsDecimalSyntax(text)) return false;
  if (text.front() == '+') text.remove_prefix(1);
  double parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed;
  return true;
}

TypedValue TypedInput(std::string_view text) {
  double number = 0;
  if (ParseDecimal(text, number)) return TypedValue{number, {}};
  const std::string_view body = Trim(text, kBlanks);
  if (EqualsNoCase(body, "TRUE")) return TypedValue{true, {}};
  if (EqualsNoCase(body, "FALSE")) return TypedValue{false, {}};
  if (!body.empty() && IsDigit(body.front())) {
    if (auto dated = DateOrTime(body)) return *std::move(dated);
  }
  return TypedValue{std::string(text), {}};
}

TypedValue CellInput(const Value& value) {
  if (const std::string* text = std::get_if<std::string>(&value)) return TypedInput(*text);
  if (const DateValue* date = std::get_if<DateValue>(&value)) {
    const bool timeOfDay = date->oleDate >= 0 && date->oleDate < 1;
    return TypedValue{value, timeOfDay ? "h:mm:ss" : "yyyy/mm/dd hh:mm:ss"};
  }
  return TypedValue{value, {}};
}

}  // namespace vx::automation
