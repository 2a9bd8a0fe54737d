#pragma once
// The engine's settings file: "Tolvex/Multimeter/K9-90/VX_TOOL.ini" in the shared documents
// folder (VX_SHARED_DOCS, by default the user's data folder), with the language list and
// the logging settings in section "Information" and one section of texts per language.

#include <string>
#include <vector>

#include "addin/logging_state.h"
#include "common/prompt.h"

namespace vx::addin {

inline constexpr const char* kSettingsRelativePath = "\\Tolvex\\Multimeter\\K9-90\\VX_TOOL.ini";
inline constexpr const char* kInformation = "Information";

// The shared documents folder: VX_SHARED_DOCS, else the user's data folder. Created when
// missing.
enum class FolderLookup { Found, InvalidId, Missing };
FolderLookup SharedDocumentsFolder(std::string& folder);

// The settings file's path, or "" after the message that says what is wrong.
std::string GetSettingsPath(Prompter& prompter, const std::string& title);
// The settings file's path when everything is in place, without any message ("" otherwise).
std::string SettingsPathQuietly();

std::vector<std::string> SplitLanguages(const std::string& list);

// The keys SaveSetting writes, from the logging state, under the file's lock. False when
// the file cannot be written, with the reason in `why`.
bool SaveLoggingSettings(const LoggingState& state, const std::string& path, std::string* why);
// The engine's words for a settings write that failed.
std::string SettingsNotSaved(const std::string& path, const std::string& why);

}  // namespace vx::addin
