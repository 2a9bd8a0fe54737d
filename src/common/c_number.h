#pragma once
// Numbers exchanged with meters and files are always read and written in the C locale,
// whatever locale the user's session (and Qt, which calls setlocale) has installed.

#include <cstdarg>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// The decimal number at the start of `text`: leading white space, an optional sign, digits
// with at most one decimal point, and an optional exponent ("E" or "e", an optional sign,
// digits). Meters and users write nothing else, so the other forms C's strtod takes are no
// number here: "inf", "nan" and hexadecimal ("0x10" is the 0 at its start). std::nullopt
// when the text does not start with a decimal number; a decimal too large for a double reads
// as infinity, as strtod reads it.
std::optional<double> LeadingDecimal(std::string_view text);

// As LeadingDecimal, with 0 for a text that holds no number (so an empty text reads as 0).
double LeadingNumber(std::string_view text);

// The decimal integer at the start of `text` as C's strtol takes it; 0 when none.
// Values beyond the range of long are clamped as strtol clamps them.
long LeadingInteger(std::string_view text);

// printf-compatible formatting in the C locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VFormatC(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Removes the characters of `set` from the end of `text`.
std::string_view TrimRight(std::string_view text, std::string_view set = " \t\r\n\v\f");
std::string_view Trim(std::string_view text, std::string_view set = " \t\r\n\v\f");

// The fields of `text` between its `separator`s, each trimmed of white space ("a, b," gives
// "a", "b", "").
std::vector<std::string> SplitFields(std::string_view text, char separator);

// ASCII case-insensitive helpers, as used by SCPI and by the settings files.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);

}  // namespace vx
