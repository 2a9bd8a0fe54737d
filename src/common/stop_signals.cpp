#include "common/stop_signals.h"

#include <signal.h>

namespace vx {
namespace {

std::atomic<bool> stopRequest{false};

void OnStopSignal(int) {
  stopRequest = true;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::atomic<bool>& StopRequestFlag() {
  return stopRequest;
}

}  // namespace vx
