#pragma once
// The front panel's logging of readings into record files: one append session per logging
// device slot, opened at Start, appended to on every tick, committed on a timer and closed at
// Stop. Free of windows: the panel shows what it reports.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "config/reading_mode.h"
#include "records/append_session.h"

namespace vx::panel {

class RecordLogger {
 public:
  static constexpr int kSlots = 4;

  struct Problem {
    std::string text;
    std::string title;
  };
  struct OpenOutcome {
    // "Record 1,Record 3": the records that already held readings, for the question asked
    // before appending to them; empty when none did.
    std::string continueNotice;
    // What went wrong, to be shown in order. A record folder that cannot be entered is
    // reported once; its slots do not log.
    std::vector<Problem> problems;
    // A record that could not be opened for another reason: the run must not start.
    bool failed = false;
  };

  explicit RecordLogger(const Clock& clock) : clock_(clock) {}

  // Opens the record of every slot from 0 to `readCount` - 1 whose saveFlag is set.
  OpenOutcome Open(const config::ReadingModeSettings& settings, int readCount);
  bool Logging(int slot) const;
  // Appends a reading of a slot taken now. A slot without an open record does nothing.
  records::Status Append(int slot, double value);
  // Called by the panel's timer every AppendSession::kCheckInterval: readings reach the file
  // while no new ones come.
  records::Status CommitIfDue();
  struct CloseOutcome {
    records::Status status;   // the first failure (the other records are closed anyway)
    std::size_t unsaved = 0;  // the readings of all records that could not be saved
  };
  // Closes every record.
  CloseOutcome CloseAll();
  bool AnyOpen() const;

 private:
  const Clock& clock_;
  std::array<std::optional<records::AppendSession>, kSlots> sessions_;
};

// The question asked before appending to records that already hold readings.
std::string ContinueQuestion(const std::string& notice);

}  // namespace vx::panel
