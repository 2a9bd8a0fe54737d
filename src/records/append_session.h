#pragma once
// The writers' side of a record file: open it for appending, stamp the start of the run, and
// append readings in grouped transactions.
//
// Appends are kept in memory and committed together when 1000 are pending or the oldest has
// waited 250 ms, and when the session closes. A crash therefore loses at most the readings of
// the last 250 ms (plus the owner's timer period), while a single commit per reading would cap
// logging at a few hundred readings a second. Readers on other connections see every
// committed reading at once and are never blocked by the writer (write-ahead log).
//
// A commit that fails (disk full, file locked) keeps its readings pending and is tried again
// no sooner than 250 ms later; committed readings are never touched. The call that tried
// reports the failure.

#include <chrono>
#include <cstddef>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/local_time.h"
#include "records/sqlite_db.h"
#include "records/store_status.h"

namespace vx::records {

class AppendSession {
 public:
  static constexpr std::size_t kCommitRows = 1000;
  static constexpr std::chrono::milliseconds kCommitAge{250};

  AppendSession(AppendSession&& other) noexcept = default;
  // Closes this session (committing what is pending) before taking the other's place.
  AppendSession& operator=(AppendSession&& other) noexcept;
  AppendSession(const AppendSession&) = delete;
  AppendSession& operator=(const AppendSession&) = delete;
  // Closes; an owner that wants to know whether the last readings were saved calls Close().
  ~AppendSession();

  // Adds one reading taken at local time `time`; its time of day in whole seconds is stored.
  // Commits when the grouping limits are reached.
  Status Append(double value, const LocalDateTime& time);
  // Commits when 1000 readings are pending or the oldest has waited 250 ms. The owner calls
  // it from a 250 ms timer so that readings reach the file while no new ones come.
  Status CommitIfDue();
  // Commits every pending reading now.
  Status Commit();
  // Commits and closes the file; later appends report StoreError::Closed.
  Status Close();

  bool IsOpen() const { return database_.IsOpen(); }
  int Record() const { return record_; }
  // Whether the record file was there before this session opened it.
  bool FileExisted() const { return fileExisted_; }
  // The start stamp written when the session opened (an OLE date).
  double Stamp() const { return stamp_; }
  std::size_t PendingRows() const { return pending_.size(); }
  // Readings this session has committed so far.
  long long CommittedRows() const { return committedRows_; }

 private:
  friend Result<AppendSession> OpenRecordForAppend(std::string_view folder, int record,
                                                   const Clock& clock);
  struct PendingRow {
    double value;
    double time;
  };

  AppendSession(sql::Database database, sql::Statement insert, const Clock& clock, int record,
                bool fileExisted, double stamp);
  Status CommitPending(std::chrono::steady_clock::time_point now);

  sql::Database database_;
  sql::Statement insert_;  // after database_: finalized before the connection closes
  const Clock* clock_;
  int record_;
  bool fileExisted_;
  double stamp_;
  std::vector<PendingRow> pending_;
  std::chrono::steady_clock::time_point oldestPending_{};
  std::chrono::steady_clock::time_point retryAfter_{};
  long long committedRows_ = 0;
};

// Opens record `record` in `folder` for appending: creates the file when it is missing (old
// readings of an existing file stay and new ones follow them), sets its start stamp to the
// clock's local date and time (editing the stamp row, or adding it when there is none), and
// keeps the file open for appending. The clock must outlive the session.
Result<AppendSession> OpenRecordForAppend(std::string_view folder, int record, const Clock& clock);
// The same in the record folder, which it enters first (StoreError::FolderNotFound and
// kFolderNotFoundMessage when it cannot).
Result<AppendSession> OpenRecordForAppend(int record, const Clock& clock);

// One reading into an open session.
Status AppendReading(AppendSession& session, double value, const LocalDateTime& time);

}  // namespace vx::records
