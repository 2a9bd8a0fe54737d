#pragma once
// The checks of the scanner's text fields: the shunt fields R and I (offset), the Timer and
// the number of passes N, with the messages the user sees. Shared by the window and vxscan.

#include <optional>
#include <string>
#include <string_view>

namespace vx::scanner {

inline constexpr const char* kTimerError = "The value of \"Timer\" is error ! Please re-enter.";
inline constexpr const char* kPassesError = "The value of \"N Scan\" is error ! Please re-enter.";
inline constexpr const char* kZeroShuntError =
    "The value of \"R\" can't equal to 0 ! Please re-enter.";

// The ranges of the run settings, and the messages a value outside them gives.
inline constexpr double kTimerMin = 0;
inline constexpr double kTimerMax = 60;
inline constexpr int kScanCountMin = 0;
inline constexpr int kScanCountMax = 2000;
inline constexpr int kPassesMin = 1;
inline constexpr int kPassesMax = 200;
inline constexpr const char* kTimerRangeMessage = "Please enter a number between 0 and 60.";
inline constexpr const char* kScanCountRangeMessage = "Please enter an integer between 0 and 2000.";
inline constexpr const char* kPassesRangeMessage = "Please enter an integer between 1 and 200.";

enum class ShuntField { R, I };

// What the character check of an R or I field found.
struct ShuntFieldCheck {
  bool ok = true;
  // When not ok: the text the field is set to (its leading number, "%.2f"), the message and
  // its title.
  std::string replacement;
  std::string message;
  std::string title;
};

// Digits and "-" pass anywhere; one "." and one exponent letter ("E" or "e") pass; any other
// character, or a second "." or exponent letter, does not.
ShuntFieldCheck CheckShuntField(std::string_view text, ShuntField field);

// A shunt value as the R and I fields show it: "%f" without its trailing zeros and then
// without a trailing point (100 shows as 100, 0.5 as 0.5), "0" for 0.
std::string ShuntFieldText(double value);

// The Timer text as Start accepts it: not empty, a number of 0 or more, not ending in ".",
// "E" or "e", and only digits, "-", at most one "." and at most one exponent letter.
bool TimerTextValid(std::string_view text);
// Whether the Timer field's range is checked as the user types: not while the text ends in
// ".", "E", "e" or "-" (the number is not finished).
bool TimerTextFinished(std::string_view text);
// The number of passes as Start accepts it: not empty, digits only.
bool PassesTextValid(std::string_view text);

// The whole-number value of a text of digits (with an optional sign), none for any other
// text or one beyond the range of int.
std::optional<int> WholeNumber(std::string_view text);

}  // namespace vx::scanner
