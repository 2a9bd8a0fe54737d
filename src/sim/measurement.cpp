#include "sim/measurement.h"

#include <array>
#include <cmath>

#include "common/c_number.h"

namespace vx::sim {
namespace {

constexpr std::array<std::string_view, kFunctionCount> kNames = {
    "VOLT", "VOLT:AC", "CURR", "CURR:AC", "RES", "FRES",     "FREQ",
    "PER",  "CONT",    "DIOD", "TEMP",    "TCO", "VOLT:RAT", "CAP"};

constexpr RangeStep kDcVolts[] = {{0.1, 0.1}, {1, 1}, {10, 10}, {100, 100}, {1000, 1000}};
constexpr RangeStep kAcVolts[] = {{0.1, 0.1}, {1, 1}, {10, 10}, {100, 100}, {1000, 750}};
constexpr RangeStep kDcAmpsBasic[] = {{0.01, 0.01}, {0.1, 0.1}, {1, 1}, {3, 3}};
constexpr RangeStep kDcAmpsFull[] = {{0.01, 0.01}, {0.1, 0.1}, {1, 1}, {3, 3}, {10, 10}};
constexpr RangeStep kDcAmpsNoTc[] = {{0.01, 0.01}, {0.1, 0.1}, {1, 1}, {10, 10}};
constexpr RangeStep kAcAmpsBasic[] = {{1, 1}, {3, 3}};
constexpr RangeStep kAcAmpsFull[] = {{1, 1}, {3, 3}, {10, 10}};
constexpr RangeStep kAcAmpsNoTc[] = {{1, 1}, {10, 10}};
constexpr RangeStep kOhms[] = {{1e2, 1e2}, {1e3, 1e3}, {1e4, 1e4}, {1e5, 1e5},
                               {1e6, 1e6}, {1e7, 1e7}, {1e8, 1e8}};
constexpr RangeStep kFarads[] = {{1e-9, 1e-9}, {1e-8, 1e-8}, {1e-7, 1e-7}, {1e-6, 1e-6},
                                 {1e-5, 1e-5}, {1e-4, 1e-4}, {1e-3, 1e-3}, {1e-2, 1e-2}};

constexpr double kNplcBasic[] = {0.02, 0.1, 0.2, 1, 10, 100};
constexpr double kNplcFull[] = {0.001, 0.006, 0.02, 0.06, 0.2, 0.6, 1, 2, 10, 100};
constexpr double kBandwidths[] = {3, 20, 200};
constexpr double kApertures[] = {0.01, 0.1, 1};

constexpr std::string_view kRtdTypes[] = {"PT100",  "D100", "F100",  "PT385",
                                          "PT3916", "NTCT", "SPRTD", "USER"};
constexpr std::string_view kTcBasic[] = {"E", "J", "K", "N", "R", "S", "T"};
constexpr std::string_view kTcFull[] = {"K", "J", "R", "S", "T", "E", "N", "B"};

// A tiny tolerance so that a value written with twelve decimals still selects its own range.
constexpr double kRelativeSlack = 1e-12;

}  // namespace

std::string_view FunctionName(Function f) {
  return kNames[static_cast<size_t>(f)];
}

std::optional<Function> FunctionFromName(std::string_view name) {
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (EqualsNoCase(name, kNames[i])) return static_cast<Function>(i);
  }
  if (EqualsNoCase(name, "VOLT:DC")) return Function::VoltDc;
  if (EqualsNoCase(name, "CURR:DC")) return Function::CurrDc;
  if (EqualsNoCase(name, "DIODE")) return Function::Diod;
  if (EqualsNoCase(name, "TCOUPLE")) return Function::Tco;
  if (EqualsNoCase(name, "VOLT:DC:RAT")) return Function::VoltRatio;
  return std::nullopt;
}

bool VariantHasFunction(Variant v, Function f) {
  if (f == Function::Cap) return v != Variant::Basic;
  if (f == Function::Tco) return v != Variant::NoThermocouple;
  return true;
}

