#include "sim/meter_engine.h"

#include <algorithm>
#include <cmath>

#include "common/c_number.h"

namespace vx::sim {
namespace {

// Marks the answer "1" that a completed measurement gives the "*OPC?" queries that waited.
constexpr int kDeferredOpcTag = 1;

const char* ErrorText(int code) {
  switch (code) {
    case -100:
      return "Command error";
    case -101:
      return "Invalid character";
    case -102:
      return "Syntax error";
    case -104:
      return "Data type error";
    case -108:
      return "Parameter not allowed";
    case -109:
      return "Missing parameter";
    case -113:
      return "Undefined header";
    case -211:
      return "Trigger ignored";
    case -213:
      return "Init ignored";
    case -221:
      return "Settings conflict";
    case -222:
      return "Data out of range";
    case -223:
      return "Too much data";
    case -224:
      return "Illegal parameter value";
    case -241:
      return "Hardware missing";
    case -350:
      return "Queue overflow";
    case -363:
      return "Input buffer overrun";
    default:
      return "Unknown error";
  }
}

std::uint8_t EsrBitOf(int code) {
  if (code <= -100 && code > -200) return 0x20;  // command error
  if (code <= -200 && code > -300) return 0x10;  // execution error
  if (code <= -400 && code > -500) return 0x04;  // query error
  return 0x08;                                   // device-dependent error
}

std::string_view StripColon(std::string_view text) {
  if (!text.empty() && text.front() == ':') text.remove_prefix(1);
  return text;
}

// Where a parameter names one end of a setting's scale ("MIN", "MAX") or its default.
enum class Special { None, Min, Max, Def };
Special SpecialOf(std::string_view param) {
  if (MatchesKeyword(param, "MINimum")) return Special::Min;
  if (MatchesKeyword(param, "MAXimum")) return Special::Max;
  if (MatchesKeyword(param, "DEFault")) return Special::Def;
  return Special::None;
}

}  // namespace

MeterEngine::MeterEngine(const MeterConfig& config, TimePoint powerOn)
    : fault_(config.fault),
      identity_(config.identity),
      variant_(VariantFromIdentity(config.identity)),
      noise_(config.noise > 0 && std::isfinite(config.noise) ? config.noise : 0.0),
      externalTriggerAfter_(config.externalTriggerAfter),
      powerOn_(powerOn),
      noiseSource_(config.seed),
      card_(config.cardChannels, config.channelInputs, config.seed, noise_),
      garbageSource_(config.seed ^ 0x6A7BA6E5ULL) {
  for (int i = 0; i < kFunctionCount; ++i)
    inputs_[static_cast<size_t>(i)] = DefaultInput(static_cast<Function>(i));
  bool hasFreq = false, hasPer = false;
  for (const auto& [name, value] : config.inputs) {
    const auto f = FunctionFromName(name);
    if (!f) continue;
    inputs_[static_cast<size_t>(*f)] = value;
    hasFreq |= *f == Function::Freq;
    hasPer |= *f == Function::Per;
  }
  // Frequency and period of one signal belong together unless both are given.
  const auto freq = static_cast<size_t>(Function::Freq);
  const auto per = static_cast<size_t>(Function::Per);
  if (hasFreq && !hasPer && inputs_[freq] != 0) inputs_[per] = 1.0 / inputs_[freq];
  if (hasPer && !hasFreq && inputs_[per] != 0) inputs_[freq] = 1.0 / inputs_[per];

  answer_.reserve(256);
  memory_.reserve(16);
  ResetSettings();
  if (fault_.kind == FaultKind::ConnectionLost && fault_.onlyFor.empty() &&
      fault_.afterCommands == 0 && fault_.lostAfterCommands == 0) {
    lost_ = true;
  }
}

void MeterEngine::ResetSettings() {
  function_ = Function::VoltDc;
  for (int i = 0; i < kFunctionCount; ++i) {
    const auto f = static_cast<Function>(i);
    FunctionSettings& s = settings_[static_cast<size_t>(i)];
    const auto ranges = Ranges(f, variant_);
    s.range = ranges.empty() ? 0 : static_cast<int>(ranges.size()) - 1;
    s.autoRange = true;
    s.nplc = 10;
  }
  bandwidth_ = 20;
  aperture_ = 0.1;
  unit_ = 'C';
  rtdType_ = RtdTypes()[0];
  tcType_ = "K";
  rtdAlpha_ = 0.00385;
  rtdBeta_ = 0.10863;
  rtdDelta_ = 1.4999;
  rtdR0_ = 100.0;
  sprtd_ = {25.5, 0, 0, 0, 0, 0};
  triggerSource_ = TriggerSource::Immediate;
  sampleCount_ = 1;
  triggerCount_ = 1;
  triggerDelay_ = 0;
  waiting_ = false;
  triggersLeft_ = 0;
  triggerAt_.reset();
  opcFlagPending_ = false;
  pending_.clear();
  memory_.clear();
  memoryValid_ = false;
  scanMode_ = false;
  card_.Reset();
}

// ---------------------------------------------------------------------------------------------
// Lines, commands, answers

bool MeterEngine::ExecuteLine(std::string_view line, TimePoint now) {
  if (lost_) return false;
  Advance(now);
  std::string_view rest = line;
  std::string_view command;
  while (NextCommand(rest, command)) {
    ExecuteCommand(command, now);
    if (lost_) {
      output_.Clear();
      pending_.clear();
      return false;
    }
  }
  return true;
}

void MeterEngine::InputOverrun() {
  AddError(-363);
}

void MeterEngine::ExecuteCommand(std::string_view command, TimePoint now) {
  std::string_view header;
  std::string_view params;
  SplitHeader(command, header, params);
  if (header.empty()) return;  // nothing between two separators

  const std::string_view only = StripColon(fault_.onlyFor);
  const bool matches = only.empty() || StartsWithNoCase(StripColon(header), only);
  if (fault_.kind == FaultKind::ConnectionLost) {
    if (matches && std::uint64_t{commandCount_} >=
                       std::uint64_t{fault_.afterCommands} + fault_.lostAfterCommands) {
      lost_ = true;
      return;
    }
    affected_ = false;
  } else {
    affected_ = fault_.kind != FaultKind::None && matches && commandCount_ >= fault_.afterCommands;
  }
  ++commandCount_;
  answer_.clear();
  answered_ = false;
  Dispatch(header, params, now);
  if (answered_) Emit(answer_, affected_, now);
}

void MeterEngine::Emit(std::string& text, bool affected, TimePoint at, int tag) {
  if (output_.PendingBytes() + text.size() > kMaxOutputBytes) {
    AddError(-350);
    return;
  }
  bool endOfMessage = true;
  if (affected) {
    switch (fault_.kind) {
      case FaultKind::NoAnswer:
        return;
      case FaultKind::LateAnswer:
        at += fault_.lateBy;
        break;
      case FaultKind::Garbage: {
        const auto n = static_cast<size_t>(1 + garbageSource_.Next() % 40);
        text.clear();
        for (size_t i = 0; i < n; ++i) {
          auto byte = static_cast<unsigned char>(garbageSource_.Next() & 0xFF);
          if (byte == '\n') byte = 0x8A;
          text.push_back(static_cast<char>(byte));
        }
        // Always some of the worst: a NUL and a byte with the high bit set.
        const auto bits = garbageSource_.Next();
        const size_t nul = bits % n;
        text[nul] = '\0';
        if (n > 1) {
          const size_t high = (nul + 1 + (bits >> 16) % (n - 1)) % n;
          text[high] = static_cast<char>(0x80 | ((bits >> 32) & 0x7F));
        }
        break;
      }
      case FaultKind::Overlong:
        if (text.size() < fault_.overlongBytes)
          text.append(fault_.overlongBytes - text.size(), '0');
        break;
      case FaultKind::Unterminated:
        endOfMessage = false;
        break;
      case FaultKind::None:
      case FaultKind::ConnectionLost:
        break;
    }
  }
  if (endOfMessage) text.push_back('\n');
  output_.Push(text, at, endOfMessage, tag);
}

void MeterEngine::AddError(int code) {
  esr_ |= EsrBitOf(code);
  if (errorCount_ < kErrorQueueSize) {
    errors_[errorCount_++] = code;
  } else {
    errors_[kErrorQueueSize - 1] = -350;  // the newest entry reports the overflow
  }
}

void MeterEngine::AnswerNumber(double value) {
  char buffer[32];
  Answer().append(buffer, FormatReading(value, buffer));
}

void MeterEngine::AnswerInteger(long value) {
  char buffer[24];
  const int n = std::snprintf(buffer, sizeof buffer, "%ld", value);
  Answer().append(buffer, static_cast<size_t>(n));
}

bool MeterEngine::NoParams(std::string_view params) {
  if (params.empty()) return true;
  AddError(-108);
  return false;
}

bool MeterEngine::OneParam(std::string_view params, std::string_view& param) {
  std::string_view rest = params;
  if (!NextParameter(rest, param) || param.empty()) {
    AddError(-109);
    return false;
  }
  std::string_view extra;
  if (NextParameter(rest, extra)) {
    AddError(-108);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Dispatch

void MeterEngine::Dispatch(std::string_view headerText, std::string_view params, TimePoint now) {
  if (EqualsNoCase(headerText, "L0")) {  // the legacy front-end's hello: accepted, no effect
    NoParams(params);
    return;
  }
  Header h;
  switch (ParseHeader(headerText, h)) {
    case HeaderResult::Ok:
      break;
    case HeaderResult::Undefined:
      AddError(-113);
      return;
    case HeaderResult::Syntax:
      AddError(-102);
      return;
  }
  if (h.common) {
    Common(h, params, now);
    return;
  }
  if (h.At(0) == Kw::Sense) {
    if (h.count == 1) {
      AddError(-113);
      return;
    }
    SenseCommand(h, 1, params);
    return;
  }
  switch (h.At(0)) {
    case Kw::Read:
      if (!h.query || h.count != 1) break;
      if (NoParams(params)) ReadQuery(now);
      return;
    case Kw::Fetch:
      if (!h.query || h.count != 1) break;
      if (NoParams(params)) FetchQuery(now);
      return;
    case Kw::Initiate:
      if (h.query || h.count > 2 || (h.count == 2 && h.At(1) != Kw::Immediate)) break;
      if (NoParams(params)) Initiate(now);
      return;
    case Kw::Abort:
      if (h.query || h.count != 1) break;
      if (NoParams(params)) Abort(now);
      return;
    case Kw::Configure:
    case Kw::Measure:
      ConfigureCommand(h, 0, params, now);
      return;
    case Kw::System:
      if (h.query && h.count >= 2 && h.At(1) == Kw::Error &&
          (h.count == 2 || (h.count == 3 && h.At(2) == Kw::Next))) {
        if (!NoParams(params)) return;
        int code = 0;
        if (errorCount_ > 0) {
          code = errors_[0];
          std::copy(errors_.begin() + 1, errors_.begin() + static_cast<long>(errorCount_),
                    errors_.begin());
          --errorCount_;
        }
        char buffer[64];
        const int n = std::snprintf(buffer, sizeof buffer, "%+d,\"%s\"", code,
                                    code == 0 ? "No error" : ErrorText(code));
        Answer().append(buffer, static_cast<size_t>(n));
        return;
      }
      if (h.query && h.count == 2 && h.At(1) == Kw::Version) {
        if (NoParams(params)) Answer() = "1994.0";
        return;
      }
      break;
    case Kw::Sample:
      SampleCommand(h, 0, params);
      return;
    case Kw::Trigger:
      TriggerCommand(h, 0, params);
      return;
    case Kw::Route:
      RouteCommand(h, 0, params, now);
      return;
    default:
      SenseCommand(h, 0, params);
      return;
  }
  AddError(-113);
}

void MeterEngine::Common(const Header& h, std::string_view params, TimePoint now) {
  if (h.CommonIs("IDN") && h.query) {
    if (NoParams(params)) Answer() = identity_;
  } else if (h.CommonIs("RST") && !h.query) {
    if (NoParams(params)) ResetSettings();
  } else if (h.CommonIs("CLS") && !h.query) {
    if (NoParams(params)) {
      errorCount_ = 0;
      esr_ = 0;
    }
  } else if (h.CommonIs("ESR") && h.query) {
    if (!NoParams(params)) return;
    const std::uint8_t value = esr_;
    esr_ = 0;
    AnswerInteger(value);
  } else if (h.CommonIs("OPC")) {
    if (!NoParams(params)) return;
    if (h.query) {
      if (!waiting_) {
        // Queries that came while the measurement waited share one answer; one that comes
        // after the trigger but before that answer was read shares it too, so that a
        // controller polling "*OPC?" never finds a second "1" ahead of its next answer.
        if (!output_.HasTag(kDeferredOpcTag)) Answer() = "1";
      } else {
        // One answer however many times it is asked while the measurement waits.
        const bool already = std::any_of(pending_.begin(), pending_.end(), [](const Pending& p) {
          return p.kind == PendingKind::OperationComplete;
        });
        if (!already) pending_.push_back(Pending{PendingKind::OperationComplete, affected_});
      }
    } else if (waiting_) {
      opcFlagPending_ = true;
    } else {
      esr_ |= 0x01;
    }
  } else if (h.CommonIs("WAI") && !h.query) {
    NoParams(params);
  } else if (h.CommonIs("TRG") && !h.query) {
    if (!NoParams(params)) return;
    if (waiting_ && triggerSource_ == TriggerSource::Bus) {
      FireTrigger(now);
    } else {
      AddError(-211);
    }
  } else if (h.CommonIs("TST") && h.query) {
    if (NoParams(params)) Answer() = "0";
  } else if ((h.CommonIs("ESE") || h.CommonIs("SRE"))) {
    std::uint8_t& reg = h.CommonIs("ESE") ? ese_ : sre_;
    if (h.query) {
      if (NoParams(params)) AnswerInteger(reg);
      return;
    }
    std::string_view param;
    double value = 0;
    if (!OneParam(params, param)) return;
    if (!ParseNumber(param, value)) {
      AddError(-104);
    } else if (value < 0 || value > 255) {
      AddError(-222);
    } else {
      reg = static_cast<std::uint8_t>(std::lround(value));
    }
  } else if (h.CommonIs("STB") && h.query) {
    if (!NoParams(params)) return;
    int stb = 0;
    if (errorCount_ > 0) stb |= 0x04;
    if (!output_.Empty()) stb |= 0x10;
    if ((esr_ & ese_) != 0) stb |= 0x20;
    if ((stb & sre_) != 0) stb |= 0x40;
    AnswerInteger(stb);
  } else {
    AddError(-113);
  }
}

// ---------------------------------------------------------------------------------------------
// Measurement settings ([SENSe:] subsystem)

bool MeterEngine::ParseFunctionPath(const Header& h, int i, Function& f, int& next) const {
  int j = i + 1;
  switch (h.At(i)) {
    case Kw::Voltage:
      if (h.At(j) == Kw::Dc) {
        ++j;
        if (h.At(j) == Kw::Ratio) {
          ++j;
          f = Function::VoltRatio;
        } else {
          f = Function::VoltDc;
        }
      } else if (h.At(j) == Kw::Ac) {
        ++j;
        f = Function::VoltAc;
      } else if (h.At(j) == Kw::Ratio) {
        ++j;
        f = Function::VoltRatio;
      } else {
        f = Function::VoltDc;
      }
      break;
    case Kw::Current:
      if (h.At(j) == Kw::Ac) {
        ++j;
        f = Function::CurrAc;
      } else {
        if (h.At(j) == Kw::Dc) ++j;
        f = Function::CurrDc;
      }
      break;
    case Kw::Resistance:
      f = Function::Res;
      break;
    case Kw::FResistance:
      f = Function::FRes;
      break;
    case Kw::Frequency:
      f = Function::Freq;
      break;
    case Kw::Period:
      f = Function::Per;
      break;
    case Kw::Continuity:
      f = Function::Cont;
      break;
    case Kw::Diode:
      f = Function::Diod;
      break;
    case Kw::Temperature:
      f = Function::Temp;
      break;
    case Kw::TCouple:
      f = Function::Tco;
      break;
    case Kw::Capacitance:
      f = Function::Cap;
      break;
    default:
      return false;
  }
  next = j;
  return true;
}

void MeterEngine::SenseCommand(const Header& h, int i, std::string_view params) {
  const Kw node = h.At(i);
  if (node == Kw::Function && h.count == i + 1) {
    const bool second = h.suffix[static_cast<size_t>(i)] == 2;
    if (h.suffix[static_cast<size_t>(i)] > 2) {
      AddError(-113);
      return;
    }
    if (h.query) {
      if (!NoParams(params)) return;
      std::string& out = Answer();
      out.push_back('"');
      out += second ? std::string_view("NONE") : FunctionName(function_);
      out.push_back('"');
      return;
    }
    std::string_view param;
    if (!OneParam(params, param)) return;
    const std::string_view name = Unquote(param);
    if (second) {
      if (!EqualsNoCase(name, "NONE")) AddError(-224);  // this meter has no second display
      return;
    }
    Header path;
    Function f{};
    int next = 0;
    if (ParseHeader(name, path) != HeaderResult::Ok || path.common || path.query ||
        !ParseFunctionPath(path, 0, f, next) || next != path.count ||
        !VariantHasFunction(variant_, f)) {
      AddError(-224);
      return;
    }
    function_ = f;
    memoryValid_ = false;
    return;
  }
  if (node == Kw::Detector) {
    if (h.At(i + 1) == Kw::Bandwidth && h.count == i + 2) {
      StepCommand(h, BandwidthSteps(), bandwidth_, 20, params);
    } else {
      AddError(-113);
    }
    return;
  }
  if (node == Kw::Unit) {
    TemperatureCommand(h, i, params);
    return;
  }
  Function f{};
  int next = 0;
  if (!ParseFunctionPath(h, i, f, next) || !VariantHasFunction(variant_, f)) {
    AddError(-113);
    return;
  }
  FunctionSetting(h, next, f, params);
}

void MeterEngine::FunctionSetting(const Header& h, int j, Function f, std::string_view params) {
  // The basic model keeps no separate ratio settings: its ratio nodes reach those of DC volts
  // (SettingsFor), so that both ways the system asks about a basic meter's ratio range work.
  const bool signalRange = f == Function::Freq || f == Function::Per;
  Kw node = h.At(j);
  if (signalRange && node == Kw::Voltage) {
    ++j;  // FREQ:VOLT:RANGe sets the range of the signal voltage
    node = h.At(j);
  } else if (signalRange && node == Kw::Range) {
    node = Kw::None;  // a frequency has no range of its own
  }
  if (node == Kw::Range && !Ranges(f, variant_).empty()) {
    int k = j + 1;
    if (h.At(k) == Kw::Upper) ++k;
    if (h.count == k) {
      RangeCommand(h, f, params);
      return;
    }
    if (h.At(k) == Kw::Auto && h.count == k + 1) {
      AutoRangeCommand(h, f, params);
      return;
    }
  } else if (node == Kw::NPLCycles && HasNplc(f) && h.count == j + 1) {
    NplcCommand(h, f, params);
    return;
  } else if (node == Kw::Aperture && signalRange && h.count == j + 1) {
    StepCommand(h, ApertureSteps(), aperture_, 0.1, params);
    return;
  } else if (f == Function::Temp && node != Kw::None) {
    TemperatureCommand(h, j, params);
    return;
  } else if (f == Function::Tco && node == Kw::Type && h.count == j + 1) {
    TemperatureCommand(h, j - 1, params);
    return;
  }
  AddError(-113);
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

void MeterEngine::RangeCommand(const Header& h, Function f, std::string_view params) {
  const auto ranges = Ranges(f, variant_);
  FunctionSettings& s = SettingsFor(f);
  if (h.query) {
    std::string_view param;
    if (params.empty()) {
      AnswerNumber(ranges[static_cast<size_t>(EffectiveRange(f))].reported);
    } else if (OneParam(params, param)) {
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
  if (!OneParam(params, param)) return;
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

void MeterEngine::AutoRangeCommand(const Header& h, Function f, std::string_view params) {
  FunctionSettings& s = SettingsFor(f);
  if (h.query) {
    if (NoParams(params)) Answer() = s.autoRange ? "1" : "0";
    return;
  }
  std::string_view param;
  if (!OneParam(params, param)) return;
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

void MeterEngine::NplcCommand(const Header& h, Function f, std::string_view params) {
  StepCommand(h, NplcSteps(variant_), SettingsFor(f).nplc, 10, params);
}

void MeterEngine::StepCommand(const Header& h, std::span<const double> steps, double& value,
                              double defaultValue, std::string_view params) {
  if (h.query) {
    std::string_view param;
    if (params.empty()) {
      AnswerNumber(value);
    } else if (OneParam(params, param)) {
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
  if (!OneParam(params, param)) return;
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

// Temperature: [SENSe:]UNIT, TEMPerature:RTD:..., TEMPerature:SPRTD:..., TCOuple:TYPE.
// `j` is the node before the subcommand for RTD/SPRTD/TYPE, or the UNIT node itself.
void MeterEngine::TemperatureCommand(const Header& h, int j, std::string_view params) {
  const Kw node = h.At(j);
  if (node == Kw::Unit) {
    if (!(h.count == j + 1 || (h.count == j + 2 && h.At(j + 1) == Kw::Temperature))) {
      AddError(-113);
      return;
    }
    if (h.query) {
      if (NoParams(params)) Answer().assign(1, unit_);
      return;
    }
    std::string_view param;
    if (!OneParam(params, param)) return;
    if (MatchesKeyword(param, "C") || MatchesKeyword(param, "CEL")) {
      unit_ = 'C';
    } else if (MatchesKeyword(param, "F") || MatchesKeyword(param, "FAR")) {
      unit_ = 'F';
    } else if (MatchesKeyword(param, "K") || MatchesKeyword(param, "KEL")) {
      unit_ = 'K';
    } else {
      AddError(-224);
    }
    return;
  }
  // Type of a thermocouple: TCOuple:TYPE or TEMPerature:TCOuple:TYPE.
  const Kw sub = h.At(j + 1);
  const bool last = h.count == j + 2;
  if (node == Kw::TCouple && sub == Kw::Type && last) {
    if (!VariantHasFunction(variant_, Function::Tco)) {
      AddError(-113);
      return;
    }
    const auto types = ThermocoupleTypes(variant_);
    if (h.query) {
      if (NoParams(params)) Answer() = tcType_;
      return;
    }
    std::string_view param;
    if (!OneParam(params, param)) return;
    const std::string_view name = Unquote(param);
    for (const std::string_view type : types) {
      if (EqualsNoCase(type, name)) {
        tcType_ = type;
        return;
      }
    }
    AddError(-224);
    return;
  }
  if (node == Kw::Rtd && last) {
    switch (sub) {
      case Kw::Type: {
        if (h.query) {
          if (NoParams(params)) Answer() = rtdType_;
          return;
        }
        std::string_view param;
        if (!OneParam(params, param)) return;
        const std::string_view name = Unquote(param);
        for (const std::string_view type : RtdTypes()) {
          if (EqualsNoCase(type, name)) {
            rtdType_ = type;
            return;
          }
        }
        AddError(-224);
        return;
      }
      case Kw::Alpha:
        CoefficientCommand(h, rtdAlpha_, 0, 0.01, params);
        return;
      case Kw::Beta:
        CoefficientCommand(h, rtdBeta_, 0, 1, params);
        return;
      case Kw::Delta:
        CoefficientCommand(h, rtdDelta_, 0, 5, params);
        return;
      case Kw::RZero:
        CoefficientCommand(h, rtdR0_, 10, 1000, params);
        return;
      default:
        break;
    }
  }
  if (node == Kw::Sprtd && last) {
    switch (sub) {
      case Kw::RZero:
        CoefficientCommand(h, sprtd_[0], 10, 1000, params);
        return;
      case Kw::A4:
        CoefficientCommand(h, sprtd_[1], -1, 1, params);
        return;
      case Kw::B4:
        CoefficientCommand(h, sprtd_[2], -1, 1, params);
        return;
      case Kw::Ax:
        CoefficientCommand(h, sprtd_[3], -1, 1, params);
        return;
      case Kw::Bx:
        CoefficientCommand(h, sprtd_[4], -1, 1, params);
        return;
      case Kw::Cx:
        CoefficientCommand(h, sprtd_[5], -1, 1, params);
        return;
      default:
        break;
    }
  }
  AddError(-113);
}

void MeterEngine::CoefficientCommand(const Header& h, double& value, double low, double high,
                                     std::string_view params) {
  if (h.query) {
    if (NoParams(params)) AppendExactNumber(Answer(), value);
    return;
  }
  std::string_view param;
  if (!OneParam(params, param)) return;
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

// ---------------------------------------------------------------------------------------------
// CONFigure, MEASure

void MeterEngine::ConfigureCommand(const Header& h, int i, std::string_view params, TimePoint now) {
  const bool measure = h.At(i) == Kw::Measure;
  Function f{};
  int next = 0;
  if (h.query != measure || !ParseFunctionPath(h, i + 1, f, next) || next != h.count ||
      !VariantHasFunction(variant_, f)) {
    AddError(-113);
    return;
  }
  // Optional range and resolution; the resolution is accepted and not used.
  std::string_view rest = params;
  std::string_view rangeParam;
  std::string_view resolutionParam;
  const bool hasRange = NextParameter(rest, rangeParam) && !rangeParam.empty();
  const bool hasResolution = NextParameter(rest, resolutionParam);
  std::string_view extra;
  const auto ranges = Ranges(f, variant_);
  const bool rangeless = ranges.empty() || f == Function::Freq || f == Function::Per;
  if (NextParameter(rest, extra) || (rangeless && hasRange)) {
    AddError(-108);
    return;
  }
  bool autoRange = true;
  int range = 0;
  if (hasRange) {
    const Special special = SpecialOf(rangeParam);
    if (special == Special::Min || special == Special::Max) {
      autoRange = false;
      range = special == Special::Min ? 0 : static_cast<int>(ranges.size()) - 1;
    } else if (special == Special::None && !MatchesKeyword(rangeParam, "AUTO")) {
      double value = 0;
      if (!ParseNumber(rangeParam, value)) {
        AddError(-104);
        return;
      }
      range = RangeIndexFor(ranges, value);
      if (range < 0) {
        AddError(-222);
        return;
      }
      autoRange = false;
    }
  }
  if (hasResolution) {
    double resolution = 0;
    if (SpecialOf(resolutionParam) == Special::None && !ParseNumber(resolutionParam, resolution)) {
      AddError(-104);
      return;
    }
  }
  function_ = f;
  FunctionSettings& s = SettingsFor(f);
  s.autoRange = autoRange;
  if (!autoRange) s.range = range;
  memoryValid_ = false;
  if (measure) ReadQuery(now);
}

// ---------------------------------------------------------------------------------------------
// Readings and the trigger system

double MeterEngine::Measure(Function f, TimePoint at) {
  double input = inputs_[static_cast<size_t>(f)];
  if (f == Function::VoltAc || f == Function::CurrAc || f == Function::Freq || f == Function::Per) {
    input = std::fabs(input);
  }
  const double seconds = std::chrono::duration<double>(at - powerOn_).count();
  const double gaussian = noise_ > 0 ? noiseSource_.Gaussian() : 0.0;
  double value = SignalAt(input, noise_, seconds, static_cast<int>(f), gaussian);
  switch (f) {
    case Function::Cont:
    case Function::Diod:
      // Open above 1.2 kohm in continuity, above 1.2 V in the diode test.
      return value > FixedSpan(f) * 1.2 ? kOverloadValue : value;
    case Function::Temp:
    case Function::Tco:
      if (unit_ == 'F') value = value * 9.0 / 5.0 + 32.0;
      if (unit_ == 'K') value += 273.15;
      return value;
    case Function::Freq:
    case Function::Per:
    case Function::VoltRatio:
      return value;
    default:
      break;
  }
  const auto ranges = Ranges(f, variant_);
  const FunctionSettings& s = SettingsFor(f);
  const double span =
      s.autoRange ? ranges.back().fullScale : ranges[static_cast<size_t>(s.range)].fullScale;
  return std::fabs(value) > span * 1.2 ? kOverloadValue : value;
}

void MeterEngine::TakeReadings(TimePoint at, bool append) {
  if (!append) memory_.clear();
  for (int i = 0; i < sampleCount_; ++i) memory_.push_back(Measure(function_, at));
}

void MeterEngine::AppendMemory(std::string& out) const {
  for (size_t i = 0; i < memory_.size(); ++i) {
    if (i > 0) out.push_back(',');
    AppendReading(out, memory_[i]);
  }
}

void MeterEngine::ReadQuery(TimePoint now) {
  if (waiting_) {
    AddError(-213);
    return;
  }
  if (scanMode_) {
    card_.Abort(now);
    scanMode_ = false;
  }
  if (static_cast<long>(sampleCount_) * triggerCount_ > kMaxReadings) {
    AddError(-223);
    return;
  }
  if (triggerSource_ == TriggerSource::Immediate) {
    memory_.clear();
    for (int t = 0; t < triggerCount_; ++t) TakeReadings(now, true);
    memoryValid_ = true;
    AppendMemory(Answer());
    return;
  }
  Initiate(now);
  if (waiting_) pending_.push_back(Pending{PendingKind::Readings, affected_});
}

void MeterEngine::FetchQuery(TimePoint now) {
  if (scanMode_) {
    card_.AppendReadings(Answer(), now);
    return;
  }
  if (waiting_) {
    pending_.push_back(Pending{PendingKind::Readings, affected_});
    return;
  }
  if (!memoryValid_) {
    memory_.clear();
    TakeReadings(now, false);
    memoryValid_ = true;
  }
  AppendMemory(Answer());
}

void MeterEngine::Initiate(TimePoint now) {
  if (waiting_) {
    AddError(-213);
    return;
  }
  if (static_cast<long>(sampleCount_) * triggerCount_ > kMaxReadings) {
    AddError(-223);
    return;
  }
  if (scanMode_) {
    card_.Abort(now);
    scanMode_ = false;
  }
  memory_.clear();
  memoryValid_ = false;
  if (triggerSource_ == TriggerSource::Immediate) {
    for (int t = 0; t < triggerCount_; ++t) TakeReadings(now, true);
    memoryValid_ = true;
    return;
  }
  waiting_ = true;
  triggersLeft_ = triggerCount_;
  triggerAt_.reset();
  if (triggerSource_ == TriggerSource::External && externalTriggerAfter_.count() >= 0) {
    triggerAt_ = now + externalTriggerAfter_;
  }
}

void MeterEngine::Abort(TimePoint now) {
  waiting_ = false;
  triggerAt_.reset();
  pending_.clear();
  opcFlagPending_ = false;
  card_.Abort(now);
}

void MeterEngine::FireTrigger(TimePoint at) {
  if (!waiting_) return;
  TakeReadings(at, true);
  if (--triggersLeft_ > 0) {
    if (triggerAt_) triggerAt_ = at + externalTriggerAfter_;
    return;
  }
  waiting_ = false;
  triggerAt_.reset();
  memoryValid_ = true;
  CompletePending(at);
}

void MeterEngine::CompletePending(TimePoint at) {
  if (opcFlagPending_) {
    esr_ |= 0x01;
    opcFlagPending_ = false;
  }
  std::vector<Pending> pending;
  pending.swap(pending_);
  for (const Pending& p : pending) {
    answer_.clear();
    int tag = 0;
    if (p.kind == PendingKind::OperationComplete) {
      answer_ = "1";
      tag = kDeferredOpcTag;
    } else {
      AppendMemory(answer_);
    }
    Emit(answer_, p.affected, at, tag);
  }
  answer_.clear();
  pending.clear();
  pending_.swap(pending);  // keeps the capacity
}

void MeterEngine::Advance(TimePoint now) {
  while (waiting_ && triggerAt_ && *triggerAt_ <= now) FireTrigger(*triggerAt_);
}

std::optional<MeterEngine::TimePoint> MeterEngine::NextEvent() const {
  if (waiting_ && triggerAt_) return triggerAt_;
  return std::nullopt;
}

void MeterEngine::ExternalTrigger(TimePoint now) {
  if (lost_) return;
  Advance(now);
  // The trigger input only counts while a measurement waits for it.
  if (waiting_ && triggerSource_ == TriggerSource::External) FireTrigger(now);
}

void MeterEngine::DeviceClear() {
  output_.Clear();
  pending_.clear();
  opcFlagPending_ = false;
  waiting_ = false;
  triggerAt_.reset();
}

void MeterEngine::SampleCommand(const Header& h, int i, std::string_view params) {
  if (h.count != i + 2 || h.At(i + 1) != Kw::Count) {
    AddError(-113);
    return;
  }
  if (h.query) {
    if (NoParams(params)) AnswerInteger(sampleCount_);
    return;
  }
  std::string_view param;
  if (!OneParam(params, param)) return;
  double value = 0;
  const Special special = SpecialOf(param);
  if (special == Special::Min || special == Special::Def) {
    value = 1;
  } else if (special == Special::Max) {
    value = kMaxReadings;
  } else if (!ParseNumber(param, value)) {
    AddError(-104);
    return;
  }
  if (value < 1 || value > kMaxReadings) {
    AddError(-222);
    return;
  }
  sampleCount_ = static_cast<int>(std::lround(value));
  memoryValid_ = false;
}

void MeterEngine::TriggerCommand(const Header& h, int i, std::string_view params) {
  const Kw node = h.At(i + 1);
  if (h.count != i + 2) {
    AddError(-113);
    return;
  }
  std::string_view param;
  if (node == Kw::Source) {
    if (h.query) {
      if (NoParams(params)) {
        Answer() = triggerSource_ == TriggerSource::Immediate  ? "IMM"
                   : triggerSource_ == TriggerSource::External ? "EXT"
                                                               : "BUS";
      }
      return;
    }
    if (!OneParam(params, param)) return;
    if (MatchesKeyword(param, "IMMediate")) {
      triggerSource_ = TriggerSource::Immediate;
    } else if (MatchesKeyword(param, "EXTernal")) {
      triggerSource_ = TriggerSource::External;
    } else if (MatchesKeyword(param, "BUS")) {
      triggerSource_ = TriggerSource::Bus;
    } else {
      AddError(-224);
    }
    return;
  }
  if (node == Kw::Count || node == Kw::Delay) {
    if (h.query) {
      if (!NoParams(params)) return;
      if (node == Kw::Count) {
        AnswerInteger(triggerCount_);
      } else {
        AnswerNumber(triggerDelay_);
      }
      return;
    }
    if (!OneParam(params, param)) return;
    double value = 0;
    const Special special = SpecialOf(param);
    if (special == Special::Min || special == Special::Def) {
      value = node == Kw::Count ? 1 : 0;
    } else if (special == Special::Max) {
      value = node == Kw::Count ? kMaxReadings : 3600;
    } else if (!ParseNumber(param, value)) {
      AddError(-104);
      return;
    }
    if (node == Kw::Count) {
      if (value < 1 || value > kMaxReadings) {
        AddError(-222);
        return;
      }
      triggerCount_ = static_cast<int>(std::lround(value));
    } else {
      if (value < 0 || value > 3600) {
        AddError(-222);
        return;
      }
      triggerDelay_ = value;
    }
    return;
  }
  AddError(-113);
}

// ---------------------------------------------------------------------------------------------
// The scanner card (ROUTe subsystem)

void MeterEngine::RouteCommand(const Header& h, int i, std::string_view params, TimePoint now) {
  const Kw node = h.At(i + 1);
  if (node == Kw::State && h.count == i + 2 && h.query) {
    if (!NoParams(params)) return;
    Answer() = card_.Channels() == 10 ? "1" : card_.Channels() == 20 ? "2" : "0";
    return;
  }
  if (node != Kw::Scan) {
    AddError(-113);
    return;
  }
  const Kw sub = h.At(i + 2);
  const bool known =
      (h.count == i + 2 && !h.query) ||
      (h.count == i + 3 &&
       ((sub == Kw::Start && !h.query) || (sub == Kw::Step && !h.query) || sub == Kw::Function ||
        sub == Kw::Count || sub == Kw::Timer || (sub == Kw::State && h.query)));
  if (!known) {
    AddError(-113);
    return;
  }
  if (!card_.Present()) {
    AddError(-241);
    return;
  }
  if (h.count == i + 2 || sub == Kw::Start || sub == Kw::Step) {
    if (!NoParams(params)) return;
    const double seconds = std::chrono::duration<double>(now - powerOn_).count();
    if (!card_.Start(now, sub == Kw::Step, seconds)) {
      AddError(-221);  // no channel to scan
      return;
    }
    scanMode_ = true;
    memoryValid_ = false;
    return;
  }
  if (sub == Kw::State) {
    if (NoParams(params)) AnswerInteger(card_.Reported(now));
    return;
  }
  if (sub == Kw::Function) {
    std::string_view rest = params;
    std::string_view channelText;
    if (!NextParameter(rest, channelText) || channelText.empty()) {
      AddError(-109);
      return;
    }
    double channel = 0;
    if (!ParseNumber(channelText, channel) || channel != std::floor(channel)) {
      AddError(-104);
      return;
    }
    const int k = static_cast<int>(channel);
    std::string_view functionText;
    const bool hasFunction = NextParameter(rest, functionText);
    std::string_view extra;
    if (NextParameter(rest, extra) || (h.query && hasFunction)) {
      AddError(-108);
      return;
    }
    if (k < 1 || k > card_.Channels()) {
      AddError(-222);
      return;
    }
    if (h.query) {
      std::string& out = Answer();
      out.push_back('"');
      out += ChannelFunctionName(card_.FunctionOf(k));
      out.push_back('"');
      return;
    }
    if (!hasFunction || functionText.empty()) {
      AddError(-109);
      return;
    }
    const auto f = ChannelFunctionFromName(Unquote(functionText));
    if (!f) {
      AddError(-224);
      return;
    }
    if (card_.SetFunction(k, *f) != ScannerCard::SetResult::Ok) AddError(-221);
    return;
  }
  // COUNt and TIMer.
  if (h.query) {
    if (!NoParams(params)) return;
    if (sub == Kw::Count) {
      AnswerInteger(card_.Count());
    } else {
      AnswerNumber(card_.Timer());
    }
    return;
  }
  std::string_view param;
  if (!OneParam(params, param)) return;
  double value = 0;
  if (!ParseNumber(param, value)) {
    AddError(-104);
    return;
  }
  if (sub == Kw::Count) {
    if (value < 0 || value > ScannerCard::kMaxCount || value != std::floor(value)) {
      AddError(-222);
      return;
    }
    card_.SetCount(static_cast<int>(value));
  } else {
    if (value < 0 || value > 3600) {
      AddError(-222);
      return;
    }
    card_.SetTimer(value);
  }
}

}  // namespace vx::sim
