#pragma once
// The add-in toolbar's buttons as vxlink meets them: the host hands over each pressed
// button's macro name on a thread of its own, and it is run here on the thread that made this
// object, the one that owns the engine, in the order the buttons were pressed. The host is
// never kept waiting: a button is queued and its macro runs once the host's call has returned.

#include <functional>
#include <memory>
#include <string>

#include "automation/automation_error.h"
#include "automation/toolbar_buttons.h"

namespace vx::linkhost {

class ToolbarMacros {
 public:
  // `run` gets the macro's name, or "" when the last window answered has closed.
  using Run = std::function<void(const std::string& macro)>;

  ToolbarMacros(std::shared_ptr<automation::ToolbarButtons> buttons, Run run);
  // Gives the windows back: no macro runs after this, not even one queued before.
  ~ToolbarMacros();
  ToolbarMacros(const ToolbarMacros&) = delete;
  ToolbarMacros& operator=(const ToolbarMacros&) = delete;

  // Starts answering the buttons of the host's workbooks.
  automation::Status Answer();

 private:
  std::shared_ptr<automation::ToolbarButtons> buttons_;
  std::shared_ptr<Run> run_;
};

}  // namespace vx::linkhost
