#pragma once
// The channel scanner card: 10 or 20 channels, each set to a function or NONE, and a scan
// that the card runs by itself on the clock once started. Channel k (1-based) in four-wire
// resistance uses channel k + n/2 as its sense pair, which is then not scanned on its own.
//
// Timing model: a scan reads the active channels in channel order, cycling, one reading per
// dwell of max(timer, 10 ms), until `count` readings are done.
//   SCAN mode ("ROUT:SCAN"): reading i is complete at start + (i + 1) * dwell, and the state
//     query counts completed readings.
//   STEP mode ("ROUT:SCAN:STEP"): the card steps to the channel of reading i at
//     start + i * dwell and takes that reading as it arrives, then dwells there; the state
//     query counts the readings taken.
// In both modes what the state query reports is what FETCH? returns.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::sim {

enum class ChannelFunction { None, VoltDc, VoltAc, Freq, Res, FRes };

std::string_view ChannelFunctionName(ChannelFunction f);  // "NONE", "VOLT:DC", ...
// Accepts the names above and "VOLT", "VOLTAGE:DC", "FREQUENCY", ... without regard to case.
std::optional<ChannelFunction> ChannelFunctionFromName(std::string_view name);

class ScannerCard {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  static constexpr int kMaxCount = 50000;

  // `channels` is 0 (no card), 10 or 20; `inputs` are the channel input values, channel 1
  // first (volts; ohms for RES and FRES; hertz for FREQ); missing ones get built-in values.
  ScannerCard(int channels, std::vector<double> inputs, std::uint64_t seed, double noise);

  int Channels() const { return channels_; }
  bool Present() const { return channels_ > 0; }

  enum class SetResult { Ok, BadChannel, Conflict };
  SetResult SetFunction(int channel, ChannelFunction f);
  ChannelFunction FunctionOf(int channel) const;

  void SetCount(int count) { count_ = count; }
  int Count() const { return count_; }
  void SetTimer(double seconds) { timer_ = seconds; }
  double Timer() const { return timer_; }

  // Starts a scan now; false (nothing started) when no channel is active.
  bool Start(TimePoint now, bool stepMode, double secondsSincePowerOn);
  // Stops a running scan; readings done so far stay fetchable.
  void Abort(TimePoint now);
  bool HasScan() const { return scan_.has_value(); }
  void Forget() { scan_.reset(); }
  // Readings complete and fetchable: what "ROUT:SCAN:STATE?" reports.
  int Complete(TimePoint now) const;
  // Appends the complete readings, "%+.8E" each, separated by ",".
  void AppendReadings(std::string& out, TimePoint now) const;

  // Power-on state: all channels NONE, count = channels, timer 0.5 s, no scan.
  void Reset();

  double InputOf(int channel, ChannelFunction f) const;

 private:
  struct Scan {
    TimePoint start;
    TimePoint stoppedAt = TimePoint::max();
    std::chrono::microseconds dwell{};
    int count = 0;
    bool stepMode = false;
    std::uint64_t number = 0;                // scans started so far: varies the noise between scans
    double startSeconds = 0;                 // since power-on, for the signal's slow wander
    std::vector<int> channels;               // active channels (1-based), in scan order
    std::vector<ChannelFunction> functions;  // their functions, as programmed at the start
  };
  double ReadingValue(const Scan& scan, int index) const;

  int channels_ = 0;
  std::vector<double> inputs_;
  std::uint64_t seed_;
  double noise_;
  std::vector<ChannelFunction> functions_;
  int count_ = 0;
  double timer_ = 0.5;
  std::uint64_t scansStarted_ = 0;
  std::optional<Scan> scan_;
};

}  // namespace vx::sim
