#pragma once
// Opening a file or a web address with the desktop's default handler (xdg-open, or the
// program VX_OPENER names), detached from the caller.

#include <string>

namespace vx {

// True when a desktop display is there to open things on.
bool HasDesktopDisplay();
// True when a Qt program can show its windows: a desktop display, or a Qt platform chosen
// explicitly (QT_QPA_PLATFORM, as the tests choose "offscreen").
bool CanShowWindows();
// Starts the handler for `target` and returns at once; false without a display or when the
// handler cannot be started.
bool OpenWithDesktop(const std::string& target);

}  // namespace vx
