#include "config/measure_function.h"

#include <algorithm>
#include <array>

#include "common/captions.h"

namespace vx::config {
namespace {

using enum RangeKind;
using enum SecondKind;

// The confirming answers of functions 0 to 12 are the SCPI functions of the front panel's
// function table, row for row. The meter answers "CAP" for capacitance; the dialogs confirm a
// capacitance setting with it too.
constexpr std::array<FunctionInfo, kMeasureFunctionCount> kFunctions{{
    {{"71", "DC Voltage"}, "VOLT:DC", "VOLT:DC", Ranges, Resolution, true},
    {{"72", "DC Current"}, "CURR:DC", "CURR:DC", Ranges, Resolution, true},
    {{"73", "AC Voltage"}, "VOLT:AC", "VOLT:AC", Ranges, Filter, true},
    {{"74", "AC Current"}, "CURR:AC", "CURR:AC", Ranges, Filter, true},
    {{"75", "Resistance(2W)"}, "RES", "RES", Ranges, Resolution, true},
    {{"76", "Resistance(4W)"}, "FRES", "FRES", Ranges, Resolution, true},
    {{"77", "Frequency"}, "FREQ", "FREQ", Ranges, Aperture, true},
    {{"78", "Period"}, "PER", "PER", Ranges, Aperture, true},
    {{"79", "Continuity"}, "CONT", "CONT", AutoOnly, None, false},
    {{"80", "Diode"}, "DIODE", "DIOD", AutoOnly, None, false},
    {{"81", "TEMP"}, "TEMP", "TEMP", Sensors, Unit, true},
    {{"82", "TCOUPLE"}, "TCOUPLE", "TCO", Sensors, Unit, true},
    {{"83", "DC Ratio"}, "VOLT:RAT", "VOLT:RAT", Ranges, Resolution, true},
    {{"210", "CAP"}, "CAP", "CAP", Ranges, Resolution, false},
}};

}  // namespace

std::optional<MeasureFunction> FunctionNumbered(int number) {
  if (number < 0 || number >= kMeasureFunctionCount) return std::nullopt;
  return static_cast<MeasureFunction>(number);
}

std::string Text(const CaptionText& caption) {
  if (caption.key.empty()) return std::string(caption.english);
  return Caption(caption.key, caption.english);
}

const FunctionInfo& Info(MeasureFunction f) {
  return kFunctions[static_cast<size_t>(Number(f))];
}

CaptionText RangeLabel(MeasureFunction f) {
  switch (Info(f).rangeKind) {
    case Ranges:
      return {"87", "Range"};
    case Sensors:
      return {"89", "Sensor"};
    case AutoOnly:
      break;
  }
  return {};
}

CaptionText SecondLabel(MeasureFunction f) {
  const FunctionInfo& info = Info(f);
  if (!info.secondLabelled) return {};
  switch (info.secondKind) {
    case Resolution:
      return {"90", "Resolution"};
    case Filter:
      return {"91", "Filter"};
    case Unit:
      return {"92", "Unit"};
    case Aperture:
      return {"88", "Aperture"};
    case None:
      break;
  }
  return {};
}

std::string WithoutQuotesAndLineFeeds(std::string_view answer) {
  std::string text(answer);
  std::erase_if(text, [](char c) { return c == '"' || c == '\n'; });
  return text;
}

std::string NormaliseFunctionAnswer(std::string_view answer) {
  std::string text = WithoutQuotesAndLineFeeds(answer);
  if (text == "VOLT") return "VOLT:DC";
  if (text == "CURR") return "CURR:DC";
  return text;
}

std::optional<MeasureFunction> FunctionFromAnswer(std::string_view answer) {
  const std::string normalised = NormaliseFunctionAnswer(answer);
  const auto found = std::find_if(kFunctions.begin(), kFunctions.end(),
                                  [&](const auto& info) { return info.funcAnswer == normalised; });
  if (found == kFunctions.end()) return std::nullopt;
  return FunctionNumbered(static_cast<int>(found - kFunctions.begin()));
}

}  // namespace vx::config
