#pragma once
// How the device settings dialog decides that the meter took a setting: the answer to the
// question that follows each write.

#include <string_view>

#include "config/measure_function.h"
#include "config/meter_variant.h"
#include "config/range_lists.h"

namespace vx::config {

// Auto range is on when the answer holds a "1" (quotes and line feeds aside).
bool AutoRangeConfirmed(std::string_view answer);

// A fixed range holds when the number in the answer equals the value sent exactly. A basic
// meter reports its "750 Vac" AC voltage range as 1000, which holds too.
bool FixedRangeConfirmed(std::string_view answer, MeasureFunction f, MeterVariant variant,
                         const RangeEntry& sent);

// The unit holds when the answer contains the unit letter sent.
bool UnitConfirmed(std::string_view answer, std::string_view unit);

// An RTD type holds when the answer contains the type's text.
bool RtdTypeConfirmed(std::string_view answer, std::string_view type);

// A thermocouple type holds on a basic meter when the answer equals the type's text, on the
// other models when it contains it.
bool ThermocoupleTypeConfirmed(std::string_view answer, std::string_view type,
                               MeterVariant variant);

}  // namespace vx::config
