#include "config/meter_variant.h"

#include <algorithm>

namespace vx::config {

MeterVariant VariantFromIdentity(std::string_view identity) {
  if (identity.find("Q7110") != std::string_view::npos) return MeterVariant::Full;
  if (identity.find("Q7111") != std::string_view::npos) return MeterVariant::NoThermocouple;
  return MeterVariant::Basic;
}

std::string_view VariantCode(std::optional<MeterVariant> variant) {
  if (!variant) return "0";
  switch (*variant) {
    case MeterVariant::Basic:
      return "7100";
    case MeterVariant::Full:
      return "7110";
    case MeterVariant::NoThermocouple:
      return "7111";
  }
  return "0";
}

bool UsesHewlettResolutions(std::string_view identity) {
  return identity.starts_with("HEWL");
}

bool Offers(MeterVariant variant, MeasureFunction f) {
  switch (variant) {
    case MeterVariant::Basic:
      return f != MeasureFunction::Capacitance;
    case MeterVariant::NoThermocouple:
      return f != MeasureFunction::Thermocouple;
    case MeterVariant::Full:
      return true;
  }
  return false;
}

std::vector<MeasureFunction> OfferedFunctions(MeterVariant variant) {
  std::vector<MeasureFunction> functions;
  for (int number = 0; number < kMeasureFunctionCount; ++number) {
    const MeasureFunction f = *FunctionNumbered(number);
    if (Offers(variant, f)) functions.push_back(f);
  }
  return functions;
}

std::optional<int> ListPosition(MeterVariant variant, MeasureFunction f) {
  const std::vector<MeasureFunction> functions = OfferedFunctions(variant);
  const auto found = std::find(functions.begin(), functions.end(), f);
  if (found == functions.end()) return std::nullopt;
  return static_cast<int>(found - functions.begin());
}

}  // namespace vx::config
