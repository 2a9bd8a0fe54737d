#include "instrument/connection_guard.h"

namespace vx::instrument {

int CheckConnection(const DeviceTable& table, Prompter& prompter, const std::string& message) {
  const bool inconsistent = table.NoMeterFlag() && table.MeterCount() == 1;
  if (inconsistent || table.ConnectionChanged()) {
    prompter.Message(message, "", MessageIcon::Exclamation);
    return -1;
  }
  return 1;
}

}  // namespace vx::instrument
