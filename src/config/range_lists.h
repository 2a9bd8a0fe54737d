#pragma once
// The range box of each function: the ranges (text shown, value sent) or sensor types. Every
// list with ranges starts with "AUTO" (value 0). A basic meter takes its lists from the base
// table, the other models from the extended one, which adds the 10 A ranges, sends "750 Vac"
// as 1000 and orders the thermocouple types differently.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "config/measure_function.h"
#include "config/meter_variant.h"

namespace vx::config {

struct RangeEntry {
  std::string_view text;  // shown, and sent for sensor types
  double value = 0;       // sent for ranges; 0 for "AUTO" and sensor types
};

inline constexpr std::string_view kAutoRange = "AUTO";
inline constexpr std::string_view kAc750Range = "750 Vac";

bool IsAuto(const RangeEntry& entry);

std::span<const RangeEntry> BaseRanges(MeasureFunction f);
std::span<const RangeEntry> ExtendedRanges(MeasureFunction f);

// The range box of `f` on `variant`: the base list on Basic, the extended list otherwise,
// without the 3 A ranges on NoThermocouple.
std::vector<RangeEntry> RangeList(MeasureFunction f, MeterVariant variant);

// The entry a range read back from the meter selects: the first whose value equals it exactly
// ("AUTO" is a mode, not a range, and is never chosen by a number). On Basic an AC voltage
// range of exactly 1000, and a frequency or period signal range of 750 or more, are the
// "750 Vac" range. std::nullopt when nothing matches.
std::optional<int> RangeEntryForReading(MeasureFunction f, MeterVariant variant, double reading);

// The sensor type a type answer names: on Basic the first type equal to the answer, on the
// other models the first whose text the answer contains.
std::optional<int> SensorEntryForAnswer(MeasureFunction f, MeterVariant variant,
                                        std::string_view answer);

}  // namespace vx::config
