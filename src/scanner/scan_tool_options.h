#pragma once
// vxscan's command line: which meter, the channel list, the run settings of the scanner
// window, and where the results go.

#include <optional>
#include <string>
#include <string_view>

#include "common/local_time.h"
#include "scanner/run_settings.h"

namespace vx::scanner {

struct ScanToolOptions {
  bool list = false;
  int device = 0;
  std::string channels;
  // Texts as given: the run checks them as it checks the window's fields.
  std::optional<std::string> timer;
  std::optional<std::string> count;
  std::optional<std::string> passes;
  bool perScan = false;
  int intervalHours = 0;
  int intervalMinutes = 0;
  int intervalSeconds = 0;
  std::optional<LocalDateTime> stopTime;
  std::optional<LocalDateTime> at;
  ScanMode mode = ScanMode::Scan;
  std::string out;
};

extern const char* const kScanToolUsage;

struct ParsedScanToolOptions {
  ScanToolOptions options;
  // Empty when the command line was read; otherwise what is wrong with it. --help and
  // --version are the program's to answer before it parses.
  std::string error;
};
ParsedScanToolOptions ParseScanToolOptions(int argc, const char* const* argv);

// "yyyy/MM/dd HH:mm:ss", a real calendar date and time; none for any other text.
std::optional<LocalDateTime> ParseDateTime(std::string_view text);

// The run settings the options stand for; `channels` gives Scan count its default.
RunSettings SettingsFor(const ScanToolOptions& options, int channels);

}  // namespace vx::scanner
