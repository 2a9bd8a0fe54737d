#pragma once
// Rescind: takes the VX-Link add-in out of the spreadsheet program: deletes its toolbar and
// switches the add-in off. The add-in file stays where it is.

#include <string>
#include <string_view>

#include "automation/application_factory.h"
#include "common/prompt.h"

namespace vx::remover {

inline constexpr const char* kCaption = "Tolvex VX-Link additionals remove";
inline constexpr const char* kToolbarName = "Zemra K9-90/1 VX-LINK";
inline constexpr const char* kAddInFile = "QVK990LINK.XLA";

struct RemovalOutcome {
  int toolbarsDeleted = 0;
  int addInsSwitchedOff = 0;  // add-ins that were on
  bool hostStarted = false;
  // What went wrong on the way (a host state that cannot be read or written), empty when
  // nothing did.
  std::string failure;

  bool Ok() const { return hostStarted && failure.empty(); }
};

// Runs the removal, showing what goes wrong through `prompter`.
RemovalOutcome RemoveAddIn(Prompter& prompter, const automation::ApplicationFactory& hosts =
                                                   automation::RegisteredApplication);

}  // namespace vx::remover
