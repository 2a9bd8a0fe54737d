#pragma once
// An in-memory spreadsheet host for object-model tests, keeping its lasting state and its
// handed-over workbooks in a folder of the test's own.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "automation/charts.h"
#include "automation/command_bars.h"
#include "automation/host/memory_application.h"
#include "automation/spreadsheet.h"
#include "temp_folder.h"

namespace vx::test {

// The value of a call that must succeed; the test fails with the host's words otherwise.
template <typename T>
T Must(automation::Result<T> result) {
  if (!result) {
    ADD_FAILURE() << "automation error " << std::hex << result.error().number << ": "
                  << result.error().description;
    return T{};
  }
  return std::move(*result);
}

inline void Must(const automation::Status& status) {
  if (!status) {
    ADD_FAILURE() << "automation error " << std::hex << status.error().number << ": "
                  << status.error().description;
  }
}

inline std::shared_ptr<automation::Application> MakeHost(
    const std::string& statePath,
    automation::host::HostKind kind = automation::host::HostKind::Spreadsheet,
    int lastRow = automation::kMaxRows) {
  std::shared_ptr<automation::Unknown> object(
      automation::host::NewMemoryHost(kind, statePath, lastRow));
  return automation::QueryInterface<automation::Application>(object);
}

}  // namespace vx::test
