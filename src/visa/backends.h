#pragma once
// Factories of the backends the library core registers, in the order it consults them.

#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "sim/meter_config.h"
#include "visa/backend.h"

namespace vx::visa {

class UsbTmcDriverCalls;

// In-process simulated instruments. `loadError` (a simulation file that could not be read)
// becomes the backend's diagnostic.
std::unique_ptr<Backend> MakeSimulatedBackend(std::vector<sim::MeterConfig> meters,
                                              std::string loadError, const Clock& clock);

// A vendor's VISA library loaded at run time; every call on its resources passes through.
// When the library cannot be loaded the backend finds nothing and says why.
std::unique_ptr<Backend> MakeVendorBackend(const std::string& libraryPath);

// USB-TMC instruments through the Linux kernel driver: character devices usbtmc<N> under
// `deviceDir`, found through `classDir` (normally /sys/class/usbmisc) whose entries link to
// the USB interface, whose parent holds idVendor, idProduct and serial. `driver` stands in
// for the kernel's calls on the device files in tests; null means the kernel's.
std::unique_ptr<Backend> MakeUsbTmcBackend(const std::string& classDir,
                                           const std::string& deviceDir,
                                           std::shared_ptr<UsbTmcDriverCalls> driver = nullptr);

// GPIB instruments through linux-gpib's library, loaded at run time.
std::unique_ptr<Backend> MakeGpibBackend(const std::string& libraryPath);

// TCPIP<n>::host::port::SOCKET resources: raw TCP, messages ended by the line feed.
std::unique_ptr<Backend> MakeTcpSocketBackend();

}  // namespace vx::visa
