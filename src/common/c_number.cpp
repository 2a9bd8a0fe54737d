#include "common/c_number.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/c_locale_scope.h"

namespace vx {

locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

namespace {

// strtod and strtol need a terminated string; short texts (all meter answers) stay on the stack.
template <typename Convert>
auto WithTerminatedCopy(std::string_view text, Convert convert) {
  std::array<char, 128> small{};
  if (text.size() < small.size()) {
    text.copy(small.data(), text.size());
    small[text.size()] = '\0';
    return convert(small.data());
  }
  const std::string copy(text);
  return convert(copy.c_str());
}

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The length of the decimal number that `text` starts with, 0 when it starts with none:
// sign, digits with at most one point (at least one digit in all), and an exponent only
// when digits follow its letter and sign.
size_t DecimalLength(std::string_view text) {
  const auto digitsFrom = [&text](size_t at) {
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at;
  };
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t integerEnd = digitsFrom(i);
  size_t digits = integerEnd - i;
  i = integerEnd;
  if (i < text.size() && text[i] == '.') {
    const size_t fractionEnd = digitsFrom(i + 1);
    digits += fractionEnd - (i + 1);
    i = fractionEnd;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t exponent = i + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const size_t exponentEnd = digitsFrom(exponent);
    if (exponentEnd > exponent) i = exponentEnd;
  }
  return i;
}

}  // namespace

std::optional<double> LeadingDecimal(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsCSpace(text[begin])) ++begin;
  const size_t length = DecimalLength(text.substr(begin));
  if (length == 0) return std::nullopt;
  // Only the decimal itself reaches strtod, which then cannot read anything else.
  return WithTerminatedCopy(text.substr(begin, length),
                            [](const char* s) { return strtod_l(s, nullptr, CLocale()); });
}

double LeadingNumber(std::string_view text) {
  return LeadingDecimal(text).value_or(0.0);
}

long LeadingInteger(std::string_view text) {
  return WithTerminatedCopy(text,
                            [](const char* s) { return strtol_l(s, nullptr, 10, CLocale()); });
}

std::string VFormatC(const char* format, va_list args) {
  CLocaleScope scope;
  std::array<char, 256> small{};
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(small.data(), small.size(), format, copy);
  va_end(copy);
  if (needed < 0) return {};
  if (static_cast<size_t>(needed) < small.size()) return std::string(small.data(), needed);
  std::string result(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(result.data(), result.size(), format, args);
  result.resize(static_cast<size_t>(needed));
  return result;
}

std::string FormatC(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = VFormatC(format, args);
  va_end(args);
  return result;
}

std::string_view TrimRight(std::string_view text, std::string_view set) {
  const size_t end = text.find_last_not_of(set);
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

std::string_view Trim(std::string_view text, std::string_view set) {
  const size_t begin = text.find_first_not_of(set);
  if (begin == std::string_view::npos) return {};
  return TrimRight(text.substr(begin), set);
}

namespace {
char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

std::string ToLowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

std::vector<std::string> SplitFields(std::string_view text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    fields.emplace_back(
        Trim(text.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return fields;
}

}  // namespace vx
