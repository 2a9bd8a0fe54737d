#pragma once
// In-process simulated instruments: each described meter lives for as long as the library's
// configuration, shared by every session opened on it, so settings made through one session
// (a dialog) are seen through another (the front panel), as on a real meter.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/simulated_meter.h"
#include "visa/backend.h"

namespace vx::visa {

class SimulatedBackend final : public Backend {
 public:
  SimulatedBackend(std::vector<sim::MeterConfig> meters, std::string loadError, const Clock& clock);

  std::string_view Name() const override { return "simulated"; }
  ViStatus Find(const MatchExpression& expression, std::vector<std::string>& found) override;
  bool Claims(const ResourceName& name, std::string_view text) const override;
  ViStatus Open(const ResourceName& name, std::string_view text, ViUInt32 timeoutMs,
                std::unique_ptr<Session>& session) override;

  std::shared_ptr<sim::SimulatedMeter> Meter(const ResourceName& name) const;

 private:
  struct Instrument {
    std::string descriptor;
    std::shared_ptr<sim::SimulatedMeter> meter;
  };
  std::vector<Instrument> instruments_;            // in file order, as searches list them
  std::map<std::string, size_t> byCanonicalName_;  // upper-case canonical descriptor
};

}  // namespace vx::visa
