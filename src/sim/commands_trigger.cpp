// The trigger system and the reading memory: TRIGger:SOURce, COUNt and DELay, SAMPle:COUNt,
// INITiate, ABORt, READ? and FETCh?. A measurement initiated with the bus or external source
// waits for its triggers; the readings and "*OPC?" answers asked for meanwhile are owed to
// the connections that asked and sent to them when the last trigger completes it.

#include <algorithm>
#include <cmath>

#include "sim/meter_engine.h"

namespace vx::sim {

void MeterEngine::AddTriggerCommands(CommandList& list) {
  list.insert(list.end(), {
                              {"READ?", &MeterEngine::ReadCommand},
                              {"FETCh?", &MeterEngine::FetchCommand},
                              {"INITiate[:IMMediate]", &MeterEngine::InitiateCommand},
                              {"ABORt", &MeterEngine::AbortCommand},
                              {"TRIGger:SOURce[?]", &MeterEngine::TriggerSourceCommand},
                              {"TRIGger:COUNt[?]", &MeterEngine::TriggerCountCommand},
                              {"TRIGger:DELay[?]", &MeterEngine::TriggerDelayCommand},
                              {"SAMPle:COUNt[?]", &MeterEngine::SampleCountCommand},
                          });
}

void MeterEngine::ReadCommand(const Call& c) {
  if (NoParams(c.params)) ReadQuery(c.now);
}

void MeterEngine::FetchCommand(const Call& c) {
  if (!NoParams(c.params)) return;
  if (scanMode_) {
    card_.AppendReadings(Answer(), c.now);
    return;
  }
  if (waiting_) {
    pending_.push_back(Pending{PendingKind::Readings, affected_, out_});
    return;
  }
  if (!memoryValid_) {
    memory_.clear();
    TakeReadings(c.now, false);
    memoryValid_ = true;
  }
  AppendMemory(Answer());
}

void MeterEngine::InitiateCommand(const Call& c) {
  if (NoParams(c.params)) Initiate(c.now);
}

void MeterEngine::AbortCommand(const Call& c) {
  if (!NoParams(c.params)) return;
  waiting_ = false;
  triggerAt_.reset();
  pending_.clear();
  opcFlagPending_ = false;
  card_.Abort(c.now);
}

void MeterEngine::TriggerSourceCommand(const Call& c) {
  if (c.Query()) {
    if (NoParams(c.params)) {
      Answer() = triggerSource_ == TriggerSource::Immediate  ? "IMM"
                 : triggerSource_ == TriggerSource::External ? "EXT"
                                                             : "BUS";
    }
    return;
  }
  std::string_view param;
  if (!OneParam(c.params, param)) return;
  if (MatchesKeyword(param, "IMMediate")) {
    triggerSource_ = TriggerSource::Immediate;
  } else if (MatchesKeyword(param, "EXTernal")) {
    triggerSource_ = TriggerSource::External;
  } else if (MatchesKeyword(param, "BUS")) {
    triggerSource_ = TriggerSource::Bus;
  } else {
    AddError(-224);
  }
}

void MeterEngine::TriggerCountCommand(const Call& c) {
  if (c.Query()) {
    if (NoParams(c.params)) AnswerInteger(triggerCount_);
    return;
  }
  double value = 0;
  if (!RangedParam(c.params, 1, kMaxReadings, Specials::Taken, value)) return;
  triggerCount_ = static_cast<int>(std::lround(value));
}

void MeterEngine::TriggerDelayCommand(const Call& c) {
  if (c.Query()) {
    if (NoParams(c.params)) AnswerNumber(triggerDelay_);
    return;
  }
  double value = 0;
  if (!RangedParam(c.params, 0, 3600, Specials::Taken, value)) return;
  triggerDelay_ = value;
}

void MeterEngine::SampleCountCommand(const Call& c) {
  if (c.Query()) {
    if (NoParams(c.params)) AnswerInteger(sampleCount_);
    return;
  }
  double value = 0;
  if (!RangedParam(c.params, 1, kMaxReadings, Specials::Taken, value)) return;
  sampleCount_ = static_cast<int>(std::lround(value));
  memoryValid_ = false;
}

// ---------------------------------------------------------------------------------------------
// Readings

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
  if (waiting_) pending_.push_back(Pending{PendingKind::Readings, affected_, out_});
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

// ---------------------------------------------------------------------------------------------
// Triggers

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
    Emit(answer_, p.affected, at, *p.out, tag);
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

}  // namespace vx::sim