std::span<const RangeStep> Ranges(Function f, Variant v) {
  switch (f) {
    case Function::VoltDc:
    case Function::VoltRatio:
      return kDcVolts;
    case Function::VoltAc:
    case Function::Freq:
    case Function::Per:
      return kAcVolts;
    case Function::CurrDc:
      return v == Variant::Basic  ? std::span<const RangeStep>(kDcAmpsBasic)
             : v == Variant::Full ? std::span<const RangeStep>(kDcAmpsFull)
                                  : std::span<const RangeStep>(kDcAmpsNoTc);
    case Function::CurrAc:
      return v == Variant::Basic  ? std::span<const RangeStep>(kAcAmpsBasic)
             : v == Variant::Full ? std::span<const RangeStep>(kAcAmpsFull)
                                  : std::span<const RangeStep>(kAcAmpsNoTc);
    case Function::Res:
    case Function::FRes:
      return kOhms;
    case Function::Cap:
      return kFarads;
    case Function::Cont:
    case Function::Diod:
    case Function::Temp:
    case Function::Tco:
      break;
  }
  return {};
}

double FixedSpan(Function f) {
  if (f == Function::Cont) return 1000.0;
  if (f == Function::Diod) return 1.0;
  return 0.0;
}

int RangeIndexFor(std::span<const RangeStep> ranges, double value) {
  const double magnitude = std::fabs(value);
  for (size_t i = 0; i < ranges.size(); ++i) {
    if (magnitude <= ranges[i].reported * (1 + kRelativeSlack)) return static_cast<int>(i);
  }
  return -1;
}

int AutoRangeIndex(std::span<const RangeStep> ranges, double signal) {
  const double magnitude = std::fabs(signal);
  for (size_t i = 0; i < ranges.size(); ++i) {
    if (magnitude <= ranges[i].fullScale * 1.2) return static_cast<int>(i);
  }
  return ranges.empty() ? -1 : static_cast<int>(ranges.size()) - 1;
}

bool HasNplc(Function f) {
  return f == Function::VoltDc || f == Function::CurrDc || f == Function::Res ||
         f == Function::FRes || f == Function::VoltRatio;
}

std::span<const double> NplcSteps(Variant v) {
  return v == Variant::Basic ? std::span<const double>(kNplcBasic)
                             : std::span<const double>(kNplcFull);
}

std::span<const double> BandwidthSteps() {
  return kBandwidths;
}
std::span<const double> ApertureSteps() {
  return kApertures;
}

int SnapUp(std::span<const double> steps, double value) {
  for (size_t i = 0; i < steps.size(); ++i) {
    if (value <= steps[i] * (1 + kRelativeSlack)) return static_cast<int>(i);
  }
  return -1;
}

std::span<const std::string_view> RtdTypes() {
  return kRtdTypes;
}

std::span<const std::string_view> ThermocoupleTypes(Variant v) {
  if (v == Variant::Basic) return kTcBasic;
  if (v == Variant::Full) return kTcFull;
  return {};
}

double DefaultInput(Function f) {
  switch (f) {
    case Function::VoltDc:
      return 1.234567;
    case Function::VoltAc:
      return 0.5;
    case Function::CurrDc:
      return 0.0123;
    case Function::CurrAc:
      return 0.25;
    case Function::Res:
      return 1000.0;
    case Function::FRes:
      return 99.987;
    case Function::Freq:
      return 1000.0;
    case Function::Per:
      return 0.001;
    case Function::Cont:
      return 0.35;
    case Function::Diod:
      return 0.62;
    case Function::Temp:
      return 23.5;
    case Function::Tco:
      return 21.8;
    case Function::VoltRatio:
      return 0.5;
    case Function::Cap:
      return 1e-7;
  }
  return 0.0;
}

}  // namespace vx::sim
