// Feeds arbitrary attribute texts to the USB-TMC backend's sysfs parsers: the first line of
// an attribute, hexadecimal ids, usbtmc<N> node names, and the descriptor built from an entry
// whose serial number is the input. A descriptor built must parse back to the same vendor,
// product and serial number.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "visa/backends/usbtmc_sysfs.h"
#include "visa/resource_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string line = vx::visa::AttributeLine(input);
  vx::visa::ParseHex(line, 0xFFFF);
  vx::visa::ParseHex(input, 0xFF);
  vx::visa::NodeNumber(input);

  vx::visa::UsbTmcEntry entry;
  entry.vendorId = size > 1 ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : 0x1F3A;
  entry.productId = 0x0C21;
  entry.serial = line;
  if (const auto descriptor = vx::visa::DescriptorOf(entry)) {
    const auto name = vx::visa::ParseResourceName(*descriptor);
    if (!name || name->vendorId != entry.vendorId || name->productId != entry.productId ||
        name->serialNumber != entry.serial) {
      std::abort();
    }
    const std::vector<vx::visa::UsbTmcEntry> entries{entry};
    if (vx::visa::FindUsbTmcEntry(entries, *name) != &entries.front()) std::abort();
  }
  return 0;
}
