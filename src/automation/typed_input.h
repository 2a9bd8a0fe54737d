#pragma once
// A text set as a cell's value is taken as the user's typed input would be, in the C locale:
// "0.00600000" and "-1.5E-7" become numbers, "14:3:27" a time of day, "2026/12/07 14:03:27"
// a date and time, "TRUE" and "FALSE" booleans; anything else ("OVLD", "", "CH1(DCV)") stays
// text. Dates and times come with the number format they are shown in.

#include <string>
#include <string_view>

#include "automation/value.h"

namespace vx::automation {

struct TypedValue {
  Value value;
  // The number format the input implies ("h:mm:ss" for a time of day), "" for none.
  std::string numberFormat;
};

TypedValue TypedInput(std::string_view text);

// A value as a cell takes it, with the number format it implies: text as typed input, a
// date or time with the format that shows it ("h:mm:ss" for a time of day, else
// "yyyy/mm/dd hh:mm:ss"), anything else as it is. A host applies the format only where the
// cell's own format does not show such a value already.
TypedValue CellInput(const Value& value);

// A decimal number in the C locale, the whole text (surrounding blanks allowed): sign,
// digits, at most one point, an optional exponent. No hexadecimal, "inf" or "nan".
bool ParseDecimal(std::string_view text, double& value);

}  // namespace vx::automation
