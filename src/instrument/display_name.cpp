#include "instrument/display_name.h"

#include <algorithm>
#include <optional>

#include "common/c_number.h"
#include "visa/resource_name.h"

namespace vx::instrument {
namespace {

// The second comma-separated field: the text after the first "," up to the next ",".
std::string ModelField(std::string_view identity) {
  if (identity.empty()) return "Unknow Manufacture";
  const size_t first = identity.find(',');
  if (first == std::string_view::npos) return {};
  const size_t second = identity.find(',', first + 1);
  const std::string_view model = identity.substr(
      first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
  return ToUpperAscii(model);
}

// Text between `from` and `to` (either may be npos), clamped to the text.
std::string_view Between(std::string_view text, size_t from, size_t to) {
  if (from == std::string_view::npos || from >= text.size()) return {};
  if (to == std::string_view::npos || to > text.size()) to = text.size();
  return to > from ? text.substr(from, to - from) : std::string_view{};
}

// The serial number of a USB descriptor, upper-cased. A valid descriptor gives the serial it
// names, however it is written (USB0::7994::3105::S5::INSTR as its hexadecimal twin
// USB0::0x1F3A::0x0C21::S5::INSTR); any other text is read by character position, the
// serial lying between the "::" found from index 14 and the "::" found from index 22.
std::string UsbSerial(std::string_view descriptor,
                      const std::optional<visa::ResourceName>& parsed) {
  if (parsed && parsed->interfaceType == visa::InterfaceType::Usb) {
    return ToUpperAscii(parsed->serialNumber);
  }
  const std::string upper = ToUpperAscii(descriptor);
  const std::string_view text(upper);
  const size_t start = text.find("::", 14);
  const size_t end = text.find("::", 22);
  return std::string(Between(text, start == std::string_view::npos ? start : start + 2, end));
}

}  // namespace

std::string MakeDisplayName(std::string_view descriptor, std::string_view identity) {
  std::string name = ModelField(identity);
  const std::optional<visa::ResourceName> parsed = visa::ParseResourceName(descriptor);
  if (descriptor.find("USB") != std::string_view::npos ||
      (parsed && parsed->interfaceType == visa::InterfaceType::Usb)) {
    name += "-USBTMC-" + UsbSerial(descriptor, parsed);
  } else if (descriptor.find("GPIB") != std::string_view::npos) {
    const size_t start = descriptor.find("::");
    name += "-GPIB-";
    if (start != std::string_view::npos) name += Between(descriptor, start + 2, start + 4);
  }
  name.erase(std::remove(name.begin(), name.end(), ':'), name.end());
  return name;
}

}  // namespace vx::instrument
