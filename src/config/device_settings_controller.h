#pragma once
// What the "Setting Device" dialog does with one meter, free of any window: write a chosen
// function with its range, sensor type, coefficients and second setting (Apply), and read the
// meter's present settings back (ReadBack). It talks to the meter only through a query
// function, one command line at a time, and shows its messages through the Prompter.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/prompt.h"
#include "config/measure_function.h"
#include "config/meter_variant.h"
#include "config/range_lists.h"
#include "config/second_lists.h"
#include "config/sensor_coefficients.h"

namespace vx::config {

// Sends one command line (with its line feed) to the meter and returns the answer of a query,
// quotes removed and trailing white space trimmed, or an empty text (the front panel's
// SendQuery to the meter's list position).
using QueryFunction = std::function<std::string(std::string_view command)>;

struct ApplyRequest {
  MeasureFunction function = MeasureFunction::DcVoltage;
  int rangeIndex = 0;   // into Ranges(function)
  int secondIndex = 0;  // into SecondEntries(function); not looked at when that list is empty
  // The numbers in the six coefficient fields; std::nullopt where a field holds no number.
  std::array<std::optional<double>, kCoefficientFieldCount> coefficients{};
};

enum class ApplyOutcome {
  Done,           // every step was sent and every check passed
  NoAnswer,       // the meter gave no "func?" answer: ended without a message
  Refused,        // a check failed; its message was shown and the rest was not sent
  NotApplicable,  // the request names a function, range or entry the meter lacks: nothing sent
};

// What a read-back found, in the order it was found: it ends at the first answer that names
// nothing, so later members may be missing while earlier ones are set.
struct ReadBackResult {
  std::optional<MeasureFunction> function;
  std::optional<int> secondIndex;  // into SecondEntries(*function)
  std::optional<int> rangeIndex;   // into Ranges(*function)
  // The coefficients read for a "USER" or "SPRTD" sensor, for the first CoefficientFields(set)
  // fields; std::nullopt where the meter's answer is no decimal number (or there is none).
  CoefficientSet coefficientSet = CoefficientSet::None;
  std::array<std::optional<double>, kCoefficientFieldCount> coefficients{};
  bool complete = false;
};

class DeviceSettingsController {
 public:
  // `identity` is the meter's "*IDN?" answer, which decides its variant.
  DeviceSettingsController(std::string_view identity, QueryFunction query, Prompter& prompter);

  MeterVariant Variant() const { return variant_; }
  bool Hewlett() const { return hewlett_; }
  std::vector<MeasureFunction> Functions() const { return OfferedFunctions(variant_); }
  std::vector<RangeEntry> Ranges(MeasureFunction f) const { return RangeList(f, variant_); }
  std::vector<SecondEntry> SecondEntries(MeasureFunction f) const {
    return SecondList(f, variant_, hewlett_);
  }

  // Writes the request step by step, checking what the meter can confirm; the first failed
  // check shows its message and ends the apply, leaving what was sent in force. `autoRange`
  // (the meter's flag shared with the front panel) becomes 1 for "AUTO" and 0 for any other
  // range or sensor as soon as the meter has confirmed the function.
  ApplyOutcome Apply(const ApplyRequest& request, unsigned char& autoRange);

  // Asks the meter for its function, its second setting and its range (or sensor type and
  // coefficients).
  ReadBackResult ReadBack();

 private:
  bool Fail(std::string_view message);
  std::string SettingsMnemonic(MeasureFunction f) const;
  bool ApplyFunction(MeasureFunction f);
  bool ApplyRange(MeasureFunction f, const RangeEntry& range);
  void ApplySignalRange(MeasureFunction f, const RangeEntry& range, const SecondEntry& aperture);
  bool ApplyRtd(const RangeEntry& type, const ApplyRequest& request);
  bool ApplyCoefficients(CoefficientSet set, const ApplyRequest& request);
  bool ApplyThermocouple(const RangeEntry& type);
  bool ApplyUnit(const SecondEntry& unit);
  void ApplyResolution(MeasureFunction f, const SecondEntry* second);

  std::optional<int> ReadSecond(MeasureFunction f);
  bool ReadRange(MeasureFunction f, const std::string& functionAnswer, ReadBackResult& result);
  bool ReadSensor(MeasureFunction f, ReadBackResult& result);

  MeterVariant variant_;
  bool hewlett_;
  QueryFunction query_;
  Prompter& prompter_;
};

}  // namespace vx::config
