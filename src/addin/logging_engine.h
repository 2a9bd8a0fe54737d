#pragma once
// The worksheet-logging engine: it takes readings from the working meter session on a
// timer and writes them, time-stamped, into the logging sheet; it starts at once, at a set
// time or on the meter's external trigger, stops after a number of readings, at a stop time
// or on request, keeps the counters in their cells, defines the names a growing or strip
// chart follows, builds the chart after the first reading and sets up the scroll bars when a
// strip chart run ends. Ticks run on a QTimer of the host's thread.
//
// A LoggingEngine is a short-lived view on the thread's LoggingState: every operation reads
// and writes the state only.

#include <cstdint>
#include <string>
#include <string_view>

#include "addin/logging_state.h"
#include "automation/automation_error.h"

namespace vx::addin {

class LoggingEngine {
 public:
  explicit LoggingEngine(LoggingState& state);

  // Setters of a run.
  void SetNumberOfReading(std::int32_t count);
  automation::Status SetAtTime(const std::string& text);
  automation::Status SetBegin(std::int32_t mode);
  void SetTerminatingUpon(std::int32_t mode);
  automation::Status SetStopTime(const std::string& hours, const std::string& minutes,
                                 const std::string& seconds);
  // Binds `session` as the working session, asks it whether it gives two readings, and
  // defines the chart's names.
  automation::Status AddChart(std::int16_t kind, bool inSheet, ViSession session);

  // Run control.
  void StartTimer(std::int32_t intervalMs);
  void PauseTimer();
  void StopPause();
  void StopTimer();

  // What the current timer does on each tick; tests call it in place of the timer.
  void RunTick();

  // Internal steps, public for the trigger wait and the tests.
  void ReadingTick();
  void AtTimeTick();
  void TriggerTick();
  void SwitchToReading();
  void StopLogging();
  bool WriteCommand(std::string_view command);
  std::string ReadAnswer();

 private:
  automation::Status PrepareStart(std::int32_t intervalMs);
  void ArmTrigger();
  void ConfirmStopWhileArmed();
  void ReportTriggerError(ViStatus status);
  void StartTickTimer(int intervalMs, LoggingState::Tick tick);
  void KillTimer();
  void SetStatusLine(const std::string& text);
  void ReportIoFailure(ViStatus status);
  automation::Status WriteReading(const std::string& answer);
  // The counters in column F, and the chart at the run's first reading (a chart that could
  // not be made has stopped the run).
  automation::Status UpdateCounts();
  void CheckLimits();
  bool CreateChart();
  automation::Status BuildChart();
  automation::Status MoveChartShapes();
  void SetScrollBars();
  automation::Status ProgramScrollBars();
  automation::Status DefineChartNames();
  double Now() const;
  std::string SheetName() const;
  void Message(const std::string& text, MessageIcon icon = MessageIcon::None);

  LoggingState& state_;
};

}  // namespace vx::addin
