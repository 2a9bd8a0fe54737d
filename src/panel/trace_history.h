#pragma once
// The rolling sample histories of the four device rows: oldest first, the newest at
// sampleCount - 1, at most `dots` samples shown.

#include <array>

namespace vx::panel {

class TraceHistory {
 public:
  static constexpr int kDevices = 4;
  static constexpr int kCapacity = 2000;

  void Clear();

  // The start of a tick: one more sample while the display fills; once it is full, the read
  // devices' histories move one place towards the start (the oldest sample drops out).
  void BeginTick(int dots, const std::array<bool, kDevices>& readDevices);
  // Puts a sample into the device's newest slot.
  void Store(int device, double sample);

  int SampleCount() const { return sampleCount_; }
  double Sample(int device, int index) const { return samples_[device][index]; }
  double Newest(int device) const;

 private:
  int sampleCount_ = 0;
  std::array<std::array<double, kCapacity>, kDevices> samples_{};
};

}  // namespace vx::panel
