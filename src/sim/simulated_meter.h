#pragma once
// A simulated K9-90/1 multimeter with its optional scanner card, answering the SCPI command
// set the system sends. It is a transport-neutral device: the in-process VISA backend reads
// its answers with Read(), the TCP server (k9sim) takes them with PopOutput(). All members
// are safe to call from several threads.

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

class SimulatedMeter {
 public:
  SimulatedMeter(MeterConfig config, const Clock& clock);
  ~SimulatedMeter();
  SimulatedMeter(const SimulatedMeter&) = delete;
  SimulatedMeter& operator=(const SimulatedMeter&) = delete;

  // Takes bytes sent by the controller; every complete line (ended by a line feed) is
  // executed at once, several commands in a line separated by ";". Returns false, and drops
  // the bytes, once the connection is lost.
  bool Write(std::string_view bytes);

  // Reads the current answer as a VISA read does: waits (on the meter's clock) up to
  // `timeout` for an answer, then copies at most `capacity` bytes. EndOfMessage when the
  // answer ended within the buffer, BufferFull when more of it remains.
  ReadOutcome Read(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout);

  // For stream transports: the next answer in full, or nothing when none is pending.
  // Answers not yet ready (late answers) come with their ready time; the caller sends them
  // then. Also advances the scan and trigger state to the clock's present time.
  std::optional<OutputMessage> PopOutput();

  // Device clear: drops unread answers and a half-received command line, cancels a waiting
  // "*OPC?".
  void Clear();

  bool ConnectionLost() const;
  void FireExternalTrigger();

  const MeterConfig& Config() const { return config_; }
  Variant ModelVariant() const;
  // Commands executed so far, for tests.
  unsigned CommandCount() const;

 private:
  struct State;
  MeterConfig config_;
  const Clock& clock_;
  mutable std::mutex mutex_;
  std::unique_ptr<State> state_;
};

}  // namespace vx::sim
