#pragma once
// A mutex that serves its callers in the order they asked. The meter's connections take its
// lock once per command; with a plain mutex the connection running a long line takes it
// again as it lets go, and another connection's query waits for the whole line.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vx::sim {

class FairMutex {
 public:
  void lock() {
    std::unique_lock guard(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    turn_.wait(guard, [&] { return serving_ == ticket; });
  }

  void unlock() {
    bool othersWait = false;
    {
      std::lock_guard guard(mutex_);
      ++serving_;
      othersWait = serving_ != nextTicket_;
    }
    if (othersWait) turn_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  std::uint64_t nextTicket_ = 0;
  std::uint64_t serving_ = 0;
};

}  // namespace vx::sim
