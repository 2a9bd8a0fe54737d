#pragma once
// vxlink's command line: which meter, how often, how a run begins and ends, which chart,
// and where the workbook goes.

#include <cstdint>
#include <optional>
#include <string>

namespace vx::linkhost {

struct LinkOptions {
  enum class Begin { Now, At, Trigger };
  enum class Stop { Manual, Count, At };
  enum class Chart { None, All, Strip };

  bool list = false;
  bool choose = false;
  bool pick = false;  // the connect form only: the chosen meter is kept in the settings
  bool wait = false;  // the run begins at START on the toolbar
  int device = 0;
  std::int32_t intervalMs = 1000;
  Begin begin = Begin::Now;
  std::string beginAt;  // "yyyy/mm/dd hh:nn:ss"
  Stop stop = Stop::Manual;
  std::int32_t stopCount = 0;
  int stopHour = 0;
  int stopMinute = 0;
  int stopSecond = 0;
  Chart chart = Chart::None;
  int points = 50;
  bool inSheet = false;
  std::optional<int> language;
  std::string out;
};

extern const char* const kLinkUsage;

// The options, or the reason the command line is wrong. --help and --version are the
// program's to answer before it parses.
struct ParsedOptions {
  LinkOptions options;
  std::string error;
};
ParsedOptions ParseLinkOptions(int argc, const char* const* argv);

}  // namespace vx::linkhost
