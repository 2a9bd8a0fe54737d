#pragma once
// The add-in's toolbar in Calc and who answers its buttons. The VX-Link extension gives every
// Calc window the toolbar, each button a command address that names the add-in's macro; the
// host takes those commands on the windows of its documents (a dispatch interceptor on each
// window's frame) and hands them to the program that drives the workbook. The state the engine
// gives a button (enabled, visible) is kept here and sent to every listener the office
// registered for it, which is how the real toolbar shows it.

#include <memory>
#include <optional>
#include <string>

#include "automation/calc/calc_state.h"
#include "automation/command_bars.h"
#include "automation/toolbar_buttons.h"

namespace vx::automation::calc {

class ButtonBoard;

// The commands the buttons of the host's own toolbars carry: the macro's name after it.
inline constexpr const char* kMacroProtocol = "vnd.vxlink.macro:";

// Whether the office has the extension's toolbar (the add-in installed and switched on).
// Throws what the office throws; call it inside Call().
bool HasExtensionToolbar(HostState& host);
// Whether `url` is the extension toolbar's resource.
bool IsExtensionToolbar(const std::string& url);
// The extension toolbar's buttons: their states are the board's.
Result<CommandBarControlsPtr> ExtensionToolbarControls(HostState& host);
// Tells the listeners of the buttons that run `macro` their new state (a button of one of
// the host's own toolbars changed).
void ShowButtonState(HostState& host, const std::string& macro, std::optional<bool> enabled,
                     std::optional<bool> visible);

Status AnswerButtons(HostState& host, ToolbarButtons::Handler handler);
void ReleaseButtons(HostState& host);

// The macro a command address of the extension's protocol, or of the host's own toolbars'
// protocol, names; "" for any other address.
std::string MacroOfCommand(std::string_view command);

}  // namespace vx::automation::calc
