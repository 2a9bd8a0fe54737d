#pragma once
// Writes of cell values carried out behind the caller, on a few threads of their own
// ("lanes"), so that the round trips of writes to different cells overlap instead of
// following one another. Each write claims its cells (and the sheet's cursor, when it
// moves it); a write that claims what a write still queued or running claims goes to that
// write's lane, behind it, so that one cell's writes reach the office in the order they
// were made. A failure is kept until the caller collects it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "automation/automation_error.h"
#include "automation/cell_reference.h"

namespace vx::automation::calc {

class WriteLanes {
 public:
  // What a write touches: cells of one sheet, and that sheet's cursor when it moves it.
  struct Claim {
    const void* sheet = nullptr;
    CellBlock block;
    bool cursor = false;
    bool Overlaps(const Claim& other) const;
  };
  using Job = std::function<Status()>;

  explicit WriteLanes(int laneCount);
  ~WriteLanes();  // waits for what is queued
  WriteLanes(const WriteLanes&) = delete;
  WriteLanes& operator=(const WriteLanes&) = delete;

  // Queues `job`; it runs on a lane, after every queued write whose claim it overlaps.
  void Post(const Claim& claim, Job job);
  // Waits until no queued or running write overlaps `claim`.
  void WaitFor(const Claim& claim);
  // Waits for every write, then hands over the first failure since the last one handed
  // over, if any.
  Status Drain();
  // Hands over the first failure so far without waiting.
  Status TakeFailure();

 private:
  struct Entry {
    Claim claim;
    Job job;
  };
  struct Lane {
    std::deque<Entry> queue;  // the front one runs
    std::thread thread;
  };

  void Run(size_t lane);
  // The lanes with a write that overlaps `claim`.
  std::vector<size_t> LanesClaiming(const Claim& claim) const;
  size_t ShortestLane() const;
  bool Idle() const;
  Status HandOverFailure();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Lane> lanes_;
  std::optional<AutomationError> failure_;
  bool ending_ = false;
};

}  // namespace vx::automation::calc
