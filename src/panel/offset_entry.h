#pragma once
// The offset text of the trace controls: its character check and how numbers are shown.

#include <optional>
#include <string>
#include <string_view>

namespace vx::panel {

inline constexpr std::string_view kOffsetErrorMessage = "The value of \"Offset\" is error.";

struct OffsetEntry {
  // Set when the text breaks the rules: the title of the error box ("" for a character
  // that does not belong in a number, "." for a second point or exponent letter).
  std::optional<std::string> errorTitle;
  // The number at the start of the text; std::nullopt when it is not finite ("inf").
  std::optional<double> number;
};

// Digits, "-", at most one "." and at most one "E" or "e" pass; the first fault decides the
// message, so "1..2" is reported once and still gives 1.
OffsetEntry CheckOffsetText(std::string_view text);

// "%f" without trailing zeros and then without a trailing point: 1.5, 2, -0.25.
std::string FormatOffset(double value);

}  // namespace vx::panel
