#include "records/sqlite_db.h"

#include <utility>

namespace vx::records::sql {

Database::Database(Database&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

int Database::Open(const std::string& path, int flags) {
  Close();
  const int rc = sqlite3_open_v2(path.c_str(), &handle_, flags, nullptr);
  if (rc == SQLITE_OK) sqlite3_extended_result_codes(handle_, 1);
  return rc;
}

void Database::Close() {
  // close_v2 defers the close until statements still alive are finalized, so the order in
  // which owners are destroyed can never leave the connection half closed.
  if (handle_) sqlite3_close_v2(handle_);
  handle_ = nullptr;
}

int Database::Execute(const char* sql) {
  if (!handle_) return SQLITE_MISUSE;
  return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr);
}

int Database::SetBusyTimeout(int milliseconds) {
  if (!handle_) return SQLITE_MISUSE;
  return sqlite3_busy_timeout(handle_, milliseconds);
}

std::string Database::ErrorMessage() const {
  if (!handle_) return "out of memory";
  return sqlite3_errmsg(handle_);
}

int Database::ExtendedErrorCode() const {
  return handle_ ? sqlite3_extended_errcode(handle_) : SQLITE_NOMEM;
}

Statement::Statement(Statement&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    Finalize();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

int Statement::Prepare(const Database& database, std::string_view sql) {
  Finalize();
  if (!database.IsOpen()) return SQLITE_MISUSE;
  return sqlite3_prepare_v2(database.Handle(), sql.data(), static_cast<int>(sql.size()), &handle_,
                            nullptr);
}

void Statement::Finalize() {
  if (handle_) sqlite3_finalize(handle_);
  handle_ = nullptr;
}

int Statement::Bind(int index, double value) {
  return handle_ ? sqlite3_bind_double(handle_, index, value) : SQLITE_MISUSE;
}

int Statement::Bind(int index, long long value) {
  return handle_ ? sqlite3_bind_int64(handle_, index, value) : SQLITE_MISUSE;
}

int Statement::Step() {
  return handle_ ? sqlite3_step(handle_) : SQLITE_MISUSE;
}

int Statement::Reset() {
  return handle_ ? sqlite3_reset(handle_) : SQLITE_MISUSE;
}

double Statement::ColumnDouble(int column) const {
  return sqlite3_column_double(handle_, column);
}

long long Statement::ColumnInteger(int column) const {
  return sqlite3_column_int64(handle_, column);
}

bool Statement::ColumnIsNull(int column) const {
  return sqlite3_column_type(handle_, column) == SQLITE_NULL;
}

std::string Statement::ColumnText(int column) const {
  const unsigned char* text = sqlite3_column_text(handle_, column);
  return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

std::optional<double> Statement::ColumnOptionalDouble(int column) const {
  if (ColumnIsNull(column)) return std::nullopt;
  return ColumnDouble(column);
}

int Transaction::Begin(Kind kind) {
  if (active_) return SQLITE_MISUSE;
  const int rc = database_->Execute(kind == Kind::Immediate ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
  active_ = rc == SQLITE_OK;
  return rc;
}

int Transaction::Commit() {
  if (!active_) return SQLITE_MISUSE;
  const int rc = database_->Execute("COMMIT");
  // A failed COMMIT may leave the transaction open (a busy lock) or SQLite may already have
  // rolled it back (a full disk); either way this object ends it with a rollback.
  if (rc == SQLITE_OK)
    active_ = false;
  else
    Rollback();
  return rc;
}

void Transaction::Rollback() {
  if (!active_) return;
  active_ = false;
  if (!sqlite3_get_autocommit(database_->Handle())) database_->Execute("ROLLBACK");
}

}  // namespace vx::records::sql
