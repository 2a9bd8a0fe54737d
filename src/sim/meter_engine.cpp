// The meter's core: power-on state, command lines, the command table, answers with their
// faults, and the error queue. The commands themselves are in commands_*.cpp.

#include "sim/meter_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/c_number.h"
#include "sim/scpi_pattern.h"

namespace vx::sim {
namespace {

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

}  // namespace

// The patterns of every subsystem, compiled once and only read afterwards.
class MeterEngine::CommandTable {
 public:
  CommandTable() {
    AddCommonCommands(specs_);
    AddSenseCommands(specs_);
    AddConfigureCommands(specs_);
    AddTriggerCommands(specs_);
    AddRouteCommands(specs_);
    AddSystemCommands(specs_);
    for (size_t i = 0; i < specs_.size(); ++i) {
      const std::string problem = table_.Add(specs_[i].pattern, static_cast<int>(i));
      if (!problem.empty()) {
        // A pattern of the firmware itself is wrong: no simulated meter could work.
        std::fprintf(stderr, "simulated meter: %s\n", problem.c_str());
        std::abort();
      }
    }
  }
  const CommandEntry* Find(const Header& header, int& suffix) const {
    const auto match = table_.Find(header);
    if (!match) return nullptr;
    suffix = match->suffix;
    return &specs_[static_cast<size_t>(match->id)];
  }

 private:
  CommandList specs_;
  ScpiCommandTable table_;
};

const MeterEngine::CommandTable& MeterEngine::Commands() {
  static const CommandTable table;
  return table;
}

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
  rtd_ = {0.00385, 0.10863, 1.4999, 100.0};
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

bool MeterEngine::ExecuteCommand(std::string_view command, TimePoint now, OutputQueue& out,
                                 ResponseMessage& response) {
  if (lost_) return false;
  Advance(now);
  out_ = &out;
  RunCommand(command, now, response);
  out_ = nullptr;
  if (lost_) {
    out.Clear();
    pending_.clear();
    response.Clear();
  }
  return !lost_;
}

void MeterEngine::EndLine(OutputQueue& out, ResponseMessage& response) {
  if (response.units > 0 && !lost_) {
    if (response.endOfMessage) response.bytes.push_back('\n');
    out.Push(response.bytes, response.readyAt, response.endOfMessage);
  }
  response.Clear();
}

void MeterEngine::InputOverrun() {
  AddError(-363);
}

void MeterEngine::RunCommand(std::string_view command, TimePoint now, ResponseMessage& response) {
  std::string_view header;
  std::string_view params;
  SplitHeader(command, header, params);
  if (header.empty()) return;  // nothing between two separators
  // With the output queue full, a query is not run: its answer would have nowhere to go.
  if (header.back() == '?' &&
      (response.full || out_->PendingBytes() + response.bytes.size() >= kMaxOutputBytes)) {
    response.full = true;
    AddError(-350);
    return;
  }

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
  if (answered_) AddUnit(answer_, affected_, now, *out_, response);
}

void MeterEngine::Dispatch(std::string_view headerText, std::string_view params, TimePoint now) {
  if (IsLegacyHello(headerText)) {
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
  int suffix = 0;
  const CommandEntry* entry = Commands().Find(h, suffix);
  if (!entry) {
    AddError(-113);
    return;
  }
  (this->*entry->handler)(Call{h, params, now, entry->arg, suffix});
}

bool MeterEngine::ApplyFault(std::string& text, bool affected, TimePoint& at, size_t& padded,
                             bool& endOfMessage) {
  endOfMessage = true;
  padded = text.size();
  if (!affected) return true;
  switch (fault_.kind) {
    case FaultKind::NoAnswer:
      return false;
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
      padded = text.size();
      break;
    }
    case FaultKind::Overlong:
      padded = std::max(text.size(), fault_.overlongBytes);
      break;
    case FaultKind::Unterminated:
      endOfMessage = false;
      break;
    case FaultKind::None:
    case FaultKind::ConnectionLost:
      break;
  }
  return true;
}

void MeterEngine::Emit(std::string& text, bool affected, TimePoint at, OutputQueue& out, int tag) {
  bool endOfMessage = true;
  size_t padded = 0;
  if (!ApplyFault(text, affected, at, padded, endOfMessage)) return;
  // The cap applies to the answer as it would be sent, padding and line end included, and is
  // checked before the padding is made.
  const size_t sent = padded + (endOfMessage ? 1 : 0);
  if (out.PendingBytes() + sent > kMaxOutputBytes) {
    AddError(-350);
    return;
  }
  text.append(padded - text.size(), '0');
  if (endOfMessage) text.push_back('\n');
  out.Push(text, at, endOfMessage, tag);
}

void MeterEngine::AddUnit(std::string& text, bool affected, TimePoint at, const OutputQueue& out,
                          ResponseMessage& response) {
  bool endOfMessage = true;
  size_t padded = 0;
  if (!ApplyFault(text, affected, at, padded, endOfMessage)) return;
  // Counted as it would be sent: the queue, the units so far, this one with its separator and
  // the message's line feed.
  const size_t separator = response.units > 0 ? 1 : 0;
  if (out.PendingBytes() + response.bytes.size() + separator + padded + 1 > kMaxOutputBytes) {
    response.full = true;
    AddError(-350);
    return;
  }
  if (separator) response.bytes.push_back(';');
  response.bytes += text;
  response.bytes.append(padded - text.size(), '0');
  ++response.units;
  response.readyAt = std::max(response.readyAt, at);
  if (!endOfMessage) response.endOfMessage = false;
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

bool MeterEngine::RangedParam(std::string_view params, double low, double high, Specials specials,
                              double& value) {
  std::string_view param;
  if (!OneParam(params, param)) return false;
  const Special special = specials == Specials::Taken ? SpecialOf(param) : Special::None;
  if (special == Special::Min || special == Special::Def) {
    value = low;
    return true;
  }
  if (special == Special::Max) {
    value = high;
    return true;
  }
  if (!ParseNumber(param, value)) {
    AddError(-104);
    return false;
  }
  if (value < low || value > high) {
    AddError(-222);
    return false;
  }
  return true;
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

MeterEngine::Special MeterEngine::SpecialOf(std::string_view param) {
  if (MatchesKeyword(param, "MINimum")) return Special::Min;
  if (MatchesKeyword(param, "MAXimum")) return Special::Max;
  if (MatchesKeyword(param, "DEFault")) return Special::Def;
  return Special::None;
}

// ---------------------------------------------------------------------------------------------
// Connections

void MeterEngine::DeviceClear(OutputQueue& out) {
  out.Clear();
  pending_.clear();
  opcFlagPending_ = false;
  waiting_ = false;
  triggerAt_.reset();
}

void MeterEngine::Disconnect(const OutputQueue& out) {
  std::erase_if(pending_, [&out](const Pending& p) { return p.out == &out; });
}

}  // namespace vx::sim
