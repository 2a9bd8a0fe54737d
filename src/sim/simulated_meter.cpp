#include "sim/simulated_meter.h"

#include <algorithm>

#include "sim/meter_engine.h"

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

struct SimulatedMeter::State {
  State(const MeterConfig& config, std::chrono::steady_clock::time_point powerOn)
      : engine(config, powerOn) {}

  MeterEngine engine;
  std::string partial;      // a command line still waiting for its line end
  bool discarding = false;  // the current line overran the input buffer: dropped to its end
};

SimulatedMeter::SimulatedMeter(MeterConfig config, const Clock& clock)
    : config_(std::move(config)),
      clock_(clock),
      state_(std::make_unique<State>(config_, clock_.Steady())) {}

SimulatedMeter::~SimulatedMeter() = default;

bool SimulatedMeter::Write(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  State& s = *state_;
  if (s.engine.Lost()) return false;
  const auto now = clock_.Steady();
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!s.discarding && s.partial.size() + piece.size() > kMaxLineBytes) {
      s.engine.InputOverrun();
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
    const bool ok = s.engine.ExecuteLine(line, now);
    s.partial.clear();
    if (!ok) return false;
  }
  return true;
}

ReadOutcome SimulatedMeter::Read(char* buffer, std::size_t capacity,
                                 std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  MeterEngine& engine = state_->engine;
  OutputQueue& output = engine.Output();
  ReadOutcome outcome;
  auto now = clock_.Steady();
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
    clock_.SleepFor(sleep);
    lock.lock();
    now = clock_.Steady();
  }
}

std::optional<OutputMessage> SimulatedMeter::PopOutput() {
  std::lock_guard lock(mutex_);
  MeterEngine& engine = state_->engine;
  if (engine.Lost()) return std::nullopt;
  engine.Advance(clock_.Steady());
  return engine.Output().PopFront();
}

void SimulatedMeter::Clear() {
  std::lock_guard lock(mutex_);
  state_->engine.DeviceClear();
  state_->partial.clear();
  state_->discarding = false;
}

bool SimulatedMeter::ConnectionLost() const {
  std::lock_guard lock(mutex_);
  return state_->engine.Lost();
}

void SimulatedMeter::FireExternalTrigger() {
  std::lock_guard lock(mutex_);
  state_->engine.ExternalTrigger(clock_.Steady());
}

Variant SimulatedMeter::ModelVariant() const {
  std::lock_guard lock(mutex_);
  return state_->engine.ModelVariant();
}

unsigned SimulatedMeter::CommandCount() const {
  std::lock_guard lock(mutex_);
  return state_->engine.CommandCount();
}

}  // namespace vx::sim
