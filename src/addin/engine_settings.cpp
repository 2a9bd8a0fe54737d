#include "addin/engine_settings.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/c_number.h"
#include "common/ini_file.h"
#include "common/program_paths.h"

namespace vx::addin {
namespace {

// The relative path with the platform's separators.
std::string RelativePath() {
  std::string path = kSettingsRelativePath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string Number(long value) {
  return std::to_string(value);
}

// Whole numbers as integers ("30"), others with the digits they need ("1.5").
std::string Number(double value) {
  return FormatC("%.15g", value);
}

}  // namespace

FolderLookup SharedDocumentsFolder(std::string& folder) {
  const char* configured = std::getenv("VX_SHARED_DOCS");
  folder = configured ? std::string(configured) : UserDataFolder();
  // Only an absolute folder names a place; anything else is no valid folder at all.
  if (folder.empty() || folder.front() != '/') return FolderLookup::InvalidId;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error) ? FolderLookup::Found : FolderLookup::Missing;
}

std::string GetSettingsPath(Prompter& prompter, const std::string& title) {
  std::string folder;
  switch (SharedDocumentsFolder(folder)) {
    case FolderLookup::InvalidId:
      prompter.Message("An invalid folder ID was specified.", title, MessageIcon::Stop);
      return {};
    case FolderLookup::Missing:
      prompter.Message("The folder does not exist.", title, MessageIcon::Stop);
      return {};
    case FolderLookup::Found:
      break;
  }
  const std::string path = folder + RelativePath();
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) return path;
  prompter.Message("Loss of important files, please re-install the application.", title,
                   MessageIcon::Stop);
  return {};
}

std::string SettingsPathQuietly() {
  std::string folder;
  if (SharedDocumentsFolder(folder) != FolderLookup::Found) return {};
  const std::string path = folder + RelativePath();
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) ? path : std::string();
}

std::vector<std::string> SplitLanguages(const std::string& list) {
  return SplitFields(list, ',');
}

bool SaveLoggingSettings(const LoggingState& state, const std::string& path, std::string* why) {
  return UpdateIniFile(
      path,
      [&state](IniDocument& document) {
        if (state.pointsCell != 0)
          document.Set(kInformation, "NumPoints", Number(long{state.pointsCell}));
        document.Set(kInformation, "ReadPoints", Number(long{state.readingsLimit}));
        document.Set(kInformation, "Begin", Number(long{state.beginMode}));
        document.Set(kInformation, "Terminating", Number(long{state.stopMode}));
        document.Set(kInformation, "Add_Chart", Number(long{state.chartKind}));
        document.Set(kInformation, "In_Sheet", state.chartInSheet ? "True" : "False");
        document.Set(kInformation, "Interval", Number(long{state.interval}));
        document.Set(kInformation, "StopTime_HH", Number(state.stopHours));
        document.Set(kInformation, "StopTime_NN", Number(state.stopMinutes));
        document.Set(kInformation, "StopTime_SS", Number(state.stopSeconds));
      },
      why);
}

std::string SettingsNotSaved(const std::string& path, const std::string& why) {
  return "The settings could not be saved in " + path + ": " + why + ".";
}

}  // namespace vx::addin
