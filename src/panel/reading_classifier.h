#pragma once
// What the front panel makes of one answer to "read?": the text its reading label shows,
// the value logged into a record file, and the sample its trace gets.

#include <optional>
#include <string>
#include <string_view>

namespace vx::panel {

// Readings of this magnitude or more are overloads (the meter sends 9.9E+37).
inline constexpr double kOverloadThreshold = 9.9e20;
// A zero reading is drawn as this value, so that "no sample yet" (exactly 0) stays apart.
inline constexpr double kZeroStandIn = 1e-25;

struct ClassifiedReading {
  std::string label;             // "1.234567000000000", "-0.5000000000", "OVLD", "OPEN"
  std::optional<double> logged;  // the value to log; none for overloads
  std::optional<double> sample;  // the trace sample; none keeps the newest slot as it was
};

// `functionText` is the device's function as the panel keeps it: the meter's answer to
// "func?" or the command a function button sent ("CONF:DIOD\n"). Function names count only
// after its first character.
ClassifiedReading ClassifyReading(std::string_view answer, std::string_view functionText);

// The label text of an answer that is no decimal number at all ("nan", garbage).
inline constexpr std::string_view kInvalidReadingLabel = "----";

}  // namespace vx::panel
