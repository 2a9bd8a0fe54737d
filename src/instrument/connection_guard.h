#pragma once

#include <string>

#include "common/prompt.h"
#include "instrument/device_table.h"

namespace vx::instrument {

// The guard that menu and toolbar commands pass first: 1 to go on, -1 to do nothing.
// It refuses, after telling the user `message` (the "Connection status has changed" text
// in the window's language) in an exclamation box with an empty title, when the table's
// state is inconsistent or a listed meter's connection was lost since the last scan: the
// user must choose "Refresh" first.
int CheckConnection(const DeviceTable& table, Prompter& prompter, const std::string& message);

}  // namespace vx::instrument
