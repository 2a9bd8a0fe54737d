#include "records/export/reading_text.h"

#include <charconv>
#include <system_error>

#include "common/c_number.h"
#include "common/local_time.h"
#include "records/record_format.h"

namespace vx::records {
namespace {

constexpr int kValueDecimals = 14;
constexpr int kFigureDecimals = 15;

// std::to_chars with a precision writes exactly what printf's "%.*f" writes in the C locale,
// without the locale switch and format parsing that made "%.14f" the cost of a CSV line. The
// buffer holds the widest double: 309 integer digits, the point, the decimals and a sign.
void AppendFixed(std::string& out, double value, int decimals) {
  char buffer[400];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec == std::errc())
    out.append(buffer, result.ptr);
  else
    out += FormatC("%.*f", decimals, value);
}

void AppendTwoDigits(std::string& out, int number) {
  out += static_cast<char>('0' + number / 10 % 10);
  out += static_cast<char>('0' + number % 10);
}

std::string Figure(const std::optional<double>& value) {
  std::string text;
  if (value) AppendFixed(text, *value, kFigureDecimals);
  return text;
}

}  // namespace

std::string ValueText(double value) {
  std::string text;
  AppendValueText(text, value);
  return text;
}

std::string NumberText(double value) {
  std::string text;
  AppendFixed(text, value, kValueDecimals);
  return text;
}

void AppendValueText(std::string& out, double value) {
  if (IsOverloadValue(value))
    out += "OVLD";
  else
    AppendFixed(out, value, kValueDecimals);
}

std::string TimeOfDayText(double oleTime) {
  std::string text;
  AppendTimeOfDayText(text, oleTime);
  return text;
}

void AppendTimeOfDayText(std::string& out, double oleTime) {
  // The same rounding as every other date the system shows (to the millisecond, then whole
  // seconds), written without strftime because the CSV output writes one per reading.
  const LocalDateTime time = FromOleDate(oleTime);
  AppendTwoDigits(out, time.hour);
  out += " : ";
  AppendTwoDigits(out, time.minute);
  out += " : ";
  AppendTwoDigits(out, time.second);
}

RecordFigures FiguresOf(const RecordStatistics& statistics) {
  return RecordFigures{FormatC("%lld", statistics.count), Figure(statistics.maximum),
                       Figure(statistics.minimum), Figure(statistics.average)};
}

}  // namespace vx::records
