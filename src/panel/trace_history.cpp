#include "panel/trace_history.h"

#include <algorithm>

namespace vx::panel {

void TraceHistory::Clear() {
  sampleCount_ = 0;
  for (auto& device : samples_) device.fill(0.0);
}

void TraceHistory::BeginTick(int dots, const std::array<bool, kDevices>& readDevices) {
  dots = std::clamp(dots, 1, kCapacity);
  if (sampleCount_ < dots) {
    ++sampleCount_;
    return;
  }
  sampleCount_ = dots;
  for (int device = 0; device < kDevices; ++device) {
    if (!readDevices[static_cast<size_t>(device)]) continue;
    auto& samples = samples_[static_cast<size_t>(device)];
    std::copy(samples.begin() + 1, samples.begin() + dots, samples.begin());
  }
}

void TraceHistory::Store(int device, double sample) {
  if (device < 0 || device >= kDevices || sampleCount_ == 0) return;
  samples_[static_cast<size_t>(device)][static_cast<size_t>(sampleCount_ - 1)] = sample;
}

double TraceHistory::Newest(int device) const {
  if (device < 0 || device >= kDevices || sampleCount_ == 0) return 0.0;
  return samples_[static_cast<size_t>(device)][static_cast<size_t>(sampleCount_ - 1)];
}

}  // namespace vx::panel
