#include "scanner/field_checks.h"

#include <algorithm>
#include <charconv>

#include "common/c_number.h"

namespace vx::scanner {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsExponentLetter(char c) {
  return c == 'E' || c == 'e';
}

}  // namespace

ShuntFieldCheck CheckShuntField(std::string_view text, ShuntField field) {
  const char* message =
      field == ShuntField::R ? "The value of \"R\" is error." : "The value of \"I\" is error.";
  int points = 0;
  int exponents = 0;
  for (const char c : text) {
    if (IsDigit(c) || c == '-') continue;
    if (c == '.') {
      ++points;
    } else if (IsExponentLetter(c)) {
      ++exponents;
    } else {
      return {false, FormatC("%.2f", LeadingNumber(text)), message, ""};
    }
    if (points > 1 || exponents > 1) {
      return {false, FormatC("%.2f", LeadingNumber(text)), message, "."};
    }
  }
  return {};
}

std::string ShuntFieldText(double value) {
  if (value == 0) return "0";
  std::string text = FormatC("%f", value);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

bool TimerTextValid(std::string_view text) {
  if (text.empty() || text.back() == '.' || IsExponentLetter(text.back())) return false;
  int points = 0;
  int exponents = 0;
  for (const char c : text) {
    if (IsDigit(c) || c == '-') continue;
    if (c == '.') {
      if (++points > 1) return false;
    } else if (IsExponentLetter(c)) {
      if (++exponents > 1) return false;
    } else {
      return false;
    }
  }
  return LeadingNumber(text) >= 0;
}

bool TimerTextFinished(std::string_view text) {
  if (text.empty()) return true;
  const char last = text.back();
  return last != '.' && last != '-' && !IsExponentLetter(last);
}

bool PassesTextValid(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

std::optional<int> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace vx::scanner
