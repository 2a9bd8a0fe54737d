#pragma once
// Helpers of the scanner's tests: a simulated meter behind the scanner's own query routine
// with every command recorded (and answers that a test may spoil), and a run driven to its
// end on the manual clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "instrument/device_table.h"
#include "scanner/results_fill.h"
#include "scanner/scan_run.h"
#include "scanner/scanner_query.h"
#include "simulated_visa.h"

namespace vx::scanner::fixture {

// `rows` rows of the twenty channels of a card, channel 2 a current through a shunt, and the
// sixth value of the first row in overload.
inline ResultsGrid TwentyChannelGrid(int rows = 2) {
  PassLayout pass;
  pass.channels = 20;
  pass.scanCount = 20 * rows;
  pass.total = 20 * rows;
  pass.perPass = 20;
  for (int k = 0; k < 20; ++k) pass.active.push_back(k);
  pass.channelSettings.assign(20, ChannelSetting{ScanFunction::Dcv});
  pass.channelSettings[1] = {ScanFunction::Dci, 100, 0.001};
  pass.startTime = {2026, 12, 6, 14, 3, 27};
  std::string answer;
  for (int i = 0; i < 20 * rows; ++i) {
    answer += (i ? "," : "") + std::string(i == 5 ? "+9.90000000E+37" : "+5.0E-01");
  }
  ResultsGrid grid;
  GridState state;
  FillResults(grid, state, pass, answer);
  return grid;
}

// A meter with a card of `channels` channels, their inputs given (channel 1 first).
inline sim::MeterConfig CardMeter(int channels, std::vector<double> inputs = {}) {
  sim::MeterConfig meter = test::SimulatedVisa::UsbMeter("TW1", "Q7110", channels);
  meter.channelInputs = std::move(inputs);
  return meter;
}

class RecordingMeter {
 public:
  RecordingMeter() { table_.ScanMeters(instrument::kScannerScan); }

  QueryFunction Query() {
    return [this](std::string_view command) {
      commands_.emplace_back(command);
      std::string answer = ScannerAnswer(table_, 0, command);
      return spoil_ ? spoil_(command, std::move(answer)) : answer;
    };
  }
  // What the run hears when the meter is gone.
  MeterCheck Gone() {
    return [this] { return MeterGoneText(table_, 0); };
  }
  // Replaces answers: `spoil` gets the command and the meter's answer.
  void Spoil(std::function<std::string(std::string_view, std::string)> spoil) {
    spoil_ = std::move(spoil);
  }

  const std::vector<std::string>& Commands() const { return commands_; }
  void ClearCommands() { commands_.clear(); }
  bool Sent(std::string_view command) const {
    return std::find(commands_.begin(), commands_.end(), command) != commands_.end();
  }
  int CountOf(std::string_view command) const {
    return static_cast<int>(std::count(commands_.begin(), commands_.end(), command));
  }
  bool SentStartingWith(std::string_view prefix) const {
    return std::any_of(commands_.begin(), commands_.end(),
                       [&](const std::string& c) { return c.starts_with(prefix); });
  }

 private:
  instrument::DeviceTable table_;
  std::vector<std::string> commands_;
  std::function<std::string(std::string_view, std::string)> spoil_;
};

// Ticks the run at the intervals it asks for until it is idle (or `limit` ticks); the
// number of ticks.
inline int RunToIdle(ScanRun& run, ManualClock& clock, int limit = 20000) {
  int ticks = 0;
  while (run.Phase() != RunPhase::Idle && ticks < limit) {
    clock.Advance(run.TimerInterval());
    run.Tick();
    ++ticks;
  }
  return ticks;
}

// Ticks until the run reaches `phase` (or `limit` ticks); whether it did.
inline bool RunUntil(ScanRun& run, ManualClock& clock, RunPhase phase, int limit = 20000) {
  for (int ticks = 0; run.Phase() != phase && ticks < limit; ++ticks) {
    clock.Advance(run.TimerInterval());
    run.Tick();
  }
  return run.Phase() == phase;
}

// A data row of the grid from its time column on.
inline std::vector<std::string> Row(const ResultsGrid& grid, int row) {
  std::vector<std::string> cells;
  for (int c = 1; c < grid.Columns(); ++c) cells.push_back(grid.Cell(row, c));
  return cells;
}

}  // namespace vx::scanner::fixture
