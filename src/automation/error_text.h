#pragma once
// An automation error's number as programs show it: the program's own error numbers (the
// 0x800A facility) by their low word, as 1004 or 53; any other as the signed HRESULT.

#include <cstdint>
#include <string>

namespace vx::automation {

inline std::string ErrorNumberText(std::uint32_t number) {
  if ((number & 0xFFFF0000u) == 0x800A0000u) return std::to_string(number & 0xFFFFu);
  return std::to_string(static_cast<std::int32_t>(number));
}

}  // namespace vx::automation
