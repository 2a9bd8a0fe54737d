#include "automation/value.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "automation/cell_reference.h"
#include "automation/typed_input.h"
#include "common/c_number.h"
#include "common/local_time.h"

namespace vx::automation {
namespace {

std::string ShortestNumber(double number) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
  if (error != std::errc()) return FormatC("%.17g", number);
  return std::string(buffer, end);
}

std::string DateText(double oleDate) {
  const LocalDateTime time = FromOleDate(oleDate);
  if (oleDate >= 0 && oleDate < 1) return FormatLocal(time, "%H:%M:%S");
  return FormatLocal(time, "%Y/%m/%d %H:%M:%S");
}

}  // namespace

std::optional<double> NumberOf(const Value& value) {
  if (std::holds_alternative<std::monostate>(value)) return 0.0;
  if (const double* number = std::get_if<double>(&value)) return *number;
  if (const bool* flag = std::get_if<bool>(&value)) return *flag ? -1.0 : 0.0;
  if (const DateValue* date = std::get_if<DateValue>(&value)) return date->oleDate;
  double parsed = 0;
  if (ParseDecimal(std::get<std::string>(value), parsed)) return parsed;
  return std::nullopt;
}

std::string TextOf(const Value& value) {
  if (std::holds_alternative<std::monostate>(value)) return {};
  if (const double* number = std::get_if<double>(&value)) return ShortestNumber(*number);
  if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "True" : "False";
  if (const DateValue* date = std::get_if<DateValue>(&value)) return DateText(date->oleDate);
  return std::get<std::string>(value);
}

std::string QuoteSheetName(std::string_view sheet) {
  // A name that reads as a cell reference ("A1", "R2C3") must be quoted too.
  const bool readsAsCell = ParseA1(sheet).block || ParseR1C1(sheet).block;
  // A plain word starts with a letter or an underscore, as names do.
  bool plain = !sheet.empty() &&
               (std::isalpha(static_cast<unsigned char>(sheet.front())) || sheet.front() == '_') &&
               !readsAsCell;
  for (const char c : sheet) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') plain = false;
  }
  if (plain) return std::string(sheet);
  std::string quoted = "'";
  for (const char c : sheet) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace vx::automation
