#include "common/program_paths.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace vx {
namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  return ".";
}

std::string FolderFromEnvironment(const char* variable, const char* belowHome) {
  if (const char* folder = std::getenv(variable); folder && *folder == '/') return folder;
  return HomeFolder() + belowHome;
}

}  // namespace

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  return std::filesystem::path(std::string(path, static_cast<size_t>(n))).parent_path().string();
}

std::string InstalledShareFolder() {
  const std::filesystem::path bin = ExecutableFolder();
  // Installed as <prefix>/bin/<program>, the data lie in <prefix>/share/k9-90; in the build
  // tree, build/bin/<program> finds build/share.
  const std::filesystem::path installed = bin.parent_path() / "share" / "k9-90";
  std::error_code error;
  if (std::filesystem::is_directory(installed, error)) return installed.string();
  return (bin.parent_path() / "share").string();
}

std::string UserConfigFolder() {
  return FolderFromEnvironment("XDG_CONFIG_HOME", "/.config");
}

std::string UserDataFolder() {
  return FolderFromEnvironment("XDG_DATA_HOME", "/.local/share");
}

}  // namespace vx
