#pragma once
// Test fixture: points the VISA library at in-process simulated meters on a manual clock,
// with every hardware backend off, and leaves it empty again afterwards.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "sim/meter_config.h"
#include "sim/simulated_meter.h"
#include "visa/visa_config.h"

namespace vx::test {

class SimulatedVisa {
 public:
  explicit SimulatedVisa(std::vector<sim::MeterConfig> meters,
                         std::vector<visa::AliasEntry> aliases = {});
  ~SimulatedVisa();
  SimulatedVisa(const SimulatedVisa&) = delete;
  SimulatedVisa& operator=(const SimulatedVisa&) = delete;

  ManualClock& Clock() { return *clock_; }
  std::shared_ptr<sim::SimulatedMeter> Meter(std::string_view descriptor) const;

  // A K9-90/1 on USB with the given serial; `variant` goes into the identity's last field
  // ("Q7110" for the full model, "Q7111" for the one without thermocouple, "" for basic).
  static sim::MeterConfig UsbMeter(const std::string& serial, const std::string& variant = "Q7110",
                                   int cardChannels = 20);
  static sim::MeterConfig GpibMeter(int address, const std::string& variant = "",
                                    int cardChannels = 10);
  // An instrument that is not the meter.
  static sim::MeterConfig OtherInstrument(const std::string& descriptor,
                                          const std::string& identity);

 private:
  std::unique_ptr<ManualClock> clock_;
};

}  // namespace vx::test
