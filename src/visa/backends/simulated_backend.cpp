#include "visa/backends/simulated_backend.h"

#include <limits>

#include "common/c_number.h"
#include "visa/backends.h"

namespace vx::visa {
namespace {

// A session is one connection to the meter: its answers are its own, the meter's settings are
// shared with every other session. When the meter has "lost" its connection, each interface
// fails as its real hardware does: a USB meter that is gone is a lost connection, a GPIB meter
// that is off the bus leaves a write without listeners and a read without a talker, which
// waits out its time-out.
class SimulatedSession final : public Session {
 public:
  SimulatedSession(std::shared_ptr<sim::SimulatedMeter> meter, std::string descriptor,
                   InterfaceType interface)
      : meter_(std::move(meter)),
        connection_(meter_->Connect()),
        descriptor_(std::move(descriptor)),
        gpib_(interface == InterfaceType::Gpib) {}

  bool NeedsTermCharForEnd() const override { return true; }

  ViStatus Write(const char* data, size_t length, size_t& written) override {
    written = 0;
    if (!connection_->Write(std::string_view(data, length))) {
      if (gpib_) return Fail(VI_ERROR_NLISTENERS, "no listener answers at " + descriptor_);
      return Fail(VI_ERROR_CONN_LOST, "the simulated instrument dropped the connection");
    }
    written = length;
    return VI_SUCCESS;
  }

  ViStatus Read(char* buffer, size_t capacity, size_t& received) override {
    const auto timeout = TimeoutDuration();
    const sim::ReadOutcome outcome = connection_->Read(buffer, capacity, timeout);
    received = outcome.count;
    switch (outcome.status) {
      case sim::ReadOutcome::Status::EndOfMessage:
        return VI_SUCCESS;
      case sim::ReadOutcome::Status::BufferFull:
        return VI_SUCCESS_MAX_CNT;
      case sim::ReadOutcome::Status::Timeout:
        return Fail(VI_ERROR_TMO, "the simulated instrument sent no complete answer in time");
      case sim::ReadOutcome::Status::ConnectionLost:
        if (gpib_) {
          meter_->MeterClock().SleepFor(timeout);
          return Fail(VI_ERROR_TMO, "no talker answers at " + descriptor_ + " within " +
                                        std::to_string(timeout.count()) + " ms");
        }
        return Fail(VI_ERROR_CONN_LOST, "the simulated instrument dropped the connection");
    }
    return VI_ERROR_SYSTEM_ERROR;
  }

  ViStatus ReadStatusByte(ViUInt16& statusByte) override {
    const std::optional<int> polled = connection_->SerialPoll();
    if (!polled) {
      if (gpib_)
        return Fail(VI_ERROR_TMO, "no instrument answers the serial poll at " + descriptor_);
      return Fail(VI_ERROR_CONN_LOST, "the simulated instrument dropped the connection");
    }
    statusByte = static_cast<ViUInt16>(*polled);
    return VI_SUCCESS;
  }

  ViStatus Clear() override {
    if (connection_->ConnectionLost()) {
      if (gpib_) return Fail(VI_ERROR_NLISTENERS, "no listener answers at " + descriptor_);
      return Fail(VI_ERROR_CONN_LOST, "the simulated instrument dropped the connection");
    }
    connection_->Clear();
    return VI_SUCCESS;
  }

 private:
  std::chrono::milliseconds TimeoutDuration() const {
    return timeoutMs_ == VI_TMO_INFINITE
               ? std::chrono::milliseconds(std::numeric_limits<int>::max())
               : std::chrono::milliseconds(timeoutMs_);
  }

  std::shared_ptr<sim::SimulatedMeter> meter_;
  std::unique_ptr<sim::MeterConnection> connection_;
  std::string descriptor_;
  bool gpib_;
};

}  // namespace

SimulatedBackend::SimulatedBackend(std::vector<sim::MeterConfig> meters, std::string loadError,
                                   const Clock& clock) {
  diagnostic_ = std::move(loadError);
  for (sim::MeterConfig& config : meters) {
    std::string error;
    const auto name = ParseResourceName(config.descriptor, &error);
    if (!name) {
      diagnostic_ += (diagnostic_.empty() ? "" : "; ") + std::string("simulated instrument \"") +
                     config.descriptor + "\": " + error;
      continue;
    }
    const std::string key = ToUpperAscii(name->Canonical());
    if (byCanonicalName_.count(key)) {
      diagnostic_ += (diagnostic_.empty() ? "" : "; ") + std::string("simulated instrument \"") +
                     config.descriptor + "\" is described twice; the first description is used";
      continue;
    }
    byCanonicalName_[key] = instruments_.size();
    std::string descriptor = config.descriptor;
    instruments_.push_back(
        Instrument{std::move(descriptor), std::make_shared<sim::SimulatedMeter>(config, clock)});
  }
}

ViStatus SimulatedBackend::Find(const MatchExpression& expression,
                                std::vector<std::string>& found) {
  for (const Instrument& instrument : instruments_) {
    if (expression.Matches(instrument.descriptor)) found.push_back(instrument.descriptor);
  }
  return VI_SUCCESS;
}

bool SimulatedBackend::Claims(const ResourceName& name, std::string_view /*text*/) const {
  return byCanonicalName_.count(ToUpperAscii(name.Canonical())) != 0;
}

std::shared_ptr<sim::SimulatedMeter> SimulatedBackend::Meter(const ResourceName& name) const {
  const auto it = byCanonicalName_.find(ToUpperAscii(name.Canonical()));
  return it == byCanonicalName_.end() ? nullptr : instruments_[it->second].meter;
}

ViStatus SimulatedBackend::Open(const ResourceName& name, std::string_view /*text*/,
                                ViUInt32 timeoutMs, std::unique_ptr<Session>& session) {
  auto meter = Meter(name);
  if (!meter) return VI_ERROR_RSRC_NFOUND;
  // As the GPIB backend does, an instrument that is off the bus is not there to be opened.
  if (meter->ConnectionLost()) {
    return name.interfaceType == InterfaceType::Gpib ? VI_ERROR_RSRC_NFOUND : VI_ERROR_CONN_LOST;
  }
  session =
      std::make_unique<SimulatedSession>(std::move(meter), name.Canonical(), name.interfaceType);
  session->SetTimeout(timeoutMs);
  return VI_SUCCESS;
}

std::unique_ptr<Backend> MakeSimulatedBackend(std::vector<sim::MeterConfig> meters,
                                              std::string loadError, const Clock& clock) {
  return std::make_unique<SimulatedBackend>(std::move(meters), std::move(loadError), clock);
}

}  // namespace vx::visa
