#include "addin/engine_device_table.h"

namespace vx::addin {

void EngineDeviceTable::Clear() {
  for (EngineDeviceRow& row : rows_) row = EngineDeviceRow{};
}

automation::AutomationError EngineDeviceTable::OutOfBounds(int index) {
  return automation::AutomationError::Make(
      automation::ErrorNumber::BadIndex,
      "Subscript out of range: the device table has rows 0 to 255, not " + std::to_string(index) +
          ".");
}

automation::Status EngineDeviceTable::Fill(int index, const std::string& identity,
                                           const std::string& descriptor, ViSession session,
                                           ViSession manager) {
  if (index < 0 || index >= kRows) return OutOfBounds(index);
  rows_[index] =
      EngineDeviceRow{identity, descriptor, std::to_string(session), std::to_string(manager)};
  return {};
}

automation::Result<EngineDeviceRow> EngineDeviceTable::Row(int index) const {
  if (index < 0 || index >= kRows) return OutOfBounds(index);
  return rows_[index];
}

}  // namespace vx::addin
