#pragma once
// A batch of readings taken from one meter as fast as it answers and appended to a record.
//
// A run sends "sample:count 1\n" once, opens the record for appending (creating it when it is
// missing, stamping the start of the run), then asks "read?\n" and stores each answer until
// the count is reached or the run is stopped. Between readings it lets the window's events
// through, so that "Run Stop" and the window itself keep working. It does so whenever 5 ms
// have passed rather than after every reading: dispatching events costs about as much as a
// reading from a fast meter, and 5 ms is far below what a user notices.
//
// A meter that stops answering, or answers something that is not a number, ends the run with
// what was stored so far; a missing answer is never stored as a reading of 0.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "instrument/device_table.h"
#include "records/append_session.h"

namespace vx::records {

inline constexpr int kMinBurstReadings = 1;
inline constexpr int kMaxBurstReadings = 50000;
inline constexpr const char* kBurstCountMessage =
    "The number of readings must be a whole number from 1 to 50000.";

// The number of readings typed in the window: a whole number from 1 to 50000, or none.
std::optional<int> ParseBurstCount(std::string_view text);

// A meter's answer as a stored reading: the decimal number at the start of its first 15
// characters (the overload answer "+9.90000000E+37" is exactly 15 characters and gives
// 9.9E+37); none when those characters do not start with one ("nan" is no reading).
std::optional<double> ReadingFromAnswer(std::string_view answer);

struct BurstResult {
  enum class End {
    Completed,    // the count was reached
    Stopped,      // "Run Stop", or the window closing
    MeterFailed,  // no answer (detail empty) or an answer that is not a reading (detail)
    StoreFailed,  // the record could not be opened or written (detail: the store's message)
  };
  End end = End::Completed;
  // Readings saved in the record file by this run.
  long long stored = 0;
  std::string detail;
};

class ReadingBurst {
 public:
  static constexpr std::chrono::milliseconds kPumpInterval{5};

  // `table` lists the meters; `clock` stamps the readings and times the event pumping.
  ReadingBurst(instrument::DeviceTable& table, const Clock& clock);

  // Lets the window's events through; called before the first reading and then whenever
  // kPumpInterval has passed.
  void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }
  // Called after each stored reading with the number stored so far.
  void SetObserver(std::function<void(long long)> observer) { observer_ = std::move(observer); }

  // Takes `count` readings from listed meter `meter` into record `record` of `folder`.
  BurstResult Run(std::string_view folder, int record, int meter, long long count);
  // Ends the run after the reading under way; for the events the pump dispatches.
  void Stop() { stopRequested_ = true; }
  bool Running() const { return running_; }
  // Readings taken so far in this run.
  long long Taken() const { return taken_; }
  // The owner's timer (every AppendSession::kCheckInterval): commits the pending readings
  // once they are due, so that a slow
  // meter's readings reach the file even while no new ones come.
  void CommitIfDue();

 private:
  bool PumpDue();
  std::optional<BurstResult> TakeOne(int meter);
  BurstResult Finish(BurstResult result);

  instrument::DeviceTable& table_;
  const Clock& clock_;
  std::function<void()> pump_;
  std::function<void(long long)> observer_;
  std::optional<AppendSession> session_;
  std::optional<std::chrono::steady_clock::time_point> lastPump_;
  Status commitFailure_;
  bool running_ = false;
  bool stopRequested_ = false;
  long long taken_ = 0;
};

}  // namespace vx::records
