#pragma once
// A simulated K9-90/1 multimeter with its optional scanner card, answering the SCPI command
// set the system sends. It is a transport-neutral device: each controller connects to it
// (MeterConnection); the in-process VISA backend reads answers with Read(), the TCP server
// (k9sim) takes them with PopOutput(). All members are safe to call from several threads.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "sim/meter_config.h"

namespace vx::sim {

enum class Variant { Basic, Full, NoThermocouple };

// "Q7110" in the identity gives Full, else "Q7111" gives NoThermocouple, else Basic.
Variant VariantFromIdentity(std::string_view identity);

struct OutputMessage {
  std::string bytes;  // the answer, with its line end unless the meter left it off
  std::chrono::steady_clock::time_point readyAt;
  bool endOfMessage = true;  // false: more bytes would have to follow (unterminated answer)
};

struct ReadOutcome {
  enum class Status { EndOfMessage, BufferFull, Timeout, ConnectionLost };
  Status status = Status::Timeout;
  std::size_t count = 0;
};

class MeterConnection;

class SimulatedMeter {
 public:
  SimulatedMeter(MeterConfig config, const Clock& clock);
  ~SimulatedMeter();
  SimulatedMeter(const SimulatedMeter&) = delete;
  SimulatedMeter& operator=(const SimulatedMeter&) = delete;

  // A new connection to the meter: its own input line and its own answers, sharing the
  // meter's settings, readings, scan and trigger with every other connection.
  std::unique_ptr<MeterConnection> Connect();

  // The meter's own connection, for tools and tests that talk to the meter directly: the
  // same operations as MeterConnection's.
  bool Write(std::string_view bytes);
  ReadOutcome Read(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout);
  std::optional<OutputMessage> PopOutput();
  void Clear();

  bool ConnectionLost() const;
  void FireExternalTrigger();

  const MeterConfig& Config() const { return config_; }
  // The clock the meter runs on (and waits on).
  const Clock& MeterClock() const { return clock_; }
  Variant ModelVariant() const;
  // Commands executed so far, for tests.
  unsigned CommandCount() const;

 private:
  friend class MeterConnection;
  struct Core;
  MeterConfig config_;
  const Clock& clock_;
  std::shared_ptr<Core> core_;
  std::unique_ptr<MeterConnection> own_;
};

// One controller's link to a meter (a VISA session, a TCP connection). Answers go only to the
// connection that asked for them; what a connection leaves unread is dropped with it. All
// members are safe to call from several threads, each connection used by one at a time.
class MeterConnection {
 public:
  ~MeterConnection();
  MeterConnection(const MeterConnection&) = delete;
  MeterConnection& operator=(const MeterConnection&) = delete;

  // Takes bytes sent by the controller; every complete line (ended by a line feed) is
  // executed at once, several commands in a line separated by ";", and the answers of its
  // queries form one response message, separated by ";" and ended by one line feed. The
  // meter is locked one command at a time, so other connections go on between the commands
  // of a long line; once `stop` is set, the rest of the line is dropped. Returns false, and
  // drops the bytes, once the connection is lost.
  bool Write(std::string_view bytes, const std::atomic<bool>* stop = nullptr);

  // Reads the current answer as a VISA read does: waits (on the meter's clock) up to
  // `timeout` for an answer, then copies at most `capacity` bytes. EndOfMessage when the
  // answer ended within the buffer, BufferFull when more of it remains.
  ReadOutcome Read(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout);

  // For stream transports: the next answer in full, or nothing when none is pending.
  // Answers not yet ready (late answers) come with their ready time; the caller sends them
  // then. Also advances the scan and trigger state to the clock's present time.
  std::optional<OutputMessage> PopOutput();

  // Device clear: drops this connection's unread answers and half-received command line, and
  // aborts a measurement that waits for its trigger (with every answer owed on it).
  void Clear();

  // Serial poll: the status byte as this connection sees it (MAV for its own unread
  // answers), without disturbing the exchange; nothing once the connection is lost.
  std::optional<int> SerialPoll();

  bool ConnectionLost() const;

 private:
  friend class SimulatedMeter;
  struct State;
  explicit MeterConnection(std::shared_ptr<SimulatedMeter::Core> core);
  bool ExecuteLine(std::string_view line, const std::atomic<bool>* stop);
  std::shared_ptr<SimulatedMeter::Core> core_;
  std::unique_ptr<State> state_;
};

}  // namespace vx::sim
