#pragma once
// The front panel's reading state and its tick, free of any window: which meters are read,
// what each answer shows, the histories behind the traces, and each device row's division,
// offset and zero-marker position.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/measurement_tables.h"
#include "panel/offset_entry.h"
#include "panel/trace_history.h"

namespace vx::panel {

inline constexpr int kNoDevice = 10;
inline constexpr std::array<int, 6> kReadingSpeeds{25, 50, 100, 500, 1000, 2000};
inline constexpr std::array<int, 6> kDotChoices{50, 100, 200, 500, 1000, 2000};
// A zero marker moves one division per step and stays on the display.
inline constexpr int kMarkerLimit = 4;

// Timer 1's period for a reading speed: a tick itself takes about 19 ms of it.
inline constexpr int TimerPeriodFor(int speedMilliseconds) {
  return speedMilliseconds - 19;
}

class ReadingLoop {
 public:
  static constexpr int kDevices = TraceHistory::kDevices;

  // Sends a command to the meter at a list position and returns its answer.
  using Query = std::function<std::string(int device, std::string_view command)>;
  // Logs a value into the record of a logging slot (0 to 3).
  using Log = std::function<void(int slot, double value)>;

  struct TickOutcome {
    std::array<std::optional<std::string>, kDevices> labels;  // by reading row
    bool redraw = false;
    // A meter gave no answer at all: reading must stop.
    bool connectionLost = false;
  };

  ReadingLoop();

  // --- Reading ---
  // The devices read by the next tick, in order: every listed meter in multi-device mode,
  // the current meter otherwise.
  int ReadCount() const { return multiDevice_ ? readCount_ : 1; }
  int ReadDevice(int i) const { return multiDevice_ ? i : currentDevice_; }
  // Which reading row and logging slot a read device uses.
  int RowOf(int i) const { return multiDevice_ ? i : 0; }

  void SetListedMeters(int count) { readCount_ = count; }
  void SetMultiDevice(bool on) { multiDevice_ = on; }
  bool MultiDevice() const { return multiDevice_; }
  void SetCurrentDevice(int device) { currentDevice_ = device; }
  int CurrentDevice() const { return currentDevice_; }

  // Start: histories and tick count cleared.
  void BeginRun();
  // Start keeps each read meter's answer to "func?": entry i in multi-device mode, entry 0
  // in single-device mode (where the tick consults the current meter's entry, which a
  // function button sets).
  void StoreStartFunction(int i, std::string answer);
  void SetRunning(bool running) { running_ = running; }
  bool Running() const { return running_; }
  // Reads every read device once. A device that gives no answer ends the tick: what the
  // devices before it answered is shown and logged, but no history gets a sample, so the
  // traces keep what the meters answered until then.
  TickOutcome Tick(const Query& query, const Log& log);

  void SetDeviceFunction(int device, std::string text);
  const std::string& DeviceFunction(int device) const;

  // --- Timing and display width ---
  // Choosing a speed entry: the timer period is its milliseconds minus 19.
  void ChooseSpeed(int milliseconds) { timerPeriod_ = TimerPeriodFor(milliseconds); }
  int TimerPeriod() const { return timerPeriod_; }
  void SetDots(int dots) { dots_ = dots; }
  int Dots() const { return dots_; }
  const TraceHistory& History() const { return history_; }
  void ClearHistories() { history_.Clear(); }

  // --- Division, offset and zero marker of a device row ---
  void SelectRow(int row) {
    if (row >= 0 && row < kDevices) selectedRow_ = row;
  }
  int SelectedRow() const { return selectedRow_; }
  // The device whose division, offset and zero marker the controls edit: in multi-device
  // mode the row the radio buttons chose; in single-device mode the current meter, whose
  // trace row 1 shows (the selected row while no meter is current).
  int EditedDevice() const;
  int DivisionIndex(int device) const { return divisionIndex_[Slot(device)]; }
  double DivisionValue(int device) const { return divisionValue_[Slot(device)]; }
  double Factor(int device) const {
    return DivisionTable[static_cast<size_t>(DivisionIndex(device))].factor;
  }
  double Offset(int device) const { return offset_[Slot(device)]; }
  int MarkerPosition(int device) const { return position_[Slot(device)]; }
  // The edited device's division one step larger (towards "20000") or smaller (towards
  // "100 n"); the offset follows from the offset text. False at the end of the table.
  bool StepDivision(bool larger, std::string_view offsetText);
  // "SET": the checked offset text; returns the check for the window to report.
  OffsetEntry ApplyOffsetText(std::string_view offsetText);
  // Enter in the offset field: the text's number becomes the offset as it stands.
  std::optional<double> ApplyOffsetDirectly(std::string_view offsetText);
  // The offset text a row shows when it is selected: its offset without the marker part.
  std::string OffsetTextOf(int device) const;
  // Moves the edited device's zero marker one division up or down; false at the limit.
  bool MoveMarker(bool up, std::string_view offsetText);
  void ResetRow(int device);

 private:
  static size_t Slot(int device) {
    return static_cast<size_t>(device < 0 || device >= kDevices ? 0 : device);
  }
  void RecomputeOffset(std::string_view offsetText);

  bool running_ = false;
  bool multiDevice_ = false;
  int readCount_ = 0;
  int currentDevice_ = kNoDevice;
  // Before the first choice, the period of the speed the list shows first.
  int timerPeriod_ = TimerPeriodFor(kReadingSpeeds[0]);
  int tickCount_ = 0;
  int dots_ = 100;
  int selectedRow_ = 0;
  TraceHistory history_;
  std::array<std::string, kDevices> deviceFunction_;
  std::array<int, kDevices> divisionIndex_;
  std::array<double, kDevices> divisionValue_;
  std::array<int, kDevices> position_{};
  std::array<double, kDevices> offset_{};
};

// The number a division step stands for: "500m" is 0.5, "2 u" 2E-6, "100 n" 1E-7.
double DivisionStepValue(std::string_view stepText);

}  // namespace vx::panel
