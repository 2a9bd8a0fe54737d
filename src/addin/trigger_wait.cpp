// Beginning a run on the meter's external trigger: the meter is armed for one triggered
// measurement and polled once a second until it is complete; a stop while it still waits
// needs the user to release the meter from its front panel.
#include "addin/logging_engine.h"
#include "common/c_number.h"

namespace vx::addin {
namespace {

constexpr const char* kStillWaiting =
    "Waiting for an External Trigger:\n"
    "The instrument is locked waiting for an external trigger. "
    "To stop now you must press 'LOCAL' followed by 'TRIG' on the"
    " instrument Front Panel. And then Press 'Yes' on this form. "
    "If you wish to continue waiting for the trigger Press 'No' .";

// "*OPC?" written and read as a raw exchange; the answer, or nothing on a failure.
ViStatus AskOperationComplete(ViSession session, std::string& answer, ViUInt32 capacity) {
  ViUInt32 count = 0;
  ViStatus status = viWrite(session, reinterpret_cast<ViConstBuf>("*OPC?"), 5, &count);
  if (status < VI_SUCCESS) return status;
  char buffer[kReadBufferSize] = {};
  status = viRead(session, reinterpret_cast<ViBuf>(buffer), capacity, &count);
  if (status >= VI_SUCCESS) answer.assign(buffer, count);
  return status;
}

}  // namespace

void LoggingEngine::ArmTrigger() {
  if (!WriteCommand("trig:sour ext") || !WriteCommand("trig:count 1") || !WriteCommand("init")) {
    return;
  }
  viSetAttribute(state_.session, VI_ATTR_TMO_VALUE, kTriggerTimeoutMs);
  StartTickTimer(1000, LoggingState::Tick::Trigger);
}

void LoggingEngine::TriggerTick() {
  if (!state_.running) return;
  SetStatusLine("Waiting for an External Trigger...");
  if (state_.triggerSeen) return;
  std::string answer;
  const ViStatus status = AskOperationComplete(state_.session, answer, kReadBufferSize);
  if (status < VI_SUCCESS) {
    ReportTriggerError(status);
    return;
  }
  if (answer.find('1') == std::string::npos) return;
  viSetAttribute(state_.session, VI_ATTR_TMO_VALUE, kLoggingTimeoutMs);
  state_.triggerSeen = true;
  // Empties the meter's error queue and status, and puts it back to immediate triggering.
  for (int i = 0; i < 2; ++i) {
    if (!WriteCommand("syst:err?")) return;
    ReadAnswer();
    if (state_.ioFailed) return;
  }
  if (!WriteCommand("*cls") || !WriteCommand("*esr?")) return;
  ReadAnswer();
  if (state_.ioFailed || !WriteCommand("trig:sour imm") || !WriteCommand("read?")) return;
  ReadAnswer();
  if (state_.ioFailed) return;
  state_.triggerArmed = false;
  SwitchToReading();
}

// A time-out is what the meter gives while it waits; anything else ends the run.
void LoggingEngine::ReportTriggerError(ViStatus status) {
  if (status == VI_ERROR_TMO) return;
  state_.running = false;
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(state_.session, status, text);
  Message("Trigger error:\n" + std::string(Trim(text)), MessageIcon::Stop);
  StopLogging();
}

void LoggingEngine::ConfirmStopWhileArmed() {
  state_.running = false;
  while (true) {
    const MessageAnswer answer =
        state_.prompter
            ? state_.prompter->Message(kStillWaiting, state_.title2, MessageIcon::Information,
                                       MessageButtons::YesNo, MessageAnswer::No)
            : MessageAnswer::Yes;
    if (answer != MessageAnswer::Yes) {
      state_.running = true;
      return;
    }
    std::string opc;
    AskOperationComplete(state_.session, opc, kReadBufferSize - 1);
    if (opc.find('1') != std::string::npos) break;
  }
  for (const char* command : {"syst:err?", "syst:err?", "*cls", "*esr?", "trig:sour imm"}) {
    if (!WriteCommand(command)) return;
  }
}

}  // namespace vx::addin
