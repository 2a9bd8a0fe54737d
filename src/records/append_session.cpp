#include "records/append_session.h"

#include <unistd.h>

#include <string>
#include <utility>

#include "common/c_number.h"
#include "records/record_connection.h"
#include "records/record_file.h"
#include "records/record_folder.h"
#include "records/record_format.h"

namespace vx::records {
namespace {

// Edits the stamp row, or adds it when the table has none. A table holding more than one
// row (not made by this system) gets its first row edited, the one readers take.
int WriteStamp(sql::Database& database, double stamp) {
  sql::Transaction transaction(database);
  int rc = transaction.Begin();
  if (rc != SQLITE_OK) return rc;
  sql::Statement find;
  rc = find.Prepare(database, "SELECT rowid FROM read_date ORDER BY rowid LIMIT 1");
  if (rc == SQLITE_OK) rc = find.Step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return rc;
  sql::Statement write;
  if (rc == SQLITE_ROW) {
    const long long rowid = find.ColumnInteger(0);
    rc = write.Prepare(database, "UPDATE read_date SET r_date = ?1 WHERE rowid = ?2");
    if (rc == SQLITE_OK) rc = write.Bind(2, rowid);
  } else {
    rc = write.Prepare(database, "INSERT INTO read_date(r_date) VALUES(?1)");
  }
  if (rc == SQLITE_OK) rc = write.Bind(1, stamp);
  if (rc == SQLITE_OK) rc = write.Step();
  if (rc != SQLITE_DONE) return rc;
  find.Finalize();
  write.Finalize();
  return transaction.Commit();
}

// The start of a run in whole seconds, as the platform clock of the record format gives it.
double StampOf(LocalDateTime time) {
  time.millisecond = 0;
  return ToOleDate(time);
}

}  // namespace

AppendSession::AppendSession(sql::Database database, sql::Statement insert, const Clock& clock,
                             int record, bool fileExisted, double stamp)
    : database_(std::move(database)),
      insert_(std::move(insert)),
      clock_(&clock),
      record_(record),
      fileExisted_(fileExisted),
      stamp_(stamp) {
  pending_.reserve(kCommitRows);
  // The window that appends must not stall on another program's lock.
  database_.SetBusyTimeout(static_cast<int>(kLockWait.count()));
}

AppendSession& AppendSession::operator=(AppendSession&& other) noexcept {
  if (this != &other) {
    Close();
    database_ = std::move(other.database_);
    insert_ = std::move(other.insert_);
    clock_ = other.clock_;
    record_ = other.record_;
    fileExisted_ = other.fileExisted_;
    stamp_ = other.stamp_;
    pending_ = std::move(other.pending_);
    oldestPending_ = other.oldestPending_;
    retryAfter_ = other.retryAfter_;
    lockedSince_ = other.lockedSince_;
    committedRows_ = other.committedRows_;
    lostRows_ = other.lostRows_;
  }
  return *this;
}

AppendSession::~AppendSession() {
  Close();
}

bool AppendSession::Due(std::chrono::steady_clock::time_point now) const {
  if (pending_.size() < kCommitRows && now - oldestPending_ < kCommitAge) return false;
  return now >= retryAfter_;
}

Status AppendSession::Append(double value, const LocalDateTime& time) {
  if (!IsOpen())
    return Status::Failure(StoreError::Closed,
                           RecordFileName(record_) + " is closed: the reading was not saved.");
  const auto now = clock_->Steady();
  if (pending_.empty()) oldestPending_ = now;
  // The time of day as "%H:%M:%S" gives it: whole seconds on day zero.
  pending_.push_back({value, OleTimeOfDay(time.hour, time.minute, time.second)});
  // Memory for a locked file is bounded: at the bound the lock is tried once more, then told.
  if (lockedSince_ && pending_.size() >= kMaxPendingRows) return CommitPending(now, true);
  return Due(now) ? CommitPending(now, true) : Status::Success();
}

Status AppendSession::CommitIfDue() {
  if (pending_.empty() || !IsOpen()) return Status::Success();
  const auto now = clock_->Steady();
  return Due(now) ? CommitPending(now, true) : Status::Success();
}

Status AppendSession::Commit() {
  if (pending_.empty() || !IsOpen()) return Status::Success();
  return CommitPending(clock_->Steady(), false);
}

Status AppendSession::WriteRows() {
  sql::Transaction transaction(database_);
  int rc = transaction.Begin();
  for (auto row = pending_.begin(); rc == SQLITE_OK && row != pending_.end(); ++row) {
    insert_.Bind(1, row->value);
    insert_.Bind(2, row->time);
    rc = insert_.Step();
    insert_.Reset();
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  if (rc == SQLITE_OK) rc = transaction.Commit();
  if (rc == SQLITE_OK) return Status::Success();
  const Status failure = detail::EngineStatus(database_, rc, RecordFileName(record_));
  transaction.Rollback();
  return failure;
}

Status AppendSession::LockedTooLong() const {
  const std::string record = FormatC("Record %d (%s)", record_, RecordFileName(record_).c_str());
  if (pending_.size() >= kMaxPendingRows)
    return Status::Failure(StoreError::Locked,
                           record + FormatC(" is locked by another program, and %zu readings are "
                                            "waiting to be saved.",
                                            pending_.size()));
  return Status::Failure(StoreError::Locked,
                         record + " has been locked by another program for more than 5 seconds.");
}

Status AppendSession::CommitPending(std::chrono::steady_clock::time_point now, bool patient) {
  const Status written = WriteRows();
  if (written.Ok()) {
    committedRows_ += static_cast<long long>(pending_.size());
    pending_.clear();
    lockedSince_.reset();
    return written;
  }
  if (written.error != StoreError::Locked) {
    retryAfter_ = now + kCommitAge;
    return written;
  }
  if (!lockedSince_) lockedSince_ = now;
  retryAfter_ = now + kLockRetry;
  if (!patient) return written;
  if (now - *lockedSince_ > kLockPatience || pending_.size() >= kMaxPendingRows)
    return LockedTooLong();
  return Status::Success();
}

Status AppendSession::Close() {
  if (!IsOpen()) return Status::Success();
  Status status = Commit();
  if (!status.Ok()) {
    lostRows_ = pending_.size();
    status.message += FormatC(" %zu readings were not saved.", lostRows_);
  }
  pending_.clear();
  insert_.Finalize();
  database_.Close();
  return status;
}

Result<AppendSession> OpenRecordForAppend(std::string_view folder, int record, const Clock& clock) {
  if (!IsRecordNumber(record)) return InvalidRecordStatus(record);
  const std::string path = RecordFilePath(folder, record);
  bool existed = access(path.c_str(), F_OK) == 0;
  Result<sql::Database> opened =
      existed ? detail::OpenForWriting(path) : detail::CreateAndOpen(path);
  if (!existed && opened.GetStatus().error == StoreError::AlreadyExists) {
    existed = true;  // another writer created it a moment ago
    opened = detail::OpenForWriting(path);
  }
  if (!opened.Ok()) return opened.GetStatus();
  sql::Database& database = opened.Value();
  const std::string name = RecordFileName(record);
  const double stamp = StampOf(clock.LocalNow());
  int rc = WriteStamp(database, stamp);
  if (rc != SQLITE_OK) return detail::EngineStatus(database, rc, name);
  sql::Statement insert;
  rc = insert.Prepare(database, "INSERT INTO read(read_value, read_time) VALUES(?1, ?2)");
  if (rc != SQLITE_OK) return detail::EngineStatus(database, rc, name);
  return AppendSession(std::move(database), std::move(insert), clock, record, existed, stamp);
}

Result<AppendSession> OpenRecordForAppend(int record, const Clock& clock) {
  Result<std::string> folder = EnterRecordFolder();
  if (!folder.Ok()) return folder.GetStatus();
  return OpenRecordForAppend(folder.Value(), record, clock);
}

Status AppendReading(AppendSession& session, double value, const LocalDateTime& time) {
  return session.Append(value, time);
}

}  // namespace vx::records
