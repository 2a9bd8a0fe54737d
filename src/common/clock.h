#pragma once
// The source of time for everything that waits or stamps: windows, the simulated meters,
// the scan timing. Tests inject a ManualClock so that nothing waits in real time.

#include <chrono>
#include <mutex>

#include "common/local_time.h"

namespace vx {

class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock instant (converted to local time for stamps).
  virtual std::chrono::system_clock::time_point Now() const = 0;
  // Monotonic time for intervals and time-outs.
  virtual std::chrono::steady_clock::time_point Steady() const = 0;
  // Blocks the calling thread for `duration` of this clock's time.
  virtual void SleepFor(std::chrono::microseconds duration) const = 0;

  LocalDateTime LocalNow() const { return ToLocal(Now()); }
};

class SystemClock final : public Clock {
 public:
  std::chrono::system_clock::time_point Now() const override;
  std::chrono::steady_clock::time_point Steady() const override;
  void SleepFor(std::chrono::microseconds duration) const override;
};

// The process's real clock; stateless, so sharing it is harmless.
const Clock& RealClock();

// A clock that only moves when told to; sleeping on it advances it at once.
class ManualClock final : public Clock {
 public:
  ManualClock();
  explicit ManualClock(const LocalDateTime& start);

  std::chrono::system_clock::time_point Now() const override;
  std::chrono::steady_clock::time_point Steady() const override;
  void SleepFor(std::chrono::microseconds duration) const override;

  void Advance(std::chrono::microseconds duration);
  void SetLocal(const LocalDateTime& time);

 private:
  mutable std::mutex mutex_;
  mutable std::chrono::system_clock::time_point wall_;
  mutable std::chrono::steady_clock::time_point steady_;
};

}  // namespace vx
