#pragma once
// The second box of each function: resolution (integration time in power-line cycles),
// filter (detector bandwidth), temperature unit or gate aperture. A basic meter shows its
// entries in words from the language file; the other models show the values themselves.

#include <optional>
#include <string_view>
#include <vector>

#include "config/measure_function.h"
#include "config/meter_variant.h"

namespace vx::config {

struct SecondEntry {
  CaptionText caption;     // shown
  std::string_view value;  // sent, as it stands: "0.02", "200", "C"
};

// The second box of `f` on `variant`; a basic meter whose identity begins with "HEWL" has its
// own resolution values. Empty for continuity and diode.
std::vector<SecondEntry> SecondList(MeasureFunction f, MeterVariant variant, bool hewlett);

// The entry a number read back from the meter selects: the first whose value equals it
// exactly, so that of two entries with the same value the second is never chosen.
std::optional<int> SecondEntryForReading(const std::vector<SecondEntry>& entries, double reading);

// The unit entry a "SENS:UNIT?" answer selects: the first of C, F and K that the answer
// contains.
std::optional<int> UnitEntryForAnswer(const std::vector<SecondEntry>& entries,
                                      std::string_view answer);

}  // namespace vx::config
