#pragma once
// What the VISA library tests share: the two simulated meters' descriptors and a status's
// text.

#include <string>

#include "visa/visa.h"

namespace vx::visa::testing {

inline const char* const kUsb = "USB0::0x1F3A::0x0C21::TW00012345::INSTR";
inline const char* const kGpib = "GPIB0::22::INSTR";

inline std::string Desc(ViObject object, ViStatus status) {
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(object, status, text);
  return text;
}

}  // namespace vx::visa::testing
