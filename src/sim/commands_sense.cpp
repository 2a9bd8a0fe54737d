// The [SENSe:] subsystem: the function, and per function its range, autorange, integration
// time or gate time, the AC detector bandwidth, the temperature unit and sensors.
//
// The range commands of a basic meter's DC ratio reach the settings of DC volts (SettingsFor),
// so that both ways the system asks about a basic meter's ratio range work. Frequency and
// period have no range of their own: "FREQuency:VOLTage:RANGe" is the range of the signal
// voltage, which follows the AC volts list, per function.

#include <cmath>
#include <string>

#include "common/c_number.h"
#include "sim/function_paths.h"
#include "sim/meter_engine.h"

namespace vx::sim {
namespace {

bool HasRange(Function f) {
  return !Ranges(f, Variant::Full).empty() && f != Function::Freq && f != Function::Per;
}

bool HasSignalRange(Function f) {
  return f == Function::Freq || f == Function::Per;
}

struct Coefficient {
  std::string_view keyword;
  double low;
  double high;
};

// The user RTD's coefficients, in the order of MeterEngine::rtd_.
constexpr Coefficient kRtdCoefficients[] = {
    {"ALPHa", 0, 0.01}, {"BETA", 0, 1}, {"DELTa", 0, 5}, {"RZERo", 10, 1000}};
// The SPRTD's, in the order of MeterEngine::sprtd_.
constexpr Coefficient kSprtdCoefficients[] = {{"RZERo", 10, 1000}, {"A4", -1, 1}, {"B4", -1, 1},
                                              {"AX", -1, 1},       {"BX", -1, 1}, {"CX", -1, 1}};

}  // namespace

void MeterEngine::AddSenseCommands(CommandList& list) {
  list.push_back({"[SENSe:]FUNCtion#[?]", &MeterEngine::FunctionCommand});
  list.push_back({"[SENSe:]DETector:BANDwidth[?]", &MeterEngine::BandwidthCommand});
  list.push_back({"[SENSe:]UNIT[:TEMPerature][?]", &MeterEngine::UnitCommand});
  list.push_back({"[SENSe:]TEMPerature:UNIT[:TEMPerature][?]", &MeterEngine::UnitCommand});
  list.push_back({"[SENSe:]TEMPerature:RTD:TYPE[?]", &MeterEngine::RtdTypeCommand});
  for (size_t i = 0; i < std::size(kRtdCoefficients); ++i) {
    list.push_back({"[SENSe:]TEMPerature:RTD:" + std::string(kRtdCoefficients[i].keyword) + "[?]",
                    &MeterEngine::RtdCoefficientCommand, static_cast<int>(i)});
  }
  for (size_t i = 0; i < std::size(kSprtdCoefficients); ++i) {
    list.push_back(
        {"[SENSe:]TEMPerature:SPRTD:" + std::string(kSprtdCoefficients[i].keyword) + "[?]",
         &MeterEngine::SprtdCoefficientCommand, static_cast<int>(i)});
  }
  list.push_back({"[SENSe:][TEMPerature:]TCOuple:TYPE[?]", &MeterEngine::ThermocoupleTypeCommand});

  for (const FunctionPath& path : FunctionPaths()) {
    const std::string base = "[SENSe:]" + std::string(path.pattern);
    const int f = static_cast<int>(path.function);
    if (HasRange(path.function)) {
      list.push_back({base + ":RANGe[:UPPer][?]", &MeterEngine::RangeCommand, f});
      list.push_back({base + ":RANGe[:UPPer]:AUTO[?]", &MeterEngine::AutoRangeCommand, f});
    }
    if (HasSignalRange(path.function)) {
      list.push_back({base + ":VOLTage:RANGe[:UPPer][?]", &MeterEngine::RangeCommand, f});
      list.push_back({base + ":VOLTage:RANGe[:UPPer]:AUTO[?]", &MeterEngine::AutoRangeCommand, f});
      list.push_back({base + ":APERture[?]", &MeterEngine::ApertureCommand, f});
    }
    if (HasNplc(path.function)) {
      list.push_back({base + ":NPLCycles[?]", &MeterEngine::NplcCommand, f});
    }
  }
}

// A function the model lacks answers as an undefined header, as its commands do not exist.
bool MeterEngine::Offered(Function f) {
  if (VariantHasFunction(variant_, f)) return true;
  AddError(-113);
  return false;
}

void MeterEngine::FunctionCommand(const Call& c) {
  if (c.suffix > 2) {
    AddError(-113);
    return;
  }
  const bool second = c.suffix == 2;
  if (c.Query()) {
    if (!NoParams(c.params)) return;
    std::string& out = Answer();
    out.push_back('"');
    out += second ? std::string_view("NONE") : FunctionName(function_);
    out.push_back('"');
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  const std::string_view name = Unquote(param);
  if (second) {
    if (!EqualsNoCase(name, "NONE")) AddError(-224);  // this meter has no second display
    return;
  }
  Header path;
  std::optional<Function> f;
  if (ParseHeader(name, path) == HeaderResult::Ok) f = FunctionOfPath(path);
  if (!f || !VariantHasFunction(variant_, *f)) {
    AddError(-224);
    return;
  }
  function_ = *f;
  memoryValid_ = false;
}

void MeterEngine::BandwidthCommand(const Call& c) {
  StepCommand(c, BandwidthSteps(), bandwidth_, 20);
}

void MeterEngine::UnitCommand(const Call& c) {
  if (c.Query()) {
    if (NoParams(c.params)) Answer().assign(1, unit_);
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  if (MatchesKeyword(param, "C") || MatchesKeyword(param, "CEL")) {
    unit_ = 'C';
  } else if (MatchesKeyword(param, "F") || MatchesKeyword(param, "FAR")) {
    unit_ = 'F';
  } else if (MatchesKeyword(param, "K") || MatchesKeyword(param, "KEL")) {
    unit_ = 'K';
  } else {
    AddError(-224);
  }
}

void MeterEngine::RtdTypeCommand(const Call& c) {
  if (c.Query()) {
    if (NoParams(c.params)) Answer() = rtdType_;
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  const std::string_view name = Unquote(param);
  for (const std::string_view type : RtdTypes()) {
    if (EqualsNoCase(type, name)) {
      rtdType_ = type;
      return;
    }
  }
  AddError(-224);
}

void MeterEngine::RtdCoefficientCommand(const Call& c) {
  const Coefficient& k = kRtdCoefficients[static_cast<size_t>(c.arg)];
  CoefficientCommand(c, rtd_[static_cast<size_t>(c.arg)], k.low, k.high);
}

void MeterEngine::SprtdCoefficientCommand(const Call& c) {
  const Coefficient& k = kSprtdCoefficients[static_cast<size_t>(c.arg)];
  CoefficientCommand(c, sprtd_[static_cast<size_t>(c.arg)], k.low, k.high);
}

void MeterEngine::ThermocoupleTypeCommand(const Call& c) {
  if (!Offered(Function::Tco)) return;
  if (c.Query()) {
    if (NoParams(c.params)) Answer() = tcType_;
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  const std::string_view name = Unquote(param);
  for (const std::string_view type : ThermocoupleTypes(variant_)) {
    if (EqualsNoCase(type, name)) {
      tcType_ = type;
      return;
    }
  }
  AddError(-224);
}

void MeterEngine::CoefficientCommand(const Call& c, double& value, double low, double high) {
  if (c.Query()) {
    if (NoParams(c.params)) AppendExactNumber(Answer(), value);
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  double requested = 0;
  if (!ParseNumber(param, requested)) {
    AddError(-104);
    return;
  }
  if (requested < low || requested > high) {
    AddError(-222);
    return;
  }
  value = requested;
}

MeterEngine::FunctionSettings& MeterEngine::SettingsFor(Function f) {
  if (f == Function::VoltRatio && variant_ == Variant::Basic) f = Function::VoltDc;
  return settings_[static_cast<size_t>(f)];
}

double MeterEngine::SignalOf(Function f) const {
  // The signal range of frequency and period follows the AC voltage of the signal.
  if (f == Function::Freq || f == Function::Per) f = Function::VoltAc;
  return inputs_[static_cast<size_t>(f)];
}

int MeterEngine::EffectiveRange(Function f) {
  const FunctionSettings& s = SettingsFor(f);
  if (!s.autoRange) return s.range;
  const Function source =
      (f == Function::VoltRatio && variant_ == Variant::Basic) ? Function::VoltDc : f;
  return AutoRangeIndex(Ranges(f, variant_), SignalOf(source));
}

void MeterEngine::RangeCommand(const Call& c) {
  const Function f = c.F();
  if (!Offered(f)) return;
  const auto ranges = Ranges(f, variant_);
  if (ranges.empty()) {
    AddError(-113);
    return;
  }
  FunctionSettings& s = SettingsFor(f);
  if (c.Query()) {
    std::string_view param;
    if (c.params.empty()) {
      AnswerNumber(ranges[static_cast<size_t>(EffectiveRange(f))].reported);
    } else if (OneParam(c.params, param)) {
      const Special special = SpecialOf(param);
      if (special == Special::Min) {
        AnswerNumber(ranges.front().reported);
      } else if (special == Special::Max) {
        AnswerNumber(ranges.back().reported);
      } else {
        AddError(-224);
      }
    }
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  const Special special = SpecialOf(param);
  if (special == Special::Def) {
    s.autoRange = true;
  } else if (special == Special::Min || special == Special::Max) {
    s.range = special == Special::Min ? 0 : static_cast<int>(ranges.size()) - 1;
    s.autoRange = false;
  } else {
    double value = 0;
    if (!ParseNumber(param, value)) {
      AddError(-104);
      return;
    }
    const int index = RangeIndexFor(ranges, value);
    if (index < 0) {
      AddError(-222);
      return;
    }
    s.range = index;
    s.autoRange = false;
  }
  memoryValid_ = false;
}

void MeterEngine::AutoRangeCommand(const Call& c) {
  const Function f = c.F();
  if (!Offered(f)) return;
  if (Ranges(f, variant_).empty()) {
    AddError(-113);
    return;
  }
  FunctionSettings& s = SettingsFor(f);
  if (c.Query()) {
    if (NoParams(c.params)) Answer() = s.autoRange ? "1" : "0";
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  bool on = false;
  if (MatchesKeyword(param, "ONCE")) {
    s.range = EffectiveRange(f);  // range once, then hold
    s.autoRange = false;
    return;
  }
  if (!ParseBoolean(param, on)) {
    AddError(-104);
    return;
  }
  if (!on && s.autoRange) s.range = EffectiveRange(f);  // holds the present range
  s.autoRange = on;
}

void MeterEngine::NplcCommand(const Call& c) {
  if (Offered(c.F())) StepCommand(c, NplcSteps(variant_), SettingsFor(c.F()).nplc, 10);
}

// One gate time serves frequency and period.
void MeterEngine::ApertureCommand(const Call& c) {
  if (Offered(c.F())) StepCommand(c, ApertureSteps(), aperture_, 0.1);
}

void MeterEngine::StepCommand(const Call& c, std::span<const double> steps, double& value,
                              double defaultValue) {
  if (c.Query()) {
    std::string_view param;
    if (c.params.empty()) {
      AnswerNumber(value);
    } else if (OneParam(c.params, param)) {
      const Special special = SpecialOf(param);
      if (special == Special::Min) {
        AnswerNumber(steps.front());
      } else if (special == Special::Max) {
        AnswerNumber(steps.back());
      } else {
        AddError(-224);
      }
    }
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  switch (SpecialOf(param)) {
    case Special::Min:
      value = steps.front();
      return;
    case Special::Max:
      value = steps.back();
      return;
    case Special::Def:
      value = defaultValue;
      return;
    case Special::None:
      break;
  }
  double requested = 0;
  if (!ParseNumber(param, requested)) {
    AddError(-104);
    return;
  }
  const int index = requested > 0 ? SnapUp(steps, requested) : -1;
  if (index < 0) {
    AddError(-222);
    return;
  }
  value = steps[static_cast<size_t>(index)];
}

}  // namespace vx::sim
