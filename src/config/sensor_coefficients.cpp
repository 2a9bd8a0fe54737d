#include "config/sensor_coefficients.h"

#include <charconv>
#include <cmath>

#include "common/c_number.h"

namespace vx::config {
namespace {

// The comma in these messages is the full-width comma of the system's texts.
constexpr CoefficientField kUser[] = {
    {"Alpha",
     0,
     0.01,
     {"1004", "ALPHA range is 0 - 0.01\uff0cplease re-enter."},
     "SENS:TEMP:RTD:ALPH",
     "SENS:TEMP:RTD:ALPH"},
    {"Beta",
     0,
     1,
     {"1005", "BETA range is 0 - 1\uff0cplease re-enter."},
     "SENS:TEMP:RTD:BETA",
     "SENS:TEMP:RTD:BETA"},
    {"Delta",
     0,
     5,
     {"1006", "DELTA range is 0 - 5\uff0cplease re-enter."},
     "SENS:TEMP:RTD:DELT",
     "SENS:TEMP:RTD:DELT"},
    {"R-zero",
     10,
     1000,
     {"1007", "R-ZERO range is 10 - 1000\uff0cplease re-enter."},
     "SENS:TEMP:RTD:RZER",
     "SENS:TEMP:RTD:RZER"},
};

constexpr CoefficientField kSprtd[] = {
    {"R-zero",
     10,
     1000,
     {"1007", "R-ZERO range is 10 - 1000\uff0cplease re-enter."},
     "SENS:TEMP:SPRTD:RZER",
     "SENS:TEMP:SPRTD:RZER"},
    {"A4",
     -1,
     1,
     {"1008", "A4 range is (-1) - 1\uff0cplease re-enter."},
     "SENS:TEMP:SPRTD:A4",
     "SENS:TEMP:SPRTD:A4"},
    {"B4",
     -1,
     1,
     {"1009", "B4 range is (-1) - 1\uff0cplease re-enter."},
     "SENS:TEMP:SPRTD:B4",
     "SENS:TEMP:SPRTD:B4"},
    {"A7",
     -1,
     1,
     {"1010", "A7 range is (-1) - 1\uff0cplease re-enter."},
     "SENS:TEMP:SPRTD:Ax",
     "SENS:TEMP:SPRTD:AX"},
    {"B7",
     -1,
     1,
     {"1011", "B7 range is (-1) - 1\uff0cplease re-enter."},
     "SENS:TEMP:SPRTD:Bx",
     "SENS:TEMP:SPRTD:BX"},
    {"C7",
     -1,
     1,
     {"1012", "C7 range is (-1) - 1\uff0cplease re-enter."},
     "SENS:TEMP:SPRTD:Cx",
     "SENS:TEMP:SPRTD:CX"},
};

}  // namespace

CoefficientSet CoefficientSetFor(MeasureFunction f, std::string_view sensorType) {
  if (f != MeasureFunction::Temperature) return CoefficientSet::None;
  if (sensorType == "USER") return CoefficientSet::User;
  if (sensorType == "SPRTD") return CoefficientSet::Sprtd;
  return CoefficientSet::None;
}

std::span<const CoefficientField> CoefficientFields(CoefficientSet set) {
  switch (set) {
    case CoefficientSet::User:
      return kUser;
    case CoefficientSet::Sprtd:
      return kSprtd;
    case CoefficientSet::None:
      break;
  }
  return {};
}

bool InBounds(const CoefficientField& field, double value) {
  return value >= field.low && value <= field.high;
}

std::optional<double> ParseCoefficientText(std::string_view text) {
  text = Trim(text);
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string CoefficientText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace vx::config
