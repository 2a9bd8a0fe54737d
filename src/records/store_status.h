#pragma once
// What a record operation reports: success, or a failure with its kind and a message in the
// system's words, ready to be shown in a message box. Record operations never throw; the
// windows decide how to show the message and under which caption.

#include <optional>
#include <string>
#include <utility>

namespace vx::records {

enum class StoreError {
  None,
  FolderNotFound,  // the record folder cannot be entered
  InvalidRecord,   // a record number outside 1 to 10
  Missing,         // the record file does not exist (deleted meanwhile)
  AlreadyExists,   // creating a record whose file is already there
  NotARecordFile,  // not a database at all, or a database without the record tables
  Damaged,         // a record file whose contents are corrupt
  Locked,          // another program (or another writer) holds the file
  ReadOnly,        // the folder or the file cannot be written
  DiskFull,
  Closed,  // appending to a session that was closed
  Engine,  // anything else the database engine reports
};

struct Status {
  StoreError error = StoreError::None;
  std::string message;

  bool Ok() const { return error == StoreError::None; }
  static Status Success() { return {}; }
  static Status Failure(StoreError error, std::string message) {
    return Status{error, std::move(message)};
  }
};

// The text shown when the record folder cannot be entered; every caller shows it under a
// caption that names the caller.
inline constexpr const char* kFolderNotFoundMessage = "Database working folder not found.";

// A value, or the status that explains why there is none.
template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}            // NOLINT: implicit by design
  Result(Status failure) : status_(std::move(failure)) {}  // NOLINT: implicit by design

  bool Ok() const { return value_.has_value(); }
  const Status& GetStatus() const { return status_; }
  T& Value() { return *value_; }
  const T& Value() const { return *value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  Status status_;
  std::optional<T> value_;
};

}  // namespace vx::records
