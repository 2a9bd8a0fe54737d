#pragma once
// Keeps a workbook's file at most one interval behind the sheet without holding up the
// thread that fills it: each save writes a snapshot of the workbook on another thread, so a
// reading is never late because the file is being written, however large the sheet grows.

#include <chrono>
#include <functional>
#include <string>

#include "automation/spreadsheet.h"

namespace vx::linkhost {

class PeriodicSave {
 public:
  using Clock = std::chrono::steady_clock;
  // `report` receives the words of a save that failed.
  PeriodicSave(automation::WorkbookPtr book, std::string path, std::chrono::milliseconds every,
               std::function<void(const std::string&)> report);
  ~PeriodicSave();
  PeriodicSave(const PeriodicSave&) = delete;
  PeriodicSave& operator=(const PeriodicSave&) = delete;

  // Called often on the thread that fills the workbook: collects a save that has ended
  // (reporting a failure) and begins the next one once `every` has passed since the last
  // began. Never waits for a save.
  void Poll(Clock::time_point now = Clock::now());
  // Waits for a save still going, then saves the workbook as it is now: the file holds
  // everything. What SaveAs gives.
  automation::Status Finish();

  // Saves begun in the background so far, and how many of them failed.
  int Started() const { return started_; }
  int Failed() const { return failed_; }

 private:
  void Collect(bool wait);

  automation::WorkbookPtr book_;
  std::string path_;
  std::chrono::milliseconds every_;
  std::function<void(const std::string&)> report_;
  automation::PendingSavePtr pending_;
  Clock::time_point lastBegun_;
  int started_ = 0;
  int failed_ = 0;
};

}  // namespace vx::linkhost
