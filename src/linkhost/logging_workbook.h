#pragma once
// The logging workbook as the VX-Link add-in workbook lays it out: headers in row 1, the
// labels of the counter cells in column E, the strip length in F8, the two scroll bars, and
// the toolbar "Zemra K9-90/1 VX-Link" with its nine controls, which the engine programs.
// The toolbar outlives the session, as an add-in's toolbar does, when the host holds the
// add-in "QVK990LINK.XLA" installed; otherwise it lives for the session only.

#include <functional>
#include <string>

#include "automation/automation_error.h"
#include "automation/spreadsheet.h"

namespace vx::linkhost {

inline constexpr const char* kAddInFile = "QVK990LINK.XLA";
inline constexpr const char* kToolbarName = "Zemra K9-90/1 VX-Link";

struct LoggingWorkbook {
  automation::WorkbookPtr book;
  automation::WorksheetPtr sheet;
};

// A caption by key, in the engine's language.
using CaptionLookup = std::function<std::string(const std::string& key)>;

automation::Result<LoggingWorkbook> BuildLoggingWorkbook(const automation::ApplicationPtr& host,
                                                         const CaptionLookup& caption, int points,
                                                         bool secondReading);

// The heading of column C, which names the chart's second series, for a meter that gives
// two readings.
automation::Status WriteSecondHeader(const automation::WorksheetPtr& sheet,
                                     const CaptionLookup& caption);

// True when the host holds the add-in installed and switched on.
bool AddInInstalled(const automation::ApplicationPtr& host);
// The toolbar with its nine controls: found again when it already lives in the host,
// created otherwise.
automation::Status EnsureToolbar(const automation::ApplicationPtr& host);

// Fits the columns of the sheet's headers and counters to their texts, before a save.
automation::Status FitColumns(const automation::WorksheetPtr& sheet);

// The engine's settings file under the shared documents folder, copied from the installed
// share folder when it is missing. Empty on success, else what went wrong.
std::string EnsureEngineSettingsFile();

}  // namespace vx::linkhost
