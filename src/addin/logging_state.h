#pragma once
// The logging engine's state: one per thread of the host, shared by every engine instance
// on that thread, as the engine's module-wide state is in the spreadsheet program. It
// outlives a logging run; StopLogging resets the run's fields.

#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "automation/charts.h"
#include "automation/spreadsheet.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "visa/visa.h"

namespace vx::addin {

enum class BeginMode : int { AtOnce = 1, AtTime = 2, OnTrigger = 3 };
enum class StopMode : int { AfterReadings = 1, AtTime = 2 };
enum class ChartKind : int { None = 0, AllReadings = 1, Strip = 2 };

inline constexpr const char* kTitle = "Zemra K9-90/1 VX-Link";
inline constexpr ViUInt32 kLoggingTimeoutMs = 30000;
inline constexpr ViUInt32 kTriggerTimeoutMs = 1000;
inline constexpr size_t kReadBufferSize = 256;

struct LoggingState {
  automation::ApplicationPtr host;
  automation::WorksheetPtr sheet;
  automation::ChartPtr chart;
  // The one timer of the thread; timerId counts the timers started, so that a tick of a
  // timer that was replaced does nothing.
  std::unique_ptr<QTimer> timer;
  int timerId = 0;
  std::int32_t nextRow = 2;
  bool running = false;
  std::string workbookName;
  std::vector<std::string> languages;
  std::string language = "English(U.S)";
  std::int32_t readingsLimit = 0;
  std::int16_t hostVersion = 0;
  std::int16_t chartKind = 0;
  bool chartInSheet = false;
  std::int32_t beginMode = 0;
  double beginTime = 0;  // OLE date
  std::int32_t stopMode = 0;
  double stopTime = 0;  // OLE date
  double stopHours = 0;
  double stopMinutes = 0;
  double stopSeconds = 0;
  std::int32_t interval = 0;  // milliseconds
  bool triggerArmed = false;
  bool triggerSeen = false;
  std::int32_t pointsCell = 0;
  std::string title1 = kTitle;
  std::string title2 = kTitle;
  ViSession session = VI_NULL;
  ViStatus status = VI_SUCCESS;
  ViUInt32 retCount = 0;
  std::string readBuffer;
  bool ioFailed = false;
  ViUInt32 savedTimeout = 0;
  bool dualReading = false;
  std::string maker = "TOLVEX";
  std::string model = "W9-90";
  std::string model2a = "None Define";
  std::string model2b = "None Define";
  std::string usbFilter1 = "USB[0-9]::0x1F3A::0x0C21::?*INSTR";
  std::string usbFilter2 = "USB[0-9]::7994::3105::?*INSTR";
  // What the current timer runs.
  enum class Tick { None, Reading, AtTime, Trigger };
  Tick tick = Tick::None;
  // The session's timeout before the run, and whether it was taken.
  bool savedTimeoutTaken = false;
  // Where the engine's messages go and where its time comes from: those of the instance
  // that set up the run.
  Prompter* prompter = nullptr;
  const Clock* clock = nullptr;
};

// The state of the calling thread.
LoggingState& ThreadLoggingState();

// Sets the fields an instance sets when it is created.
void ResetInstanceFields(LoggingState& state);

}  // namespace vx::addin
