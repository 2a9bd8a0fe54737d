// The library of the in-memory host: its factories and its register entry points.
#include "automation/host/host_state.h"
#include "automation/host/memory_application.h"
#include "automation/object_registry.h"

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown*
VxCreateSpreadsheetHost() {
  return vx::automation::host::NewMemoryHost(vx::automation::host::HostKind::Spreadsheet,
                                             vx::automation::host::DefaultHostStatePath());
}

extern "C" __attribute__((visibility("default"))) vx::automation::Unknown*
VxCreateWordProcessorHost() {
  return vx::automation::host::NewMemoryHost(vx::automation::host::HostKind::WordProcessor,
                                             vx::automation::host::DefaultHostStatePath());
}

VX_DEFINE_REGISTER_ENTRY_POINTS({"Excel.Application", "VxCreateSpreadsheetHost"},
                                {"Word.Application", "VxCreateWordProcessorHost"})
