#pragma once
// A scan run: programs the scanner card from the set-up and the run settings, starts it,
// polls its progress, fetches every reading in one answer when the pass is complete and
// fills the results grid. Four timing modes come from the check boxes:
//   plain             one scan of Scan count readings;
//   Stop After N      one scan of N passes over the active channels;
//   PerScan Interval  a pass, then the next one once the interval has passed since the
//                     pass ended, until the Stop Time, after N passes, or (with neither)
//                     until the user clears "PerScan Interval"; each pass appends a row;
//   At Time           the first pass starts once that time has passed.
//
// The run is free of widgets and of real time. It reads the injected clock and is driven
// by explicit ticks: after each call, Phase() says what it waits for and TimerInterval()
// when it wants its next Tick(). The window runs one timer at that interval; vxscan
// sleeps; tests advance a manual clock. Waits before a fetch are phases too, so the window
// answers (and Exit works) throughout a run.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/prompt.h"
#include "scanner/results_fill.h"
#include "scanner/results_grid.h"
#include "scanner/run_settings.h"
#include "scanner/scan_setup.h"

namespace vx::scanner {

enum class RunPhase {
  Idle,                // nothing runs; the controls are enabled unless Busy()
  WaitingForAtTime,    // every 200 ms: has the At Time passed?
  Polling,             // every 500 ms: "Rout:scan:state?"
  WaitingToFetch,      // the pass is complete; "fetch?" once the card has settled
  WaitingForNextPass,  // PerScan: every 200 ms, has the interval passed?
};

// Says whether the meter is gone (its connection lost, or no listener left on its GPIB bus)
// after the exchanges the run just made: the words name the meter and the status; empty
// while the meter is there.
using MeterCheck = std::function<std::string()>;

inline constexpr const char* kNoChannelMessage =
    "No channel is set to a function. Please choose a function other than \"None\" for at "
    "least one channel.";

class ScanRun {
 public:
  static constexpr std::chrono::milliseconds kPollInterval{500};
  static constexpr std::chrono::milliseconds kWaitInterval{200};
  static constexpr std::chrono::milliseconds kFetchDelay{1000};

  // `setup` is the window's card set-up (the run turns unshunted currents into voltages in
  // it); `query` talks to the selected meter, and `meterGone` says when it is no longer
  // there. All must outlive the run.
  ScanRun(ScanSetup& setup, QueryFunction query, const Clock& clock, Prompter& prompter,
          MeterCheck meterGone = {});

  // The fields as the window holds them; Start takes them.
  RunSettings& Settings() { return settings_; }
  const RunSettings& Settings() const { return settings_; }
  // After the user switched "PerScan Interval" or "Stop After N scans" (Settings() already
  // changed): clearing PerScan ends a run that waits for its next pass.
  void PerScanChanged();
  void StopAfterChanged();

  // The Start button: checks the fields and programs and starts the card, or waits for the
  // At Time. False when nothing was started (a message or note says why).
  bool Start();
  // One tick of the present phase's timer.
  void Tick();
  RunPhase Phase() const { return phase_; }
  // How long after this call the next Tick() is due; zero when idle.
  std::chrono::milliseconds TimerInterval() const;

  // The setting controls and Start are disabled while a run is programmed or a pass runs
  // (and between the passes of a PerScan run that ends by itself).
  bool Busy() const { return busy_; }
  // The progress line, "%d/%d": readings done and readings asked for.
  const std::string& ProgressText() const { return progress_; }
  // The latest note for the status line (readings missing, the grid full, the Stop Time
  // passed); NoticeCount() grows each time one is given.
  const std::string& Notice() const { return notice_; }
  int NoticeCount() const { return noticeCount_; }

  const ResultsGrid& Grid() const { return grid_; }
  // Results were filled since the last export: "Out_2_Exl" is enabled.
  bool ExportAvailable() const { return exportAvailable_; }
  void ExportDone() { exportAvailable_ = false; }
  // Fills so far (vxscan rewrites its output file after each), and those whose answer left
  // readings missing or unreadable.
  int FillCount() const { return fills_; }
  int IncompleteFills() const { return incompleteFills_; }
  // Why the last run ended early, its meter gone; empty when it did not.
  const std::string& Failure() const { return failure_; }
  // When the pass that filled the grid's first data row started.
  const LocalDateTime& ResultsTime() const { return resultsTime_; }
  // Passes done in a PerScan run that stops after N passes.
  int PassCounter() const { return passCounter_; }
  // The channels of the results' columns, in order.
  const std::vector<int>& ActiveChannels() const { return active_; }

 private:
  struct Pass {
    RunTiming timing = RunTiming::Plain;
    int total = 0;
    LocalDateTime start;
  };

  bool BeginPass(bool byUser);
  bool TakeFields();
  bool Refuse(const char* message);
  void ProgramAndStart();
  void Poll();
  // False when the meter was gone and the run has ended.
  bool FetchAndFill();
  void AfterPass();
  void WaitForNextPass(bool controlsEnabled);
  void StopHere();
  void EndRun();
  void Note(std::string text);
  // Ends the run when the meter is gone, with a message that says so; true when it did.
  bool EndedByLostMeter();
  bool HasPassed(const LocalDateTime& time) const;
  std::chrono::milliseconds FetchWait() const;

  ScanSetup& setup_;
  QueryFunction query_;
  const Clock& clock_;
  Prompter& prompter_;
  MeterCheck meterGone_;
  RunSettings settings_;
  ResultsGrid grid_;
  GridState gridState_;
  std::vector<ScanFunction> headerFunctions_;

  RunPhase phase_ = RunPhase::Idle;
  bool busy_ = false;
  // The fields as Start took them.
  float timer_ = 0.5f;
  int scanCount_ = 0;
  int passes_ = 1;
  bool fieldsInRange_ = true;
  int perPass_ = 0;
  int intervalSeconds_ = 9;  // the PerScan Interval less one second
  int passCounter_ = 1;
  int firstPass_ = 1;  // 1 for the first pass of a run, -1 later
  std::vector<int> active_;
  Pass pass_;
  std::chrono::steady_clock::time_point lastFetch_{};
  std::chrono::steady_clock::time_point fetchDue_{};

  std::string progress_;
  std::string notice_;
  int noticeCount_ = 0;
  bool exportAvailable_ = false;
  int fills_ = 0;
  int incompleteFills_ = 0;
  std::string failure_;
  LocalDateTime resultsTime_;
};

}  // namespace vx::scanner
