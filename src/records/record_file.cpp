#include "records/record_file.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "common/c_number.h"
#include "records/record_connection.h"
#include "records/record_folder.h"
#include "records/record_format.h"

namespace vx::records {
namespace {

// Whether some other connection has the file open. In write-ahead-log mode every connection
// holds a shared lock on the database file while it is open; a connection in exclusive
// locking mode must take the exclusive lock for its first read, which it cannot while any
// other connection (in this process or another) has the file.
bool InUse(const std::string& path) {
  sql::Database probe;
  int rc = probe.Open(path, SQLITE_OPEN_READWRITE);
  if (rc == SQLITE_OK)
    rc = probe.Execute("PRAGMA locking_mode=EXCLUSIVE; SELECT count(*) FROM sqlite_master;");
  const int primary = rc & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

}  // namespace

Status InvalidRecordStatus(int record) {
  return Status::Failure(StoreError::InvalidRecord,
                         FormatC("There is no record %d: records are numbered 1 to 10.", record));
}

Status CreateRecordFile(std::string_view folder, int record) {
  if (!IsRecordNumber(record)) return InvalidRecordStatus(record);
  Result<sql::Database> database = detail::CreateAndOpen(RecordFilePath(folder, record));
  return database.Ok() ? Status::Success() : database.GetStatus();
}

Status DeleteRecordFile(std::string_view folder, int record) {
  if (!IsRecordNumber(record)) return InvalidRecordStatus(record);
  const std::string path = RecordFilePath(folder, record);
  const std::string name = RecordFileName(record);
  if (access(path.c_str(), F_OK) != 0)
    return Status::Failure(StoreError::Missing, name + " does not exist.");
  if (InUse(path))
    return Status::Failure(StoreError::Locked,
                           name +
                               " is open in a running logging or multiple-readings run or in "
                               "another program, and was not deleted.");
  // No hidden or system attribute to clear first: Linux files have none.
  if (unlink(path.c_str()) != 0) {
    const int error = errno;
    if (error == EACCES || error == EPERM || error == EROFS)
      return Status::Failure(StoreError::ReadOnly,
                             name + " cannot be deleted: the record folder is read-only.");
    return Status::Failure(StoreError::Engine, name + " cannot be deleted: " +
                                                   std::generic_category().message(error) + ".");
  }
  // A log file left beside a new file of the same name must never be taken for its journal.
  unlink((path + "-wal").c_str());
  unlink((path + "-shm").c_str());
  return Status::Success();
}

}  // namespace vx::records
