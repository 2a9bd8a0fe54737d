#include "config/device_settings_controller.h"

#include "common/c_number.h"
#include "config/answer_checks.h"
#include "config/command_set.h"

namespace vx::config {
namespace {

using enum MeasureFunction;

// Messages of the apply as the system has always shown them; they have no language key.
constexpr std::string_view kFunctionError = "Shift FUNCTION error.Try again.";
constexpr std::string_view kAutoRangeError = "Shift AUTO RANGE error. Try again.";
constexpr std::string_view kRangeError = "Shift RANGE error. Try again.";
constexpr std::string_view kRtdTypeError = "Converting data error\uff0cplease retry";
constexpr std::string_view kThermocoupleTypeError = "Shift TCopule TYPE error. Try again.";
constexpr std::string_view kUnitError = "Shift UNIT error. Try again.";
// A coefficient field that holds no number: the system's message for a bad field.
constexpr CaptionText kNotANumber{"1022", "Please input a valid value."};

// Functions whose second setting is the integration time.
bool HasResolution(MeasureFunction f) {
  return f == DcVoltage || f == DcCurrent || f == Resistance2W || f == Resistance4W || f == DcRatio;
}

bool IsSignalRange(MeasureFunction f) {
  return f == Frequency || f == Period;
}

bool IsTemperature(MeasureFunction f) {
  return f == Temperature || f == Thermocouple;
}

template <typename T>
const T* At(const std::vector<T>& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return &list[static_cast<size_t>(index)];
}

}  // namespace

DeviceSettingsController::DeviceSettingsController(std::string_view identity, QueryFunction query,
                                                   Prompter& prompter)
    : variant_(VariantFromIdentity(identity)),
      hewlett_(UsesHewlettResolutions(identity)),
      query_(std::move(query)),
      prompter_(prompter) {}

bool DeviceSettingsController::Fail(std::string_view message) {
  // OK and Cancel end the apply alike: the user only acknowledges the failure.
  prompter_.Message(std::string(message), "", MessageIcon::Exclamation, MessageButtons::OkCancel);
  return false;
}

// The basic model keeps no ratio settings of its own: its DC ratio range and integration time
// are those of DC volts.
std::string DeviceSettingsController::SettingsMnemonic(MeasureFunction f) const {
  if (f == DcRatio && variant_ == MeterVariant::Basic) return std::string(Info(DcVoltage).mnemonic);
  return std::string(Info(f).mnemonic);
}

ApplyOutcome DeviceSettingsController::Apply(const ApplyRequest& request,
                                             unsigned char& autoRange) {
  const MeasureFunction f = request.function;
  const std::vector<RangeEntry> ranges = Ranges(f);
  const std::vector<SecondEntry> seconds = SecondEntries(f);
  const RangeEntry* range = At(ranges, request.rangeIndex);
  const SecondEntry* second = At(seconds, request.secondIndex);
  if (!Offers(variant_, f) || range == nullptr || (!seconds.empty() && second == nullptr))
    return ApplyOutcome::NotApplicable;

  query_(command::Configure(Info(f).mnemonic));
  const std::string answer = query_(command::kFunctionQuery);
  if (answer.empty()) return ApplyOutcome::NoAnswer;
  if (NormaliseFunctionAnswer(answer) != Info(f).funcAnswer) {
    Fail(kFunctionError);
    return ApplyOutcome::Refused;
  }
  autoRange = IsAuto(*range) ? 1 : 0;

  bool passed = true;
  switch (f) {
    case Continuity:
    case Diode:
      return ApplyOutcome::Done;
    case Temperature:
      passed = ApplyRtd(*range, request) && ApplyUnit(*second);
      break;
    case Thermocouple:
      passed = ApplyThermocouple(*range) && ApplyUnit(*second);
      break;
    case Frequency:
    case Period:
      ApplySignalRange(f, *range, *second);
      break;
    default:
      passed = ApplyRange(f, *range);
      break;
  }
  if (!passed) return ApplyOutcome::Refused;
  ApplyResolution(f, second);
  return ApplyOutcome::Done;
}

bool DeviceSettingsController::ApplyRange(MeasureFunction f, const RangeEntry& range) {
  const bool ownRatio = f == DcRatio && variant_ != MeterVariant::Basic;
  const std::string mnemonic = SettingsMnemonic(f);
  if (IsAuto(range)) {
    query_(ownRatio ? std::string(command::kRatioAutoRangeOn) : command::AutoRangeOn(mnemonic));
    const std::string answer = query_(ownRatio ? std::string(command::kRatioAutoRangeQuery)
                                               : command::AutoRangeQuery(mnemonic));
    return AutoRangeConfirmed(answer) || Fail(kAutoRangeError);
  }
  query_(ownRatio ? std::string(command::kRatioAutoRangeOff) : command::AutoRangeOff(mnemonic));
  query_(ownRatio ? command::RatioFixedRange(range.value)
                  : command::FixedRange(mnemonic, range.value));
  const std::string answer =
      query_(ownRatio ? std::string(command::kRatioRangeQuery) : command::RangeQuery(mnemonic));
  return FixedRangeConfirmed(answer, f, variant_, range) || Fail(kRangeError);
}

// Frequency and period take the range of the signal voltage and the gate time; the meter is
// not asked to confirm either.
void DeviceSettingsController::ApplySignalRange(MeasureFunction f, const RangeEntry& range,
                                                const SecondEntry& aperture) {
  const std::string mnemonic(Info(f).mnemonic);
  if (range.value != 0) {
    query_(command::SignalRange(mnemonic, range.value));
  } else {
    query_(command::SignalAutoRange(mnemonic));
  }
  query_(command::Aperture(aperture.value));
}

bool DeviceSettingsController::ApplyRtd(const RangeEntry& type, const ApplyRequest& request) {
  query_(command::RtdType(type.text));
  const std::string answer = query_(command::kRtdTypeQuery);
  if (!RtdTypeConfirmed(answer, type.text)) return Fail(kRtdTypeError);
  return ApplyCoefficients(CoefficientSetFor(Temperature, type.text), request);
}

// Every value is checked before any is sent, so a bad field never leaves the meter with a
// mix of old and new coefficients.
bool DeviceSettingsController::ApplyCoefficients(CoefficientSet set, const ApplyRequest& request) {
  const auto fields = CoefficientFields(set);
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::optional<double> value = request.coefficients[i];
    if (!value || !InBounds(fields[i], *value)) {
      const CaptionText& message = value ? fields[i].outOfBounds : kNotANumber;
      prompter_.Message(Text(message), "", MessageIcon::Exclamation, MessageButtons::Ok);
      return false;
    }
  }
  for (size_t i = 0; i < fields.size(); ++i)
    query_(command::Coefficient(fields[i].write, *request.coefficients[i]));
  return true;
}

