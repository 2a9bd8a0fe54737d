#include "common/clock.h"

#include <thread>

namespace vx {

std::chrono::system_clock::time_point SystemClock::Now() const {
  return std::chrono::system_clock::now();
}

std::chrono::steady_clock::time_point SystemClock::Steady() const {
  return std::chrono::steady_clock::now();
}

void SystemClock::SleepFor(std::chrono::microseconds duration) const {
  if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

const Clock& RealClock() {
  static const SystemClock clock;
  return clock;
}

ManualClock::ManualClock() : ManualClock(LocalDateTime{2026, 12, 6, 22, 45, 7, 0}) {}

ManualClock::ManualClock(const LocalDateTime& start)
    : wall_(FromLocal(start)), steady_(std::chrono::steady_clock::time_point{}) {}

std::chrono::system_clock::time_point ManualClock::Now() const {
  std::lock_guard lock(mutex_);
  return wall_;
}

std::chrono::steady_clock::time_point ManualClock::Steady() const {
  std::lock_guard lock(mutex_);
  return steady_;
}

void ManualClock::SleepFor(std::chrono::microseconds duration) const {
  if (duration.count() <= 0) return;
  std::lock_guard lock(mutex_);
  wall_ += duration;
  steady_ += duration;
}

void ManualClock::Advance(std::chrono::microseconds duration) {
  SleepFor(duration);
}

void ManualClock::SetLocal(const LocalDateTime& time) {
  std::lock_guard lock(mutex_);
  const auto target = FromLocal(time);
  if (target > wall_)
    steady_ += std::chrono::duration_cast<std::chrono::microseconds>(target - wall_);
  wall_ = target;
}

}  // namespace vx
