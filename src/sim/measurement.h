#pragma once
// What the meter can measure, per model variant: the functions with the names "func?"
// reports, their ranges, integration times, detector bandwidths, gate times and sensor types.

#include <optional>
#include <span>
#include <string_view>

#include "sim/simulated_meter.h"

namespace vx::sim {

enum class Function {
  VoltDc,
  VoltAc,
  CurrDc,
  CurrAc,
  Res,
  FRes,
  Freq,
  Per,
  Cont,
  Diod,
  Temp,
  Tco,
  VoltRatio,
  Cap,
};
inline constexpr int kFunctionCount = 14;

// The name "func?" reports, without quotes ("VOLT", "VOLT:AC", ..., "CAP"); it is also the key
// of MeterConfig::inputs.
std::string_view FunctionName(Function f);
// The reverse, also accepting the spellings "VOLT:DC", "CURR:DC", "DIODE", "TCOUPLE" and
// "VOLT:DC:RAT" (case-insensitive).
std::optional<Function> FunctionFromName(std::string_view name);

bool VariantHasFunction(Variant v, Function f);

struct RangeStep {
  double reported;   // what RANGe? answers and what a setting is compared with
  double fullScale;  // the real span, for overload (the 750 V AC range reports 1000)
};

// Empty for functions without a selectable range (continuity, diode, temperature).
std::span<const RangeStep> Ranges(Function f, Variant v);
// The fixed span of continuity (1 kohm) and diode (1 V) tests; 0 for other functions.
double FixedSpan(Function f);
// Index of the smallest range whose reported value is >= |value|, or -1 above the top.
int RangeIndexFor(std::span<const RangeStep> ranges, double value);
// The range autoranging settles on for a signal: the smallest that holds it with 20 % over-range.
int AutoRangeIndex(std::span<const RangeStep> ranges, double signal);

bool HasNplc(Function f);
std::span<const double> NplcSteps(Variant v);
std::span<const double> BandwidthSteps();
std::span<const double> ApertureSteps();
// Index of the smallest step >= value, or -1 above the top.
int SnapUp(std::span<const double> steps, double value);

std::span<const std::string_view> RtdTypes();
std::span<const std::string_view> ThermocoupleTypes(Variant v);

// Built-in input signal of a function when the configuration gives none (SI units; degrees
// Celsius for the temperature functions; a ratio for DC ratio).
double DefaultInput(Function f);

}  // namespace vx::sim
