#pragma once
// The three models of the K9-90/1 that the configuration dialogs tell apart by the meter's
// identity answer, and the functions each offers.

#include <optional>
#include <string_view>
#include <vector>

#include "config/measure_function.h"

namespace vx::config {

enum class MeterVariant { Basic, Full, NoThermocouple };

// "Q7110" anywhere in the identity answer gives Full (even when "Q7111" is there too),
// "Q7111" gives NoThermocouple, anything else Basic.
MeterVariant VariantFromIdentity(std::string_view identity);

// The code text the dialog keeps for the selected meter: "7100", "7110" or "7111", and "0"
// while no meter is selected.
std::string_view VariantCode(std::optional<MeterVariant> variant);

// A basic meter whose identity answer begins with "HEWL" integrates with its own table of
// power-line cycles.
bool UsesHewlettResolutions(std::string_view identity);

// Full offers all fourteen functions, NoThermocouple all but the thermocouple, Basic all but
// capacitance.
bool Offers(MeterVariant variant, MeasureFunction f);

// The offered functions in number order: the function list of the dialog.
std::vector<MeasureFunction> OfferedFunctions(MeterVariant variant);

// Where a function stands in that list; std::nullopt when the variant does not offer it.
std::optional<int> ListPosition(MeterVariant variant, MeasureFunction f);

}  // namespace vx::config
