#include "sim/simulated_meter.h"

#include <algorithm>

#include "sim/fair_mutex.h"
#include "sim/meter_engine.h"
#include "sim/scpi_command.h"

namespace vx::sim {
namespace {

// The meter's input buffer: a longer command line is dropped with error -363.
constexpr std::size_t kMaxLineBytes = 1u << 20;
// Read() looks at the meter at least this often while it waits, so that an external trigger
// fired from another thread is noticed.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

}  // namespace

Variant VariantFromIdentity(std::string_view identity) {
  if (identity.find("Q7110") != std::string_view::npos) return Variant::Full;
  if (identity.find("Q7111") != std::string_view::npos) return Variant::NoThermocouple;
  return Variant::Basic;
}

// What the connections share: the firmware and the lock that guards it.
struct SimulatedMeter::Core {
  Core(const MeterConfig& config, const Clock& c) : clock(c), engine(config, c.Steady()) {}

  const Clock& clock;
  FairMutex mutex;
  MeterEngine engine;
};

struct MeterConnection::State {
  OutputQueue output;
  std::string partial;       // a command line still waiting for its line end
  bool discarding = false;   // the current line overran the input buffer: dropped to its end
  ResponseMessage response;  // the answers of the line being executed
};

SimulatedMeter::SimulatedMeter(MeterConfig config, const Clock& clock)
    : config_(std::move(config)),
      clock_(clock),
      core_(std::make_shared<Core>(config_, clock_)),
      own_(Connect()) {}

SimulatedMeter::~SimulatedMeter() = default;

std::unique_ptr<MeterConnection> SimulatedMeter::Connect() {
  return std::unique_ptr<MeterConnection>(new MeterConnection(core_));
}

bool SimulatedMeter::Write(std::string_view bytes) {
  return own_->Write(bytes);
}

ReadOutcome SimulatedMeter::Read(char* buffer, std::size_t capacity,
                                 std::chrono::milliseconds timeout) {
  return own_->Read(buffer, capacity, timeout);
}

std::optional<OutputMessage> SimulatedMeter::PopOutput() {
  return own_->PopOutput();
}

void SimulatedMeter::Clear() {
  own_->Clear();
}

bool SimulatedMeter::ConnectionLost() const {
  std::lock_guard lock(core_->mutex);
  return core_->engine.Lost();
}

void SimulatedMeter::FireExternalTrigger() {
  std::lock_guard lock(core_->mutex);
  core_->engine.ExternalTrigger(clock_.Steady());
}

Variant SimulatedMeter::ModelVariant() const {
  std::lock_guard lock(core_->mutex);
  return core_->engine.ModelVariant();
}

unsigned SimulatedMeter::CommandCount() const {
  std::lock_guard lock(core_->mutex);
  return core_->engine.CommandCount();
}

// ---------------------------------------------------------------------------------------------

MeterConnection::MeterConnection(std::shared_ptr<SimulatedMeter::Core> core)
    : core_(std::move(core)), state_(std::make_unique<State>()) {}

MeterConnection::~MeterConnection() {
  std::lock_guard lock(core_->mutex);
  core_->engine.Disconnect(state_->output);
}

bool MeterConnection::Write(std::string_view bytes, const std::atomic<bool>* stop) {
  State& s = *state_;
  if (ConnectionLost()) return false;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!s.discarding && s.partial.size() + piece.size() > kMaxLineBytes) {
      {
        std::lock_guard lock(core_->mutex);
        core_->engine.InputOverrun();
      }
      s.partial.clear();
      s.discarding = true;
    }
    if (end == std::string_view::npos) {
      if (!s.discarding) s.partial.append(piece);
      break;
    }
    bytes.remove_prefix(end + 1);
    if (s.discarding) {
      s.discarding = false;
      continue;
    }
    std::string_view line = piece;
    if (!s.partial.empty()) {
      s.partial.append(piece);
      line = s.partial;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool ok = ExecuteLine(line, stop);
    s.partial.clear();
    if (!ok) return false;
  }
  return true;
}

// The meter's lock is taken for each command, not for the line: a long line never holds up
// the meter's other connections, and a stop request is heard between two commands.
bool MeterConnection::ExecuteLine(std::string_view line, const std::atomic<bool>* stop) {
  State& s = *state_;
  MeterEngine& engine = core_->engine;
  std::string_view rest = line;
  std::string_view command;
  while (NextCommand(rest, command)) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) break;
    std::lock_guard lock(core_->mutex);
    if (!engine.ExecuteCommand(command, core_->clock.Steady(), s.output, s.response)) {
      return false;
    }
  }
  std::lock_guard lock(core_->mutex);
  engine.EndLine(s.output, s.response);
  return !engine.Lost();
}

ReadOutcome MeterConnection::Read(char* buffer, std::size_t capacity,
                                  std::chrono::milliseconds timeout) {
  std::unique_lock lock(core_->mutex);
  const Clock& clock = core_->clock;
  MeterEngine& engine = core_->engine;
  OutputQueue& output = state_->output;
  ReadOutcome outcome;
  auto now = clock.Steady();
  const auto deadline = now + std::max(timeout, std::chrono::milliseconds(0));
  while (true) {
    if (engine.Lost()) {
      outcome.status = ReadOutcome::Status::ConnectionLost;
      return outcome;
    }
    engine.Advance(now);
    if (!output.Empty() && output.FrontReadyAt() <= now) {
      const auto copied = output.CopyFront(buffer + outcome.count, capacity - outcome.count);
      outcome.count += copied.count;
      if (copied.messageFinished && copied.endOfMessage) {
        outcome.status = ReadOutcome::Status::EndOfMessage;
        return outcome;
      }
      if (outcome.count == capacity) {
        outcome.status = ReadOutcome::Status::BufferFull;
        return outcome;
      }
      continue;  // an answer without its end: more may follow
    }
    if (now >= deadline) {
      outcome.status = ReadOutcome::Status::Timeout;
      return outcome;
    }
    auto wait = std::min<std::chrono::steady_clock::duration>(deadline - now, kWaitSlice);
    if (!output.Empty()) wait = std::min(wait, output.FrontReadyAt() - now);
    if (const auto event = engine.NextEvent()) wait = std::min(wait, *event - now);
    const auto sleep =
        std::max(std::chrono::ceil<std::chrono::microseconds>(wait), std::chrono::microseconds(1));
    lock.unlock();
    clock.SleepFor(sleep);
    lock.lock();
    now = clock.Steady();
  }
}

std::optional<OutputMessage> MeterConnection::PopOutput() {
  std::lock_guard lock(core_->mutex);
  MeterEngine& engine = core_->engine;
  if (engine.Lost()) return std::nullopt;
  engine.Advance(core_->clock.Steady());
  return state_->output.PopFront();
}

void MeterConnection::Clear() {
  std::lock_guard lock(core_->mutex);
  core_->engine.DeviceClear(state_->output);
  state_->partial.clear();
  state_->discarding = false;
  state_->response.Clear();
}

std::optional<int> MeterConnection::SerialPoll() {
  std::lock_guard lock(core_->mutex);
  MeterEngine& engine = core_->engine;
  if (engine.Lost()) return std::nullopt;
  engine.Advance(core_->clock.Steady());
  return engine.StatusByte(state_->output);
}

bool MeterConnection::ConnectionLost() const {
  std::lock_guard lock(core_->mutex);
  return core_->engine.Lost();
}

}  // namespace vx::sim
