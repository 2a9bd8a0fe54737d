#pragma once
// The buttons of the add-in's toolbar, answered by the program that drives the workbook.
// Where the spreadsheet program runs in a process of its own, a pressed button reaches that
// program's side as a command; the program that logs (vxlink) takes the commands of the
// windows of its workbooks and runs the add-in's macro each names. A host whose toolbars
// run their macros in-process has no need of it and does not offer it.

#include <functional>
#include <string>
#include <string_view>

#include "automation/automation_error.h"

namespace vx::automation {

class ToolbarButtons {
 public:
  static constexpr std::string_view kInterfaceId = "vx.automation.ToolbarButtons";
  virtual ~ToolbarButtons() = default;

  // Called with the macro name of a pressed button ("DmmTimerStart"; any name the command
  // carried, known or not), or with "" when the last window answered has closed. It is
  // called on a thread of the host's own, and must hand the work to the caller's thread and
  // return at once: the spreadsheet program waits for it.
  using Handler = std::function<void(const std::string& macro)>;

  // Answers the buttons of the windows of every workbook this host added or opened, until
  // ReleaseButtons, the host's end, or the windows close. A second call replaces the handler
  // and takes in windows opened since.
  virtual Status AnswerButtons(Handler handler) = 0;
  // The windows go back to the spreadsheet program: their buttons are left unanswered, and
  // the handler is not called again once this returns.
  virtual void ReleaseButtons() = 0;
};

}  // namespace vx::automation
