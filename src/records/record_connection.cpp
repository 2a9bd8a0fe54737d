#include "records/record_connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/c_number.h"

namespace vx::records::detail {
namespace {

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// The tables of a record file as the readers and writers use them. A statement that names
// them cannot even be prepared on a database that lacks them.
constexpr const char* kTableProbes[] = {"SELECT read_value, read_time FROM read LIMIT 0",
                                        "SELECT r_date FROM read_date LIMIT 0"};
// IF NOT EXISTS: two writers creating the same record at once both succeed.
constexpr const char* kCreateTables =
    "CREATE TABLE IF NOT EXISTS read(read_value REAL, read_time REAL);"
    "CREATE TABLE IF NOT EXISTS read_date(r_date REAL);";

// What looking at a database's tables found: an engine failure, a database without any
// table, one that is not a record file, or the record tables in place.
struct TableCheck {
  int code = SQLITE_OK;
  bool blank = false;
  bool foreign = false;
};

TableCheck CheckTables(sql::Database& database) {
  sql::Statement count;
  int rc = count.Prepare(database, "SELECT count(*) FROM sqlite_master");
  if (rc == SQLITE_OK) rc = count.Step();
  if (rc != SQLITE_ROW) return {rc, false, false};
  if (count.ColumnInteger(0) == 0) return {SQLITE_OK, true, true};
  for (const char* probe : kTableProbes) {
    sql::Statement statement;
    rc = statement.Prepare(database, probe);
    // A plain SQL error here is a missing table or column: some other database.
    if ((rc & 0xff) == SQLITE_ERROR) return {SQLITE_OK, false, true};
    if (rc != SQLITE_OK) return {rc, false, false};
  }
  return {};
}

int CreateTables(sql::Database& database) {
  sql::Transaction transaction(database);
  int rc = transaction.Begin();
  if (rc == SQLITE_OK) rc = database.Execute(kCreateTables);
  if (rc == SQLITE_OK) rc = transaction.Commit();
  return rc;
}

// Write-ahead log with full synchronisation: a commit flushes only the log, what it saved
// survives a killed writer and a power loss alike, and readers never wait for the writer.
int UseWriteAheadLog(sql::Database& database) {
  sql::Statement mode;
  int rc = mode.Prepare(database, "PRAGMA journal_mode=WAL");
  if (rc == SQLITE_OK) rc = mode.Step();
  if (rc != SQLITE_ROW) return rc;
  if (!EqualsNoCase(mode.ColumnText(0), "wal")) return SQLITE_READONLY;
  mode.Finalize();
  return database.Execute("PRAGMA synchronous=FULL");
}

Status CheckStatus(const TableCheck& check, const sql::Database& database,
                   std::string_view fileName) {
  if (check.foreign) return EngineStatus(SQLITE_NOTADB, fileName, "");
  return EngineStatus(database, check.code, fileName);
}

// "file:" URI of a path, with every character outside the unreserved set escaped.
std::string FileUri(const std::string& path) {
  std::string uri = "file:";
  for (const unsigned char c : path) {
    const bool letterOrDigit =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (letterOrDigit || c == '/' || c == '.' || c == '_' || c == '-' || c == '~')
      uri += static_cast<char>(c);
    else
      uri += FormatC("%%%02X", static_cast<unsigned>(c));
  }
  return uri;
}

Status CreationFailure(int error, std::string_view fileName) {
  const std::string file(fileName);
  switch (error) {
    case EEXIST:
      return Status::Failure(StoreError::AlreadyExists, file + " already exists.");
    case EACCES:
    case EPERM:
    case EROFS:
      return Status::Failure(StoreError::ReadOnly,
                             file + " cannot be created: the record folder is read-only.");
    case ENOSPC:
    case EDQUOT:
      return Status::Failure(StoreError::DiskFull,
                             "The disk is full: " + file + " cannot be created.");
    case ENOENT:
    case ENOTDIR:
      return Status::Failure(StoreError::FolderNotFound, kFolderNotFoundMessage);
    default:
      return Status::Failure(StoreError::Engine, file + " cannot be created: " +
                                                     std::generic_category().message(error) + ".");
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

Status EngineStatus(int code, std::string_view fileName, std::string_view engineMessage) {
  const std::string file(fileName);
  switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return Status::Success();
    case SQLITE_NOTADB:
      return Status::Failure(StoreError::NotARecordFile, file + " is not a record file.");
    case SQLITE_CORRUPT:
      return Status::Failure(StoreError::Damaged, file + " is damaged and cannot be read.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Status::Failure(StoreError::Locked,
                             file + " is in use by another program. Try again when it is free.");
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return Status::Failure(StoreError::ReadOnly,
                             file +
                                 " cannot be written: the record folder or the file is "
                                 "read-only.");
    case SQLITE_FULL:
      return Status::Failure(StoreError::DiskFull,
                             "The disk is full: " + file + " cannot be written.");
    case SQLITE_CANTOPEN:
      return Status::Failure(StoreError::Engine, file + " cannot be opened.");
    default:
      return Status::Failure(StoreError::Engine, file + ": " + std::string(engineMessage) + ".");
  }
}

Status EngineStatus(const sql::Database& database, int code, std::string_view fileName) {
  return EngineStatus(code, fileName, database.ErrorMessage());
}

std::string FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

Result<sql::Database> OpenForReading(const std::string& path) {
  const std::string name = FileNameOf(path);
  if (!Exists(path)) return Status::Failure(StoreError::Missing, name + " does not exist.");
  sql::Database database;
  int rc = database.Open(path, SQLITE_OPEN_READONLY);
  if (rc != SQLITE_OK) return EngineStatus(database, rc, name);
  database.SetBusyTimeout(kBusyTimeoutMs);
  TableCheck check = CheckTables(database);
  const int primary = check.code & 0xff;
  // A reader of a write-ahead-log database needs its shared-memory file. In a folder where
  // that file cannot be made no writer can be at work either (it would need the log file
  // beside it), so the database file alone is the whole record and is read as it stands.
  if ((primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN) && !Exists(path + "-wal")) {
    rc = database.Open(FileUri(path) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    if (rc != SQLITE_OK) return EngineStatus(database, rc, name);
    check = CheckTables(database);
  }
  if (check.code != SQLITE_OK || check.foreign) return CheckStatus(check, database, name);
  return database;
}

Result<sql::Database> OpenForWriting(const std::string& path) {
  const std::string name = FileNameOf(path);
  if (!Exists(path)) return Status::Failure(StoreError::Missing, name + " does not exist.");
  // The write-ahead log and its index are files beside the record: without a writable
  // folder there is no writing, whatever the file's own permissions say.
  if (access(FolderOf(path).c_str(), W_OK) != 0) return EngineStatus(SQLITE_READONLY, name, "");
  sql::Database database;
  int rc = database.Open(path, SQLITE_OPEN_READWRITE);
  if (rc != SQLITE_OK) return EngineStatus(database, rc, name);
  // SQLite quietly opens a file it may not write for reading only.
  if (sqlite3_db_readonly(database.Handle(), "main") == 1)
    return EngineStatus(SQLITE_READONLY, name, "");
  database.SetBusyTimeout(kBusyTimeoutMs);
  // The tables are looked at before anything is written: a database of some other program
  // must leave this function exactly as it came.
  const TableCheck check = CheckTables(database);
  if (check.code != SQLITE_OK || (check.foreign && !check.blank))
    return CheckStatus(check, database, name);
  rc = UseWriteAheadLog(database);
  if (rc == SQLITE_OK && check.blank) rc = CreateTables(database);
  if (rc != SQLITE_OK) return EngineStatus(database, rc, name);
  return database;
}

Result<sql::Database> CreateAndOpen(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return CreationFailure(errno, FileNameOf(path));
  // The file is new, so no connection of this process has it open and closing this
  // descriptor cannot drop anybody's locks on it.
  close(fd);
  Result<sql::Database> database = OpenForWriting(path);
  if (!database.Ok()) RemoveWithJournals(path);
  return database;
}

void RemoveWithJournals(const std::string& path) {
  unlink(path.c_str());
  unlink((path + "-wal").c_str());
  unlink((path + "-shm").c_str());
}

}  // namespace vx::records::detail
