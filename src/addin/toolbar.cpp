#include "addin/toolbar.h"

#include <array>

#include "automation/command_bars.h"

namespace vx::addin {
namespace {

using automation::CommandBarControlPtr;
using automation::CommandBarControlsPtr;
using automation::Status;

constexpr int kStart = 7;
constexpr int kPause = 8;
constexpr int kStop = 9;

automation::Result<CommandBarControlsPtr> Controls(LoggingState& state) {
  if (!state.host) {
    return automation::AutomationError::Make(automation::ErrorNumber::Failed,
                                             "The engine has no host: SetApp was not called.");
  }
  VX_ASSIGN_OR_RETURN(automation::CommandBarsPtr bars, state.host->CommandBars());
  VX_ASSIGN_OR_RETURN(automation::CommandBarPtr bar, bars->Item(state.title1));
  return bar->Controls();
}

Status Enable(const CommandBarControlsPtr& controls, int index, bool enabled) {
  VX_ASSIGN_OR_RETURN(CommandBarControlPtr control, controls->Item(index));
  return control->SetEnabled(enabled);
}

Status ShowRange(const CommandBarControlsPtr& controls, int first, int last, bool visible) {
  for (int i = first; i <= last; ++i) {
    VX_ASSIGN_OR_RETURN(CommandBarControlPtr control, controls->Item(i));
    VX_RETURN_IF_ERROR(control->SetVisible(visible));
  }
  return {};
}

Status SetRunButtons(const CommandBarControlsPtr& controls, bool start, bool pause, bool stop) {
  VX_RETURN_IF_ERROR(Enable(controls, kStart, start));
  VX_RETURN_IF_ERROR(Enable(controls, kPause, pause));
  return Enable(controls, kStop, stop);
}

}  // namespace

Status ProgramToolbar(LoggingState& state) {
  static constexpr std::array<const char*, 9> kMacros = {
      "DmmAbout", "DmmConnect",    "DmmFiles",      "DmmFuncs",    "DmmMeas",
      "DmmChart", "DmmTimerStart", "DmmTimerPause", "DmmTimerStop"};
  const std::array<std::string, 9> tips = {"About " + state.title1,
                                           "Connect to Device",
                                           "File Access",
                                           "Set up Instrument",
                                           "Get Single Reading",
                                           "Logging Charts",
                                           "START",
                                           "PAUSE",
                                           "STOP"};
  VX_ASSIGN_OR_RETURN(CommandBarControlsPtr controls, Controls(state));
  for (int i = 1; i <= 9; ++i) {
    VX_ASSIGN_OR_RETURN(CommandBarControlPtr control, controls->Item(i));
    VX_RETURN_IF_ERROR(control->SetOnAction(kMacros[i - 1]));
    VX_RETURN_IF_ERROR(control->SetToolTipText(tips[i - 1]));
  }
  return SetRunButtons(controls, false, false, false);
}

Status ShowToolbarState(LoggingState& state, ToolbarState toolbarState) {
  VX_ASSIGN_OR_RETURN(CommandBarControlsPtr controls, Controls(state));
  switch (toolbarState) {
    case ToolbarState::Started:
      VX_RETURN_IF_ERROR(ShowRange(controls, 2, 6, false));
      return SetRunButtons(controls, false, true, true);
    case ToolbarState::Paused:
      return SetRunButtons(controls, true, false, true);
    case ToolbarState::Resumed:
      return SetRunButtons(controls, false, true, true);
    case ToolbarState::Stopped:
      VX_RETURN_IF_ERROR(ShowRange(controls, 1, 6, true));
      return SetRunButtons(controls, false, false, false);
  }
  return {};
}

}  // namespace vx::addin
