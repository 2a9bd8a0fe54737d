#pragma once
// Opening record files the way every reader and writer must, and turning the engine's
// failures into the store's statuses. Used inside the record store only.

#include <string>
#include <string_view>

#include "records/sqlite_db.h"
#include "records/store_status.h"

namespace vx::records::detail {

// How long a connection waits for another writer's lock before reporting the file as in use.
// Writers hold the lock for one grouped commit (well under a second), so a second writer or a
// checkpointing reader normally gets through; a file held longer is reported, not waited for.
inline constexpr int kBusyTimeoutMs = 1000;

// The status for engine result `code` on file `fileName` ("DBfile_DB3.db"), with the engine's
// own text for failures the store has no words of its own for.
Status EngineStatus(int code, std::string_view fileName, std::string_view engineMessage);
Status EngineStatus(const sql::Database& database, int code, std::string_view fileName);

// The last component of a path, for messages.
std::string FileNameOf(std::string_view path);

// A read-only connection on an existing record file, with its tables checked. A file in a
// folder the process cannot write (so no journal can be made and no writer can be at work)
// is read as it stands on disk.
Result<sql::Database> OpenForReading(const std::string& path);

// A read-write connection in write-ahead-log mode with full synchronisation, never in
// exclusive locking mode, so that readers on other connections keep working. A database
// without any table (a file whose creation was cut short) gets the record tables; any
// other database must already have them.
Result<sql::Database> OpenForWriting(const std::string& path);

// Creates the file exclusively (an existing file is never touched) and gives it the record
// tables. A file that cannot be completed is removed again.
Result<sql::Database> CreateAndOpen(const std::string& path);

// Removes the file and the journal files beside it; missing ones are not an error.
void RemoveWithJournals(const std::string& path);

}  // namespace vx::records::detail
