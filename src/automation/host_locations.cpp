#include "automation/host_locations.h"

#include <cstdlib>
#include <filesystem>

#include "common/program_paths.h"

namespace vx::automation {

std::string HostStatePath() {
  if (const char* path = std::getenv("VX_HOST_STATE"); path && *path) return path;
  return UserConfigFolder() + "/k9-90/host-state.ini";
}

std::string HostCacheFolder() {
  return (std::filesystem::path(HostStatePath()).parent_path() / "cache").string();
}

}  // namespace vx::automation
