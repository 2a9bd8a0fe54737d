#pragma once
// Captions and messages of VX_TOOL in the user's language. The settings file VX_TOOL.ini
// (in VX_TOOL_SYSDIR, by default the share folder installed beside the program) holds one
// section per language with numeric keys; a missing file, section or key gives the English
// default that each lookup passes, so the program runs in English without the file.

#include <string>
#include <string_view>

namespace vx {

inline constexpr std::string_view kEnglish = "English(U.S)";
inline constexpr std::string_view kChineseTraditional = "Chinese(Traditional)";
inline constexpr std::string_view kChineseSimplified = "Chinese(Simplify)";

// The language section every caption lookup reads: one of the three names above. Chosen
// from the system locale at start and in the About box; the whole program shares it.
extern std::string CurrentLanguage;

// The language a system locale name selects: zh_TW and zh_HK give Traditional Chinese,
// zh_CN and zh_SG Simplified Chinese, any other English.
std::string LanguageForLocale(std::string_view localeName);

// The settings file's path, and whether it exists.
std::string SettingsFilePath();
bool SettingsFileExists();

// The value of `key` in section CurrentLanguage of the settings file, or `englishDefault`.
std::string Caption(std::string_view key, std::string_view englishDefault);

}  // namespace vx
