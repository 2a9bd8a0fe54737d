#pragma once
// Which backends the VISA library uses and how they are set up. Programs take it from the
// environment; tests give it directly.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "sim/meter_config.h"
#include "visa/alias_table.h"
#include "visa/visa.h"

namespace vx::sim {
class SimulatedMeter;
}

namespace vx::visa {

struct VisaConfig {
  // Simulated instruments: a simulation file (VX_VISA_SIM) and/or instruments given here.
  std::string simulationFile;
  std::vector<sim::MeterConfig> simulated;
  // Alias table: a file with an [Aliases] section (VX_VISA_ALIASES) and/or entries here.
  std::string aliasFile;
  std::vector<AliasEntry> aliases;
  // A vendor's VISA library to pass calls through to (VX_VISA_LIBRARY, by default
  // "libvisa.so"; empty for none).
  std::string vendorLibrary;
  // USB-TMC and GPIB hardware (VX_VISA_NATIVE=0 turns them off).
  bool hardwareBackends = true;
  std::string gpibLibrary = "libgpib.so.0";           // VX_GPIB_LIBRARY
  std::string usbtmcClassDir = "/sys/class/usbmisc";  // VX_USBTMC_SYSFS
  std::string deviceDir = "/dev";                     // VX_USBTMC_DEV
  // Time source of the simulated instruments; the real clock when null.
  const Clock* clock = nullptr;

  static VisaConfig FromEnvironment();
};

// Replaces the library's backends. Refused with VI_ERROR_RSRC_BUSY while any resource
// manager is open. Problems with a simulation or alias file do not fail the call: the
// searches report them in their status texts.
ViStatus ConfigureVisa(const VisaConfig& config);

// The simulated instrument behind a descriptor (for tests and tools), or nullptr.
std::shared_ptr<sim::SimulatedMeter> SimulatedInstrument(std::string_view descriptor);

}  // namespace vx::visa
