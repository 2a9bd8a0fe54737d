#pragma once

#include <cstdint>

namespace vx {

// A colour as the windows choose and keep it (trace colours, chart line colour).
struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

}  // namespace vx
