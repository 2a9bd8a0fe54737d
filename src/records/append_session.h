#pragma once
// The writers' side of a record file: open it for appending, stamp the start of the run, and
// append readings in grouped transactions.
//
// Appends are kept in memory and committed together when 1000 are pending or the oldest has
// waited 200 ms, and when the session closes. Every append looks whether a commit is due and
// the owner looks at least every 50 ms, so no reading waits more than 250 ms (plus the time
// of one reading, during which nothing can look) before it is committed, while a single
// commit per reading would cap logging at a few hundred readings a second. A commit is
// synchronised in full: what it saved survives a power loss as well as a killed program.
// Readers on other connections see every committed reading at once and are never blocked by
// the writer (write-ahead log).
//
// Another program may hold the file's write lock for a while. A due commit then waits at most
// 20 ms for it, keeps its readings in memory and tries again 100 ms later, without a word;
// only a lock that outlasts 5 s, or more than 100000 readings waiting, is reported. Any other
// failure (a full disk) keeps the readings pending, is tried again no sooner than 200 ms
// later, and is reported by the call that tried. Committed readings are never touched.

#include <chrono>
#include <cstddef>
#include <optional>
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
  static constexpr std::chrono::milliseconds kCommitAge{200};
  // How often the owner calls CommitIfDue while readings may be pending.
  static constexpr std::chrono::milliseconds kCheckInterval{50};
  // The longest a commit waits for another program's lock, and when it tries again.
  static constexpr std::chrono::milliseconds kLockWait{20};
  static constexpr std::chrono::milliseconds kLockRetry{100};
  // A lock held longer than this is reported.
  static constexpr std::chrono::seconds kLockPatience{5};
  // The readings kept in memory for a locked file; beyond them the lock is reported at once.
  static constexpr std::size_t kMaxPendingRows = 100000;

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
  // Commits when 1000 readings are pending or the oldest has waited 200 ms. The owner calls
  // it every kCheckInterval so that readings reach the file while no new ones come.
  Status CommitIfDue();
  // Commits every pending reading now; a locked file is reported at once.
  Status Commit();
  // Commits and closes the file; later appends report StoreError::Closed. When the last
  // commit fails, the message ends with the number of readings that were not saved.
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
  // Readings that Close could not save.
  std::size_t LostRows() const { return lostRows_; }

 private:
  friend Result<AppendSession> OpenRecordForAppend(std::string_view folder, int record,
                                                   const Clock& clock);
  struct PendingRow {
    double value;
    double time;
  };

  AppendSession(sql::Database database, sql::Statement insert, const Clock& clock, int record,
                bool fileExisted, double stamp);
  bool Due(std::chrono::steady_clock::time_point now) const;
  // `patient`: a locked file is not a failure until the lock has lasted too long.
  Status CommitPending(std::chrono::steady_clock::time_point now, bool patient);
  Status WriteRows();
  Status LockedTooLong() const;

  sql::Database database_;
  sql::Statement insert_;  // after database_: finalized before the connection closes
  const Clock* clock_;
  int record_;
  bool fileExisted_;
  double stamp_;
  std::vector<PendingRow> pending_;
  std::chrono::steady_clock::time_point oldestPending_{};
  std::chrono::steady_clock::time_point retryAfter_{};
  // Since when the commits have found the file locked by another program.
  std::optional<std::chrono::steady_clock::time_point> lockedSince_;
  long long committedRows_ = 0;
  std::size_t lostRows_ = 0;
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
