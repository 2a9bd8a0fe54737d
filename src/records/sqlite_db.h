#pragma once
// A thin owner of SQLite's handles: a connection, a prepared statement and a transaction.
// The wrapper only owns and forwards; it returns SQLite's result codes unchanged and leaves
// their meaning for the user to the record store. Nothing here throws.

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace vx::records::sql {

class Database {
 public:
  Database() = default;
  ~Database() { Close(); }
  Database(Database&& other) noexcept;
  Database& operator=(Database&& other) noexcept;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // sqlite3_open_v2 with `flags` (SQLITE_OPEN_READONLY, SQLITE_OPEN_READWRITE, SQLITE_OPEN_URI…).
  // On failure the connection stays open just long enough to keep its error message.
  int Open(const std::string& path, int flags);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

  // Runs one or more statements that return no rows of interest.
  int Execute(const char* sql);
  int SetBusyTimeout(int milliseconds);

  // The message and extended code of the last failure on this connection.
  std::string ErrorMessage() const;
  int ExtendedErrorCode() const;

  sqlite3* Handle() const { return handle_; }

 private:
  sqlite3* handle_ = nullptr;
};

class Statement {
 public:
  Statement() = default;
  ~Statement() { Finalize(); }
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  int Prepare(const Database& database, std::string_view sql);
  void Finalize();
  bool IsPrepared() const { return handle_ != nullptr; }

  // Parameters are numbered from 1, as in SQL text.
  int Bind(int index, double value);
  int Bind(int index, long long value);
  // SQLITE_ROW while rows come, SQLITE_DONE at the end, an error code otherwise.
  int Step();
  // Makes the statement ready to run again; bindings stay.
  int Reset();

  // Columns are numbered from 0.
  double ColumnDouble(int column) const;
  long long ColumnInteger(int column) const;
  bool ColumnIsNull(int column) const;
  std::string ColumnText(int column) const;
  std::optional<double> ColumnOptionalDouble(int column) const;

 private:
  sqlite3_stmt* handle_ = nullptr;
};

// An explicit transaction that rolls back unless committed. Immediate transactions take the
// write lock at once, so a writer learns at the start, not at the end, that another writer
// holds the file.
class Transaction {
 public:
  enum class Kind { Deferred, Immediate };

  explicit Transaction(Database& database) : database_(&database) {}
  ~Transaction() { Rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  int Begin(Kind kind = Kind::Immediate);
  int Commit();
  void Rollback();
  bool IsActive() const { return active_; }

 private:
  Database* database_;
  bool active_ = false;
};

}  // namespace vx::records::sql
