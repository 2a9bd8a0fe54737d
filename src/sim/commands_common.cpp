// IEEE 488.2 common commands: identity, reset, status registers, operation complete, the bus
// trigger, self-test; and the legacy front-end's "L0".

#include <algorithm>
#include <cmath>

#include "common/c_number.h"
#include "sim/meter_engine.h"

namespace vx::sim {

void MeterEngine::AddCommonCommands(CommandList& list) {
  list.insert(list.end(), {
                              {"*IDN?", &MeterEngine::Identify},
                              {"*RST", &MeterEngine::Reset},
                              {"*CLS", &MeterEngine::ClearStatus},
                              {"*ESR?", &MeterEngine::EventStatusQuery},
                              {"*OPC[?]", &MeterEngine::OperationComplete},
                              {"*WAI", &MeterEngine::WaitToContinue},
                              {"*TRG", &MeterEngine::BusTrigger},
                              {"*TST?", &MeterEngine::SelfTest},
                              {"*ESE[?]", &MeterEngine::EventEnable},
                              {"*SRE[?]", &MeterEngine::ServiceRequestEnable},
                              {"*STB?", &MeterEngine::StatusByteQuery},
                          });
}

// The legacy front-end's hello: accepted, no effect. It is no SCPI header at all.
bool MeterEngine::IsLegacyHello(std::string_view headerText) {
  return EqualsNoCase(headerText, "L0");
}

void MeterEngine::Identify(const Call& c) {
  if (NoParams(c.params)) Answer() = identity_;
}

void MeterEngine::Reset(const Call& c) {
  if (NoParams(c.params)) ResetSettings();
}

void MeterEngine::ClearStatus(const Call& c) {
  if (!NoParams(c.params)) return;
  errorCount_ = 0;
  esr_ = 0;
}

void MeterEngine::EventStatusQuery(const Call& c) {
  if (!NoParams(c.params)) return;
  const std::uint8_t value = esr_;
  esr_ = 0;
  AnswerInteger(value);
}

void MeterEngine::OperationComplete(const Call& c) {
  if (!NoParams(c.params)) return;
  if (!c.Query()) {
    if (waiting_) {
      opcFlagPending_ = true;
    } else {
      esr_ |= 0x01;
    }
    return;
  }
  if (!waiting_) {
    // Queries that came while the measurement waited share one answer; one that comes after
    // the trigger but before that answer was read shares it too, so that a controller polling
    // "*OPC?" never finds a second "1" ahead of its next answer.
    if (!out_->HasTag(kDeferredOpcTag)) Answer() = "1";
    return;
  }
  // One answer for the connection however many times it asks while the measurement waits.
  const bool already = std::any_of(pending_.begin(), pending_.end(), [this](const Pending& p) {
    return p.kind == PendingKind::OperationComplete && p.out == out_;
  });
  if (!already) pending_.push_back(Pending{PendingKind::OperationComplete, affected_, out_});
}

void MeterEngine::WaitToContinue(const Call& c) {
  NoParams(c.params);
}

void MeterEngine::BusTrigger(const Call& c) {
  if (!NoParams(c.params)) return;
  if (waiting_ && triggerSource_ == TriggerSource::Bus) {
    FireTrigger(c.now);
  } else {
    AddError(-211);
  }
}

void MeterEngine::SelfTest(const Call& c) {
  if (NoParams(c.params)) Answer() = "0";
}

void MeterEngine::EventEnable(const Call& c) {
  RegisterCommand(c, ese_);
}

void MeterEngine::ServiceRequestEnable(const Call& c) {
  RegisterCommand(c, sre_);
}

void MeterEngine::RegisterCommand(const Call& c, std::uint8_t& reg) {
  if (c.Query()) {
    if (NoParams(c.params)) AnswerInteger(reg);
    return;
  }
  std::string_view param;
  double value = 0;
  if (!OneParam(c.params, param)) return;
  if (!ParseNumber(param, value)) {
    AddError(-104);
  } else if (value < 0 || value > 255) {
    AddError(-222);
  } else {
    reg = static_cast<std::uint8_t>(std::lround(value));
  }
}

int MeterEngine::StatusByte(const OutputQueue& out) const {
  int stb = 0;
  if (errorCount_ > 0) stb |= 0x04;
  if (!out.Empty()) stb |= 0x10;  // a message waits for the connection that asks
  if ((esr_ & ese_) != 0) stb |= 0x20;
  if ((stb & sre_) != 0) stb |= 0x40;
  return stb;
}

void MeterEngine::StatusByteQuery(const Call& c) {
  if (!NoParams(c.params)) return;
  AnswerInteger(StatusByte(*out_));
}

}  // namespace vx::sim
