#include "instrument/display_name.h"

#include <algorithm>

#include "common/c_number.h"

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

}  // namespace

std::string MakeDisplayName(std::string_view descriptor, std::string_view identity) {
  std::string name = ModelField(identity);
  if (descriptor.find("USB") != std::string_view::npos) {
    // USB0::0xVVVV::0xPPPP::<serial>::INSTR: the serial lies between the "::" found from
    // index 14 and the "::" found from index 22.
    const std::string upper = ToUpperAscii(descriptor);
    const std::string_view text(upper);
    const size_t start = text.find("::", 14);
    const size_t end = text.find("::", 22);
    name += "-USBTMC-";
    name += Between(text, start == std::string_view::npos ? start : start + 2, end);
  } else if (descriptor.find("GPIB") != std::string_view::npos) {
    const size_t start = descriptor.find("::");
    name += "-GPIB-";
    if (start != std::string_view::npos) name += Between(descriptor, start + 2, start + 4);
  }
  name.erase(std::remove(name.begin(), name.end(), ':'), name.end());
  return name;
}

}  // namespace vx::instrument
