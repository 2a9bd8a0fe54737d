#pragma once
// The in-memory host program: the spreadsheet program ("Excel.Application") and the word
// processor ("Word.Application") of this platform. Programs reach it through the object
// registry; tests may also make one directly, with a state file of their own.

#include <string>

#include "automation/host/host_data.h"
#include "automation/unknown.h"

namespace vx::automation::host {

// A new host, owned by the caller, that keeps its lasting state in `statePath`. Its sheets
// end at `lastRow` (the program's 1,048,576 unless a test wants to reach the end sooner).
Unknown* NewMemoryHost(HostKind kind, std::string statePath, int lastRow = kMaxRows);

}  // namespace vx::automation::host
