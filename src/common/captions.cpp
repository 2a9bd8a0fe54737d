#include "common/captions.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "common/ini_file.h"

namespace vx {

std::string CurrentLanguage(kEnglish);

std::string LanguageForLocale(std::string_view localeName) {
  const std::string_view region = localeName.substr(0, 5);
  if (region == "zh_TW" || region == "zh_HK") return std::string(kChineseTraditional);
  if (region == "zh_CN" || region == "zh_SG") return std::string(kChineseSimplified);
  return std::string(kEnglish);
}

namespace {

// The program's own folder, from the link the kernel keeps for the running executable.
std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  return std::filesystem::path(std::string(path, static_cast<size_t>(n))).parent_path().string();
}

std::string SystemFolder() {
  if (const char* folder = std::getenv("VX_TOOL_SYSDIR"); folder && *folder) return folder;
  return ExecutableFolder() + "/../share";
}

}  // namespace

std::string SettingsFilePath() {
  return SystemFolder() + "/VX_TOOL.ini";
}

bool SettingsFileExists() {
  std::error_code error;
  return std::filesystem::is_regular_file(SettingsFilePath(), error);
}

std::string Caption(std::string_view key, std::string_view englishDefault) {
  return GetPrivateProfileString(CurrentLanguage, key, englishDefault, SettingsFilePath());
}

}  // namespace vx
