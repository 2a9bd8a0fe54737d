#pragma once
// Rescind: takes the VX-Link add-in out of the spreadsheet program: deletes its toolbar and
// switches the add-in off. The add-in file stays where it is.

#include <string_view>

#include "automation/application_factory.h"
#include "common/prompt.h"

namespace vx::remover {

inline constexpr const char* kCaption = "Tolvex VX-Link additionals remove";
inline constexpr const char* kToolbarName = "Zemra K9-90/1 VX-LINK";
inline constexpr const char* kAddInFile = "QVK990LINK.XLA";

struct RemovalOutcome {
  int toolbarsDeleted = 0;
  int addInsSwitchedOff = 0;
  bool hostStarted = false;
};

// Runs the removal, showing what goes wrong through `prompter`.
RemovalOutcome RemoveAddIn(Prompter& prompter, const automation::ApplicationFactory& hosts =
                                                   automation::RegisteredApplication);

}  // namespace vx::remover
