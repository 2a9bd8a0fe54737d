#include "automation/calc/write_lanes.h"

#include <algorithm>
#include <exception>

namespace vx::automation::calc {
namespace {

constexpr size_t kMostQueued = 64;

}  // namespace

bool WriteLanes::Claim::Overlaps(const Claim& other) const {
  if (sheet != other.sheet) return false;
  if (cursor && other.cursor) return true;
  return block.firstRow <= other.block.lastRow && other.block.firstRow <= block.lastRow &&
         block.firstColumn <= other.block.lastColumn && other.block.firstColumn <= block.lastColumn;
}

WriteLanes::WriteLanes(int laneCount) : lanes_(static_cast<size_t>(std::max(laneCount, 1))) {}

WriteLanes::~WriteLanes() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return Idle(); });
    ending_ = true;
  }
  changed_.notify_all();
  for (Lane& lane : lanes_) {
    if (lane.thread.joinable()) lane.thread.join();
  }
}

void WriteLanes::Post(const Claim& claim, Job job) {
  std::unique_lock lock(mutex_);
  // A write that overlaps writes of two lanes waits until they are down to one: queued
  // behind one of them it could run before the other lane's. A caller that writes faster
  // than the office takes the writes waits for room.
  size_t index = 0;
  changed_.wait(lock, [&] {
    const std::vector<size_t> claiming = LanesClaiming(claim);
    if (claiming.size() > 1) return false;
    index = claiming.empty() ? ShortestLane() : claiming.front();
    return lanes_[index].queue.size() < kMostQueued;
  });
  Lane& lane = lanes_[index];
  lane.queue.push_back(Entry{claim, std::move(job)});
  // Lanes start with their first write: a host whose writes never go behind has none.
  if (!lane.thread.joinable()) lane.thread = std::thread([this, index] { Run(index); });
  lock.unlock();
  changed_.notify_all();
}

void WriteLanes::WaitFor(const Claim& claim) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return LanesClaiming(claim).empty(); });
}

Status WriteLanes::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return Idle(); });
  return HandOverFailure();
}

Status WriteLanes::TakeFailure() {
  const std::lock_guard lock(mutex_);
  return HandOverFailure();
}

void WriteLanes::Run(size_t index) {
  Lane& lane = lanes_[index];
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return ending_ || !lane.queue.empty(); });
    if (lane.queue.empty()) return;
    // The entry stays queued while it runs, so that overlapping writes still find it.
    Job job = lane.queue.front().job;
    lock.unlock();
    Status done;
    try {
      done = job();
    } catch (const std::exception& error) {
      done = AutomationError::Make(ErrorNumber::Failed, error.what());
    } catch (...) {
      done = AutomationError::Make(ErrorNumber::Failed, "A cell could not be written.");
    }
    lock.lock();
    if (!done && !failure_) failure_ = done.error();
    lane.queue.pop_front();
    changed_.notify_all();
  }
}

std::vector<size_t> WriteLanes::LanesClaiming(const Claim& claim) const {
  std::vector<size_t> claiming;
  for (size_t i = 0; i < lanes_.size(); ++i) {
    const auto& queue = lanes_[i].queue;
    if (std::any_of(queue.begin(), queue.end(),
                    [&](const Entry& entry) { return entry.claim.Overlaps(claim); })) {
      claiming.push_back(i);
    }
  }
  return claiming;
}

size_t WriteLanes::ShortestLane() const {
  size_t shortest = 0;
  for (size_t i = 1; i < lanes_.size(); ++i) {
    if (lanes_[i].queue.size() < lanes_[shortest].queue.size()) shortest = i;
  }
  return shortest;
}

bool WriteLanes::Idle() const {
  return std::all_of(lanes_.begin(), lanes_.end(),
                     [](const Lane& lane) { return lane.queue.empty(); });
}

Status WriteLanes::HandOverFailure() {
  if (!failure_) return {};
  AutomationError failure = std::move(*failure_);
  failure_.reset();
  return failure;
}

}  // namespace vx::automation::calc
