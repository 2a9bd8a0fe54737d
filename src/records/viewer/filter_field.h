#pragma once
// The check that runs on every change of a filter field: a bound is typed as digits and
// minus signs with at most one decimal point and one exponent letter. Anything else puts the
// field back to the number it starts with, written with two decimals ("1.2.3" becomes
// "1.20", "+5" becomes "5.00").

#include <string>
#include <string_view>

namespace vx::records {

inline constexpr const char* kBadCharacterMessage = "The value is error.";
// A second decimal point or exponent letter; the box is titled with the offending mark.
inline constexpr const char* kRepeatedMarkMessage =
    "A value may hold only one decimal point and one exponent letter (E).";
inline constexpr const char* kRepeatedMarkTitle = ".";

struct FieldCheck {
  enum class Problem { None, BadCharacter, RepeatedMark };
  Problem problem = Problem::None;
  // What the field is set to when there is a problem.
  std::string replacement;

  bool Ok() const { return problem == Problem::None; }
};

FieldCheck CheckFilterField(std::string_view text);

}  // namespace vx::records
