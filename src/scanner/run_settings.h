#pragma once
// The run settings of the scanner window, as its fields hold them, and how the check boxes
// enable each other.

#include <string>

#include "common/local_time.h"

namespace vx::scanner {

enum class ScanMode { Scan, Step };

struct RunSettings {
  // Texts as typed; Start checks and takes them.
  std::string timerText = "0.5";
  std::string scanCountText = "20";
  std::string passesText = "1";
  ScanMode mode = ScanMode::Scan;
  bool atTimeOn = false;
  LocalDateTime atTime;
  bool perScanOn = false;
  int intervalHours = 0;
  int intervalMinutes = 0;
  int intervalSeconds = 10;
  bool stopTimeOn = false;
  LocalDateTime stopTime;
  bool stopAfterOn = false;

  int IntervalSeconds() const {
    return intervalHours * 3600 + intervalMinutes * 60 + intervalSeconds;
  }
};

// Which fields the check boxes leave enabled. Scan count counts only in a plain run, so it
// is off whenever "PerScan Interval" or "Stop After N scans" is on. "Stop Time" ends a
// PerScan run, unless N passes end it: it is enabled only with "PerScan Interval" on and
// "Stop After N scans" off, and a disabled "Stop Time" is also cleared.
struct OptionEnabling {
  bool scanCount = true;
  bool stopTime = false;
};

inline OptionEnabling EnablingFor(bool perScanOn, bool stopAfterOn) {
  return {!perScanOn && !stopAfterOn, perScanOn && !stopAfterOn};
}

}  // namespace vx::scanner