bool DeviceSettingsController::ApplyThermocouple(const RangeEntry& type) {
  query_(command::ThermocoupleType(type.text));
  const std::string answer = query_(command::kThermocoupleTypeQuery);
  return ThermocoupleTypeConfirmed(answer, type.text, variant_) || Fail(kThermocoupleTypeError);
}

bool DeviceSettingsController::ApplyUnit(const SecondEntry& unit) {
  query_(command::Unit(unit.value));
  const std::string answer = query_(command::kUnitQuery);
  return UnitConfirmed(answer, unit.value) || Fail(kUnitError);
}

// The second setting, written last and not read back. The extended models repeat the
// aperture and unit written before.
void DeviceSettingsController::ApplyResolution(MeasureFunction f, const SecondEntry* second) {
  if (second == nullptr) return;
  if (HasResolution(f)) {
    if (f == DcRatio && variant_ != MeterVariant::Basic) {
      query_(command::RatioNplc(second->value));
    } else {
      query_(command::Nplc(SettingsMnemonic(f), second->value));
    }
  } else if (f == AcVoltage || f == AcCurrent) {
    query_(command::Bandwidth(second->value));
  } else if (variant_ != MeterVariant::Basic && IsSignalRange(f)) {
    query_(command::Aperture(second->value));
  } else if (variant_ != MeterVariant::Basic && IsTemperature(f)) {
    query_(command::Unit(second->value));
  }
}

