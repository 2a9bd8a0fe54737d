#pragma once
// linux-gpib takes a time-out as one of the codes TNONE (never), T10us ... T1000s. A VISA
// time-out in milliseconds becomes the smallest code that is not shorter, so a read never
// gives up before the caller's time-out has passed.

#include "visa/visa.h"

namespace vx::visa {

constexpr int kGpibTimeoutNone = 0;  // TNONE

// Microseconds of the codes T10us (1) ... T1000s (17).
inline constexpr unsigned long long kGpibTimeoutMicroseconds[] = {
    10ULL,       30ULL,       100ULL,       300ULL,       1000ULL,      3000ULL,
    10000ULL,    30000ULL,    100000ULL,    300000ULL,    1000000ULL,   3000000ULL,
    10000000ULL, 30000000ULL, 100000000ULL, 300000000ULL, 1000000000ULL};

constexpr int GpibTimeoutCode(ViUInt32 milliseconds) {
  if (milliseconds == VI_TMO_INFINITE) return kGpibTimeoutNone;
  const unsigned long long wanted = static_cast<unsigned long long>(milliseconds) * 1000ULL;
  int code = 1;
  for (unsigned long long us : kGpibTimeoutMicroseconds) {
    if (us >= wanted) return code;
    ++code;
  }
  // Longer than the longest code: only "never" is not shorter.
  return kGpibTimeoutNone;
}

}  // namespace vx::visa
