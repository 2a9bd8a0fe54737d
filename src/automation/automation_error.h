#pragma once
// What a call on an automation object reports: its result, or an automation error with a
// number and a description. Callers show the error in their own words; nothing is thrown
// across the interface, so a host library and its callers never share exception types.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace vx::automation {

// Error numbers, in the HRESULT values automation callers know.
enum class ErrorNumber : std::uint32_t {
  Failed = 0x80004005u,              // unspecified failure
  MemberNotFound = 0x80020003u,      // the object has no such member
  TypeMismatch = 0x80020005u,        // an argument of the wrong type
  BadIndex = 0x8002000Bu,            // an index or name that the collection does not hold
  ClassNotRegistered = 0x80040154u,  // no registry entry for the identifier
  LibraryNotFound = 0x800401F8u,     // the registered library cannot be loaded
  EntryNotFound = 0x800401F9u,       // the library lacks the factory it was registered with
  AppNotFound = 0x800401F5u,         // the program the object works through is not installed
  Disconnected = 0x80010108u,        // the object's program has gone, or closed the object
  ObjectDefined = 0x800A03ECu,       // the host refused the call (bad reference, bad value)
  FileNotFound = 0x800A0035u,
  PathNotFound = 0x800A004Cu,
  PermissionDenied = 0x800A0046u,
};

struct AutomationError {
  std::uint32_t number = static_cast<std::uint32_t>(ErrorNumber::Failed);
  std::string description;

  static AutomationError Make(ErrorNumber number, std::string description) {
    return AutomationError{static_cast<std::uint32_t>(number), std::move(description)};
  }
};

// Either a value or the error that stopped the call.
template <typename T>
class Result {
 public:
  Result(T value) : content_(std::move(value)) {}  // NOLINT(google-explicit-constructor)
  Result(AutomationError error) : content_(std::move(error)) {}  // NOLINT

  bool ok() const { return content_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() { return std::get<0>(content_); }
  const T& value() const { return std::get<0>(content_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  // Reaches the members of the value, or of the object the value points to.
  auto operator->() {
    if constexpr (requires(T & t) { *t; }) {
      return &*value();
    } else {
      return &value();
    }
  }
  auto operator->() const {
    if constexpr (requires(const T& t) { *t; }) {
      return &*value();
    } else {
      return &value();
    }
  }

  const AutomationError& error() const { return std::get<1>(content_); }

 private:
  std::variant<T, AutomationError> content_;
};

// The result of a call that returns nothing.
class Status {
 public:
  Status() = default;
  Status(AutomationError error)
      : error_(std::make_unique<AutomationError>(std::move(error))) {}  // NOLINT
  Status(const Status& other)
      : error_(other.error_ ? std::make_unique<AutomationError>(*other.error_) : nullptr) {}
  Status& operator=(const Status& other) {
    error_ = other.error_ ? std::make_unique<AutomationError>(*other.error_) : nullptr;
    return *this;
  }
  Status(Status&&) noexcept = default;
  Status& operator=(Status&&) noexcept = default;

  bool ok() const { return error_ == nullptr; }
  explicit operator bool() const { return ok(); }
  const AutomationError& error() const { return *error_; }

 private:
  std::unique_ptr<AutomationError> error_;
};

// The status of a call whose value the caller does not need.
template <typename T>
Status StatusOf(const Result<T>& result) {
  if (result) return {};
  return result.error();
}

// The error of any result, for callers that stop at the first failure of a sequence.
template <typename T>
const AutomationError& ErrorOf(const Result<T>& result) {
  return result.error();
}
inline const AutomationError& ErrorOf(const Status& status) {
  return status.error();
}

}  // namespace vx::automation

// Takes the value of an automation call, or returns its error from the calling function
// (which returns a Status or a Result).
#define VX_AUTOMATION_CONCAT_INNER(a, b) a##b
#define VX_AUTOMATION_CONCAT(a, b) VX_AUTOMATION_CONCAT_INNER(a, b)
#define VX_ASSIGN_OR_RETURN(lhs, call)                         \
  auto VX_AUTOMATION_CONCAT(vx_result_, __LINE__) = (call);    \
  if (!VX_AUTOMATION_CONCAT(vx_result_, __LINE__))             \
    return VX_AUTOMATION_CONCAT(vx_result_, __LINE__).error(); \
  lhs = std::move(*VX_AUTOMATION_CONCAT(vx_result_, __LINE__))
#define VX_RETURN_IF_ERROR(call)                \
  do {                                          \
    auto vx_status_ = (call);                   \
    if (!vx_status_) return vx_status_.error(); \
  } while (false)
