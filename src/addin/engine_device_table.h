#pragma once
// The engine's table of identified meters: 256 rows of identity answer, resource
// descriptor, session and resource manager (the numbers as decimal text).

#include <array>
#include <optional>
#include <string>

#include "automation/automation_error.h"
#include "visa/visa.h"

namespace vx::addin {

struct EngineDeviceRow {
  std::string identity;
  std::string descriptor;
  std::string session;
  std::string manager;
};

class EngineDeviceTable {
 public:
  static constexpr int kRows = 256;

  void Clear();
  // Fills row `index`; an index outside 0 to 255 is a bounds error.
  automation::Status Fill(int index, const std::string& identity, const std::string& descriptor,
                          ViSession session, ViSession manager);
  automation::Result<EngineDeviceRow> Row(int index) const;

 private:
  static automation::AutomationError OutOfBounds(int index);
  std::array<EngineDeviceRow, kRows> rows_;
};

}  // namespace vx::addin
