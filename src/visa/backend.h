#pragma once
// The transport side of the VISA layer. Each kind of interface (simulated instruments, TCP
// sockets, USB-TMC, GPIB, a vendor's VISA library) is a Backend that lists the resources it
// can see and opens Sessions on them. The library core (visa_library.cpp) owns the handles,
// attributes and status texts and calls these operations; a backend never throws.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "visa/match_expression.h"
#include "visa/resource_name.h"
#include "visa/visa.h"

namespace vx::visa {

// An open connection to one instrument.
class Session {
 public:
  virtual ~Session() = default;

  // Sends `length` bytes; `written` receives how many went out.
  virtual ViStatus Write(const char* data, size_t length, size_t& written) = 0;
  // Reads at most `capacity` bytes of the instrument's current message into `buffer`.
  // Returns VI_SUCCESS when the message ended within the buffer (also when it ended exactly
  // at its last byte), VI_SUCCESS_MAX_CNT when the buffer filled before the end of the
  // message, VI_ERROR_TMO when the time-out passed first (`received` holds what came),
  // or another error.
  virtual ViStatus Read(char* buffer, size_t capacity, size_t& received) = 0;
  // Device clear: drops what is pending in both directions.
  virtual ViStatus Clear() = 0;
  // Serial poll: the instrument's status byte, asked beside the message exchange, so that an
  // answer waiting to be read stays where it is. Raw sockets have none.
  virtual ViStatus ReadStatusByte(ViUInt16& /*statusByte*/) {
    return Fail(VI_ERROR_NSUP_OPER, "this interface has no serial poll");
  }

  // Time-out of Read and Write in milliseconds; VI_TMO_INFINITE waits for ever.
  virtual ViStatus SetTimeout(ViUInt32 milliseconds) {
    timeoutMs_ = milliseconds;
    return VI_SUCCESS;
  }
  ViUInt32 Timeout() const { return timeoutMs_; }

  // True for transports without an END indication of their own (simulated instruments that
  // stand for USB and GPIB meters, raw sockets): the core then ends a write made with
  // VI_ATTR_SEND_END_EN set by adding the termination character when the data lacks it,
  // so that "*idn?" written as five bytes reaches the meter as one complete command.
  virtual bool NeedsTermCharForEnd() const { return false; }

  // The character that ends a message on stream transports (sockets, USB-TMC without EOM).
  void SetTermChar(char c) { termChar_ = c; }
  char TermChar() const { return termChar_; }

  // Why the last failing operation failed, in words; empty when the status says it all.
  const std::string& Detail() const { return detail_; }

 protected:
  ViStatus Fail(ViStatus status, std::string detail) {
    detail_ = std::move(detail);
    return status;
  }
  void ClearDetail() { detail_.clear(); }

  ViUInt32 timeoutMs_ = 2000;
  char termChar_ = '\n';
  std::string detail_;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Short name used in status texts ("simulated", "TCP socket", "USB-TMC", ...).
  virtual std::string_view Name() const = 0;

  // Adds the descriptors this backend can see that match `expression` to `found`.
  // Returns VI_SUCCESS, or an error with `Diagnostic()` saying why the backend cannot work
  // here (missing driver or library); a failing backend does not stop the others' search.
  virtual ViStatus Find(const MatchExpression& expression, std::vector<std::string>& found) = 0;

  // True when this backend is the one to open `name` (the first one that claims it does).
  virtual bool Claims(const ResourceName& name, std::string_view text) const = 0;

  // Opens a session with the given initial time-out.
  virtual ViStatus Open(const ResourceName& name, std::string_view text, ViUInt32 timeoutMs,
                        std::unique_ptr<Session>& session) = 0;

  // Why this backend cannot work on this machine, or why its last Find or Open failed;
  // empty when nothing is wrong.
  virtual std::string Diagnostic() const { return diagnostic_; }

  // For a vendor library that passes statuses through: its own text for a status we do
  // not know. Empty when the backend has none.
  virtual std::string DescribeStatus(ViStatus /*status*/) const { return {}; }

 protected:
  std::string diagnostic_;
};

}  // namespace vx::visa
