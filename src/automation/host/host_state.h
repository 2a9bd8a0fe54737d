#pragma once
// The host program's lasting state: the add-ins it knows and whether each is switched on,
// the toolbars that outlive a session with their controls, and its version. It lives in a
// small settings file (VX_HOST_STATE, by default ~/.config/k9-90/host-state.ini), one part
// per host ("Excel", "Word"), so that what Load installs a later vxlink and Rescind see.
//
// Writers re-read the file under a lock and replace only their own host's part, through a
// temporary file and a rename: a crash never leaves half a state file, and two programs
// changing it one after the other both keep their changes. A file that is not well formed
// is reported by path and line and never overwritten.

#include <string>
#include <string_view>
#include <vector>

#include "automation/automation_error.h"

namespace vx::automation::host {

struct CommandBarControlData {
  std::string caption;
  std::string onAction;
  std::string toolTipText;
  bool visible = true;
  bool enabled = true;
};

struct CommandBarData {
  std::string name;
  bool visible = true;
  bool builtIn = false;
  bool temporary = false;
  bool deleted = false;
  std::vector<CommandBarControlData> controls;
};

struct AddInData {
  std::string name;      // file name
  std::string fullName;  // path
  bool installed = false;
};

struct LastingState {
  std::string version;  // "" when the file names none
  std::vector<AddInData> addIns;
  std::vector<CommandBarData> commandBars;
};

// The part of `host`; a missing file is an empty state.
Result<LastingState> ReadHostState(const std::string& path, std::string_view host);
Status WriteHostState(const std::string& path, std::string_view host, const LastingState& state);

}  // namespace vx::automation::host
