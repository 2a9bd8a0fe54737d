#pragma once
// The fourteen measurement functions the configuration dialogs offer, always numbered as
// below: the number indexes every per-function table of the settings model. Their mnemonics
// are the dialogs' own (DIODE, TCOUPLE, VOLT:RAT), not the front panel's configure commands.

#include <optional>
#include <string>
#include <string_view>

namespace vx::config {

enum class MeasureFunction {
  DcVoltage = 0,
  DcCurrent = 1,
  AcVoltage = 2,
  AcCurrent = 3,
  Resistance2W = 4,
  Resistance4W = 5,
  Frequency = 6,
  Period = 7,
  Continuity = 8,
  Diode = 9,
  Temperature = 10,
  Thermocouple = 11,
  DcRatio = 12,
  Capacitance = 13,
};

inline constexpr int kMeasureFunctionCount = 14;

constexpr int Number(MeasureFunction f) {
  return static_cast<int>(f);
}
// The function numbered `number`; std::nullopt outside 0 to 13.
std::optional<MeasureFunction> FunctionNumbered(int number);

// A caption looked up by key in the user's language, with its English default. An empty key
// marks a fixed text that has no key.
struct CaptionText {
  std::string_view key;
  std::string_view english;
};

// The text of a caption in the current language.
std::string Text(const CaptionText& caption);

// What the range box holds, and so its label.
enum class RangeKind { Ranges, Sensors, AutoOnly };

// What the second box holds.
enum class SecondKind { Resolution, Filter, Unit, Aperture, None };

struct FunctionInfo {
  CaptionText name;             // in the function list
  std::string_view mnemonic;    // sent by "CONF:%s"
  std::string_view funcAnswer;  // the normalised "func?" answer that confirms it
  RangeKind rangeKind;
  SecondKind secondKind;
  bool secondLabelled;  // capacitance shows its second list without a label
};

const FunctionInfo& Info(MeasureFunction f);

// The label over the range box ("Range", "Sensor") and over the second box ("Resolution",
// "Filter", "Unit", "Aperture"); an empty caption for none.
CaptionText RangeLabel(MeasureFunction f);
CaptionText SecondLabel(MeasureFunction f);

// A "func?" answer with every double quote and line feed removed, and the meter's short
// forms "VOLT" and "CURR" (exactly those) spelt out as "VOLT:DC" and "CURR:DC".
std::string NormaliseFunctionAnswer(std::string_view answer);

// The function whose confirming answer equals the normalised answer, trying them in number
// order; std::nullopt when the answer names none.
std::optional<MeasureFunction> FunctionFromAnswer(std::string_view answer);

// Every double quote and line feed removed: how answers are cleaned before a text check.
std::string WithoutQuotesAndLineFeeds(std::string_view answer);

}  // namespace vx::config
