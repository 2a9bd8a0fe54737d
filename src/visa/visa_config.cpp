#include "visa/visa_config.h"

#include <cstdlib>

namespace vx::visa {
namespace {

std::string Environment(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : fallback;
}

}  // namespace

VisaConfig VisaConfig::FromEnvironment() {
  VisaConfig config;
  config.simulationFile = Environment("VX_VISA_SIM", "");
  config.aliasFile = Environment("VX_VISA_ALIASES", "");
  config.vendorLibrary = Environment("VX_VISA_LIBRARY", "libvisa.so");
  config.hardwareBackends = Environment("VX_VISA_NATIVE", "1") != "0";
  config.gpibLibrary = Environment("VX_GPIB_LIBRARY", config.gpibLibrary);
  config.usbtmcClassDir = Environment("VX_USBTMC_SYSFS", config.usbtmcClassDir);
  config.deviceDir = Environment("VX_USBTMC_DEV", config.deviceDir);
  return config;
}

}  // namespace vx::visa
