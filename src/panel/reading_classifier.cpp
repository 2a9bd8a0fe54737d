#include "panel/reading_classifier.h"

#include <cmath>

#include "common/c_number.h"

namespace vx::panel {
namespace {

bool NamesAfterFirstCharacter(std::string_view text, std::string_view name) {
  return text.find(name, 1) != std::string_view::npos;
}

constexpr double kDiodeOpenVolts = 1.2;

}  // namespace

ClassifiedReading ClassifyReading(std::string_view answer, std::string_view functionText) {
  const std::optional<double> number = LeadingDecimal(answer);
  const bool diode = NamesAfterFirstCharacter(functionText, "DIOD");
  ClassifiedReading result;

  if (!number) {
    // An answer that is no decimal number ("nan", garbage) is no reading: show that, log and
    // draw nothing rather than a value the meter never gave.
    result.label = std::string(kInvalidReadingLabel);
    return result;
  }
  const double v = *number;
  if (v >= kOverloadThreshold || v <= -kOverloadThreshold) {
    const bool open = NamesAfterFirstCharacter(functionText, "CONT") || diode;
    result.label = open ? "OPEN" : "OVLD";
    return result;
  }
  if (v > 0) {
    result.label = FormatC("%.15f", v);
    result.logged = v;
    result.sample = v;
  } else if (v == 0) {
    result.label = FormatC("%.15f", kZeroStandIn);
    result.logged = 0.0;
    result.sample = kZeroStandIn;
  } else {
    result.label = FormatC("%.10f", v);
    result.logged = v;
    result.sample = v;
  }
  if (diode) {
    // A diode that conducts shows its forward voltage; above 1.2 V it is open. Only readings
    // within +-1.2 V reach the trace.
    if (v > kDiodeOpenVolts) result.label = "OPEN";
    if (!(std::fabs(v) < kDiodeOpenVolts)) result.sample.reset();
  }
  return result;
}

}  // namespace vx::panel
