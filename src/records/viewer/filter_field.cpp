#include "records/viewer/filter_field.h"

#include "common/c_number.h"

namespace vx::records {

FieldCheck CheckFilterField(std::string_view text) {
  // The characters are walked from the first; the first problem met decides the message.
  int points = 0;
  int exponents = 0;
  FieldCheck::Problem problem = FieldCheck::Problem::None;
  for (const char c : text) {
    if ((c >= '0' && c <= '9') || c == '-') continue;
    if (c == '.')
      ++points;
    else if (c == 'E' || c == 'e')
      ++exponents;
    else
      problem = FieldCheck::Problem::BadCharacter;
    if (problem == FieldCheck::Problem::None && (points > 1 || exponents > 1))
      problem = FieldCheck::Problem::RepeatedMark;
    if (problem != FieldCheck::Problem::None) break;
  }
  if (problem == FieldCheck::Problem::None) return {};
  return FieldCheck{problem, FormatC("%.2f", LeadingNumber(text))};
}

}  // namespace vx::records
