#include "common/captions.h"

#include <cstdlib>
#include <filesystem>

#include "common/ini_file.h"
#include "common/program_paths.h"

namespace vx {

std::string CurrentLanguage(kEnglish);

std::string LanguageForLocale(std::string_view localeName) {
  const std::string_view region = localeName.substr(0, 5);
  if (region == "zh_TW" || region == "zh_HK") return std::string(kChineseTraditional);
  if (region == "zh_CN" || region == "zh_SG") return std::string(kChineseSimplified);
  return std::string(kEnglish);
}

namespace {

std::string SystemFolder() {
  if (const char* folder = std::getenv("VX_TOOL_SYSDIR"); folder && *folder) return folder;
  return InstalledShareFolder();
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
