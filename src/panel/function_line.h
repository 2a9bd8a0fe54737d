#pragma once
// The "Function : " and "Range : " lines of the front panel, rebuilt by asking the meter
// what it is set to.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vx::panel {

// Sends one command line to the meter and returns its answer (empty when none).
using QueryFunction = std::function<std::string(std::string_view command)>;

struct FunctionLines {
  std::string function;  // "Function : DCV"
  std::string range;     // "Range : 10  VDC", "Range : AUTO", "Type : PT100", or empty
};

// Asks the meter ("func?", the range-auto query, the range or sensor query) and builds both
// lines; std::nullopt when the lines must stay as they are (no answer to "func?", or an
// answer the panel does not know). `identity` is the meter's *IDN? answer, `autoRange` its
// flag that the function buttons and the device settings dialog keep.
std::optional<FunctionLines> BuildFunctionLines(const QueryFunction& query,
                                                std::string_view identity, bool autoRange);

// The text of a range value: "100m", "10", "100K", "1M".
std::string RangeText(double range);
// The text of a capacitance range: "1 n", "10 u", "1 m", "10" (farads follow).
std::string CapacitanceRangeText(double range);

// The function text of a "func?" answer: "VOLT" is DC volts, "CURR" DC amperes, and the
// frequency and period answers name their signal voltage.
std::string NormaliseFunctionAnswer(std::string_view answer);

}  // namespace vx::panel
