#pragma once
// One reading of a meter outside a run, for the toolbar's Get Single Reading: a session of
// its own, opened and closed around the one exchange, so that the run's session and its
// settings are left as they are.

#include <string>

namespace vx::linkhost {

struct SingleReading {
  std::string value;  // the meter's answer, trimmed; empty after an error
  std::string error;  // what went wrong, in the VISA library's words
};

SingleReading ReadOnce(const std::string& descriptor, unsigned timeoutMs = 5000);

}  // namespace vx::linkhost
