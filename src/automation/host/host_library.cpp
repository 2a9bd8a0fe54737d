// The library of the in-memory host: its factories and its register entry points.
#include "automation/host/memory_application.h"
#include "automation/host_locations.h"
#include "automation/object_registry.h"

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown*
VxCreateSpreadsheetHost() {
  return vx::automation::host::NewMemoryHost(vx::automation::host::HostKind::Spreadsheet,
                                             vx::automation::HostStatePath());
}

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown*
VxCreateWordProcessorHost() {
  return vx::automation::host::NewMemoryHost(vx::automation::host::HostKind::WordProcessor,
                                             vx::automation::HostStatePath());
}

// The generic spreadsheet identifier is this host's own until another implementation
// becomes its current version; the specific one lets VX_SPREADSHEET_HOST=memory choose it.
VX_DEFINE_REGISTER_ENTRY_POINTS({"Excel.Application", "VxCreateSpreadsheetHost"},
                                {"Excel.Application.Memory", "VxCreateSpreadsheetHost"},
                                {"Word.Application", "VxCreateWordProcessorHost"})
