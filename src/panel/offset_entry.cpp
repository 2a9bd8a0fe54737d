#include "panel/offset_entry.h"

#include <cmath>

#include "common/c_number.h"

namespace vx::panel {

OffsetEntry CheckOffsetText(std::string_view text) {
  OffsetEntry entry;
  int points = 0;
  int exponents = 0;
  for (const char c : text) {
    if (c == '.') {
      ++points;
    } else if (c == 'E' || c == 'e') {
      ++exponents;
    } else if (!((c >= '0' && c <= '9') || c == '-')) {
      entry.errorTitle = "";
      break;
    }
    if (points > 1 || exponents > 1) {
      entry.errorTitle = ".";
      break;
    }
  }
  const double number = LeadingNumber(text);
  if (std::isfinite(number)) entry.number = number;
  return entry;
}

std::string FormatOffset(double value) {
  std::string text = FormatC("%f", value);
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace vx::panel
