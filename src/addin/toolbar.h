#pragma once
// The engine's toolbar: the host's command bar named title1, with the nine controls the
// add-in workbook created. The engine binds their macros and tips, and switches START,
// PAUSE and STOP as a run goes.

#include "addin/logging_state.h"
#include "automation/automation_error.h"

namespace vx::addin {

// Binds the nine controls' macros and tool tips; START, PAUSE and STOP disabled.
automation::Status ProgramToolbar(LoggingState& state);

enum class ToolbarState { Started, Paused, Resumed, Stopped };
// Sets the controls for `toolbarState`; a host without the toolbar is left alone.
automation::Status ShowToolbarState(LoggingState& state, ToolbarState toolbarState);

}  // namespace vx::addin
