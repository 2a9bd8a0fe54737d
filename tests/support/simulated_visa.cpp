#include "simulated_visa.h"

#include <stdexcept>

namespace vx::test {

SimulatedVisa::SimulatedVisa(std::vector<sim::MeterConfig> meters,
                             std::vector<visa::AliasEntry> aliases)
    : clock_(std::make_unique<ManualClock>()) {
  visa::VisaConfig config;
  config.simulated = std::move(meters);
  config.aliases = std::move(aliases);
  config.vendorLibrary.clear();
  config.hardwareBackends = false;
  config.clock = clock_.get();
  if (visa::ConfigureVisa(config) != VI_SUCCESS) {
    throw std::runtime_error("a previous test left VISA objects open");
  }
}

SimulatedVisa::~SimulatedVisa() {
  visa::VisaConfig empty;
  empty.vendorLibrary.clear();
  empty.hardwareBackends = false;
  visa::ConfigureVisa(empty);
}

std::shared_ptr<sim::SimulatedMeter> SimulatedVisa::Meter(std::string_view descriptor) const {
  return visa::SimulatedInstrument(descriptor);
}

sim::MeterConfig SimulatedVisa::UsbMeter(const std::string& serial, const std::string& variant,
                                         int cardChannels) {
  sim::MeterConfig config;
  config.descriptor = "USB0::0x1F3A::0x0C21::" + serial + "::INSTR";
  config.identity =
      "TOLVEX,W9-90/1," + serial + "," + (variant.empty() ? "" : variant + " ") + "1.05";
  config.cardChannels = cardChannels;
  config.noise = 0;
  return config;
}

sim::MeterConfig SimulatedVisa::GpibMeter(int address, const std::string& variant,
                                          int cardChannels) {
  sim::MeterConfig config;
  config.descriptor = "GPIB0::" + std::to_string(address) + "::INSTR";
  config.identity = "TOLVEX,W9-90/1,TW000" + std::to_string(address) + "," +
                    (variant.empty() ? "" : variant + " ") + "1.02";
  config.cardChannels = cardChannels;
  config.noise = 0;
  return config;
}

sim::MeterConfig SimulatedVisa::OtherInstrument(const std::string& descriptor,
                                                const std::string& identity) {
  sim::MeterConfig config;
  config.descriptor = descriptor;
  config.identity = identity;
  config.noise = 0;
  return config;
}

}  // namespace vx::test
