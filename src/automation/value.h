#pragma once
// The values that cross the automation interface: what a cell holds, what a property is set
// to. A date keeps its own kind, so a time written as a date reads back as a date.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vx::automation {

// An OLE automation date: days since 1899-12-30, the time of day as the fraction.
struct DateValue {
  double oleDate = 0;
  bool operator==(const DateValue&) const = default;
};

using Value = std::variant<std::monostate, double, std::string, bool, DateValue>;

// The values of a block of cells, row by row: a range's Value as a two-dimensional array.
using ValueRows = std::vector<std::vector<Value>>;

inline bool IsEmpty(const Value& value) {
  return std::holds_alternative<std::monostate>(value);
}

// The number a value stands for as automation converts it: numbers and dates as they are,
// booleans as -1 and 0, empty as 0, text when it holds a decimal number (surrounding blanks
// allowed); other text has no number.
std::optional<double> NumberOf(const Value& value);

// The value as text: numbers in the shortest form that reads back exactly, booleans as
// "True" and "False", dates as "yyyy/mm/dd hh:mm:ss" (the date part left out on day zero).
std::string TextOf(const Value& value);

// A sheet name as formulas write it before "!": quoted ('My data') unless it is a plain word.
std::string QuoteSheetName(std::string_view sheet);

}  // namespace vx::automation
