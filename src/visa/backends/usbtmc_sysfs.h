#pragma once
// What sysfs says about the usbtmc driver's instruments: <classDir>/usbtmc<N>/device is the
// USB interface, whose parent directory is the USB device with idVendor, idProduct and
// serial. Parsed here, apart from the session, so that the parsers can be tested and fuzzed
// on their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "visa/resource_name.h"

namespace vx::visa {

// One usbtmc<N> entry as sysfs describes it.
struct UsbTmcEntry {
  std::string node;  // "usbtmc0"
  unsigned number = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string serial;
  std::optional<unsigned> interfaceNumber;
};

// The first line of an attribute file's text, without the white space around it.
std::string AttributeLine(std::string_view text);
// A hexadecimal attribute ("1f3a") no larger than `limit`.
std::optional<unsigned> ParseHex(std::string_view text, unsigned limit);
// "usbtmc12" gives 12; other names give nothing.
std::optional<unsigned> NodeNumber(std::string_view name);
// The descriptor of an entry, or nothing when its serial number cannot be written in one.
std::optional<std::string> DescriptorOf(const UsbTmcEntry& entry);

struct UsbTmcScan {
  bool classDirFound = false;
  std::vector<UsbTmcEntry> entries;  // by node number
  std::string problems;              // entries that had to be left out, and why
};
UsbTmcScan ScanUsbTmcSysfs(const std::string& classDir);

// The entry a descriptor names: its vendor and product, its interface when it gives one,
// and its serial number, compared exactly first and then without regard to letter case, as
// searches and the other backends compare descriptors.
const UsbTmcEntry* FindUsbTmcEntry(const std::vector<UsbTmcEntry>& entries,
                                   const ResourceName& name);

}  // namespace vx::visa
