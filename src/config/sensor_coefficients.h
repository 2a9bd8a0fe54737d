#pragma once
// The six coefficient fields of the temperature function: the user-defined RTD (alpha, beta,
// delta, R-zero) and the standard platinum resistance thermometer, SPRTD (R-zero, A4, B4 and
// the deviation coefficients A7, B7, C7, which the meter calls Ax, Bx, Cx). The fields stand
// in two columns and three rows and are shared by both sensor types.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/measure_function.h"

namespace vx::config {

inline constexpr size_t kCoefficientFieldCount = 6;

// The values of the six fields. They are 0 when the program starts and keep their last values
// from one opening of the device settings dialog to the next: the front panel owns them.
// std::nullopt is an empty field, as a read-back leaves it when the meter gave no number.
struct SensorCoefficients {
  std::array<std::optional<double>, kCoefficientFieldCount> values{0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

enum class CoefficientSet { None, User, Sprtd };

// The fields that a sensor type needs: "USER" and "SPRTD" of the temperature function.
CoefficientSet CoefficientSetFor(MeasureFunction f, std::string_view sensorType);

struct CoefficientField {
  std::string_view label;  // shown to the field's left
  double low = 0;          // bounds, inclusive
  double high = 0;
  CaptionText outOfBounds;  // the message when a value lies outside
  std::string_view write;   // command header that writes it
  std::string_view query;   // command header that reads it back, without "?"
};

// Fields 1, 2, … of a set, in the order they are checked and sent; empty for None.
std::span<const CoefficientField> CoefficientFields(CoefficientSet set);

bool InBounds(const CoefficientField& field, double value);

// The number a field holds: its whole text (white space around it aside) as a decimal number
// in the C locale; std::nullopt for anything else, an empty field included.
std::optional<double> ParseCoefficientText(std::string_view text);

// A value as a field shows it: the shortest text that reads back as the same number.
std::string CoefficientText(double value);

}  // namespace vx::config
