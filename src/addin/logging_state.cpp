#include "addin/logging_state.h"

namespace vx::addin {

LoggingState& ThreadLoggingState() {
  // The engine's module-wide state lives per thread of the host: every instance created on
  // a thread shares it, and a tick only ever runs on the thread that owns it.
  thread_local LoggingState state;
  return state;
}

void ResetInstanceFields(LoggingState& state) {
  const LoggingState fresh;
  state.language = fresh.language;
  state.title1 = fresh.title1;
  state.title2 = fresh.title2;
  state.maker = fresh.maker;
  state.model = fresh.model;
  state.model2a = fresh.model2a;
  state.model2b = fresh.model2b;
  state.usbFilter1 = fresh.usbFilter1;
  state.usbFilter2 = fresh.usbFilter2;
}

}  // namespace vx::addin
