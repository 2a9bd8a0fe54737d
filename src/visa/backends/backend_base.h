#pragma once
// What the real-transport backends share: their diagnostic may be written by a search or an
// open on one thread while another thread reads it, so it is kept under a lock.

#include <mutex>
#include <string>

#include "visa/backend.h"

namespace vx::visa {

class GuardedDiagnosticBackend : public Backend {
 public:
  std::string Diagnostic() const override {
    std::lock_guard lock(diagnosticMutex_);
    return diagnostic_;
  }

 protected:
  void SetDiagnostic(std::string text) {
    std::lock_guard lock(diagnosticMutex_);
    diagnostic_ = std::move(text);
  }
  // Sets the diagnostic and passes `status` on, for one-line failure returns.
  ViStatus Failure(ViStatus status, std::string text) {
    SetDiagnostic(std::move(text));
    return status;
  }

 private:
  mutable std::mutex diagnosticMutex_;
};

}  // namespace vx::visa
