#pragma once
// Where the spreadsheet host keeps what outlives a process: its lasting state
// (VX_HOST_STATE, by default ~/.config/k9-90/host-state.ini) and, beside it, its cache.

#include <string>

namespace vx::automation {

std::string HostStatePath();
std::string HostCacheFolder();

}  // namespace vx::automation