ReadBackResult DeviceSettingsController::ReadBack() {
  ReadBackResult result;
  const std::string answer = query_(command::kFunctionQuery);
  if (answer.empty()) return result;
  const std::optional<MeasureFunction> f = FunctionFromAnswer(answer);
  if (!f || !Offers(variant_, *f)) return result;
  result.function = f;

  if (!SecondEntries(*f).empty() && Info(*f).secondLabelled) {
    result.secondIndex = ReadSecond(*f);
    if (!result.secondIndex) return result;
  }
  result.complete = ReadRange(*f, NormaliseFunctionAnswer(answer), result);
  return result;
}

std::optional<int> DeviceSettingsController::ReadSecond(MeasureFunction f) {
  const std::vector<SecondEntry> entries = SecondEntries(f);
  if (IsTemperature(f))
    return UnitEntryForAnswer(entries, WithoutQuotesAndLineFeeds(query_(command::kUnitQuery)));
  std::string answer;
  if (f == AcVoltage || f == AcCurrent) {
    answer = query_(command::kBandwidthQuery);
  } else if (IsSignalRange(f)) {
    answer = query_(command::kApertureQuery);
  } else if (f == DcRatio && variant_ != MeterVariant::Basic) {
    answer = query_(command::kRatioNplcQuery);
  } else {
    answer = query_(command::NplcQuery(SettingsMnemonic(f)));
  }
  const std::optional<double> reading = LeadingDecimal(WithoutQuotesAndLineFeeds(answer));
  if (!reading) return std::nullopt;
  return SecondEntryForReading(entries, *reading);
}

bool DeviceSettingsController::ReadRange(MeasureFunction f, const std::string& functionAnswer,
                                         ReadBackResult& result) {
  if (f == Continuity || f == Diode) {
    result.rangeIndex = 0;
    return true;
  }
  if (IsTemperature(f)) return ReadSensor(f, result);

  std::string answer;
  if (IsSignalRange(f)) {
    const std::string mnemonic(Info(f).mnemonic);
    if (WithoutQuotesAndLineFeeds(query_(command::SignalAutoRangeQuery(mnemonic))) == "1") {
      result.rangeIndex = 0;
      return true;
    }
    answer = query_(command::SignalRangeQuery(mnemonic));
  } else {
    const bool ownRatio = f == DcRatio && variant_ != MeterVariant::Basic;
    const std::string autoAnswer = query_(ownRatio ? std::string(command::kRatioAutoRangeQuery)
                                                   : command::ReadBackAutoQuery(functionAnswer));
    if (AutoRangeConfirmed(autoAnswer)) {
      result.rangeIndex = 0;
      return true;
    }
    answer = query_(ownRatio ? std::string(command::kRatioRangeQuery)
                             : command::ReadBackRangeQuery(functionAnswer));
  }
  const std::optional<double> reading = LeadingDecimal(WithoutQuotesAndLineFeeds(answer));
  if (reading) result.rangeIndex = RangeEntryForReading(f, variant_, *reading);
  return result.rangeIndex.has_value();
}

bool DeviceSettingsController::ReadSensor(MeasureFunction f, ReadBackResult& result) {
  const std::string answer = WithoutQuotesAndLineFeeds(
      query_(f == Temperature ? command::kRtdTypeQuery : command::kThermocoupleTypeQuery));
  const std::optional<int> index = SensorEntryForAnswer(f, variant_, answer);
  if (!index) return false;
  const RangeEntry type = Ranges(f)[static_cast<size_t>(*index)];
  result.coefficientSet = CoefficientSetFor(f, type.text);
  const auto fields = CoefficientFields(result.coefficientSet);
  for (size_t i = 0; i < fields.size(); ++i) {
    // The field shows the meter's number as the user would type it, or nothing at all.
    result.coefficients[i] = ParseCoefficientText(
        WithoutQuotesAndLineFeeds(query_(command::CoefficientQuery(fields[i].query))));
  }
  result.rangeIndex = index;
  return true;
}

}  // namespace vx::config
