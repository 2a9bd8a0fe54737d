#include "scanner/scan_tool_options.h"

#include <algorithm>

#include "common/c_number.h"
#include "common/command_line.h"
#include "scanner/field_checks.h"

namespace vx::scanner {

const char* const kScanToolUsage =
    "usage: vxscan --list\n"
    "       vxscan [--device N] --channels \"1=DCV,2=DCI:100:0.001,3=4W,...\" [--timer S]\n"
    "              [--count N | --passes N] [--interval HH:MM:SS [--stop-time \"yyyy/MM/dd "
    "HH:mm:ss\"]]\n"
    "              [--at \"yyyy/MM/dd HH:mm:ss\"] [--mode SCAN|STEP] [--out FILE.xlsx|FILE.csv]\n"
    "\n"
    "Runs a scan on a meter's scanner card as the \"Setting Scan\" window does, prints the\n"
    "results grid and can save it as a workbook or as CSV.\n"
    "  --list       the scanner's meter list: position, display name and identity\n"
    "  --device     the meter's position in that list (default 0)\n"
    "  --channels   CH=FUNCTION for each channel scanned (the others are None); functions\n"
    "               None, DCV, ACV, DCI, ACI, Freq, 2W, 4W; DCI and ACI take their shunt as\n"
    "               :R (ohms) and optionally :offset (amperes): the reading shown is\n"
    "               reading / R + offset; 4W on CH1 to CH(n/2) uses channel k + n/2 too\n"
    "  --timer      the card's scan timer in seconds, 0 to 60 (default 0.5)\n"
    "  --count      readings of a plain run, 0 to 2000 (default: the channel count)\n"
    "  --passes     N passes over the channels, 1 to 200 (\"Stop After N scans\")\n"
    "  --interval   a pass, then the next one once this time has passed (\"PerScan\n"
    "               Interval\"), each pass a row; until --passes, --stop-time or Ctrl-C\n"
    "  --stop-time  with --interval: no pass starts after this time\n"
    "  --at         the first pass starts once this time has passed (\"At Time\")\n"
    "  --mode       SCAN (default) or STEP\n"
    "  --out        the results as a workbook (.xlsx, through the spreadsheet host) or as\n"
    "               CSV (.csv), written again after every pass\n"
    "  --version    the program's version\n"
    "The header and each row are printed tab-separated as they are filled, the progress of a\n"
    "pass on standard error. Ctrl-C ends the run between polls, keeping what was fetched.\n"
    "Exit status: 0 done, every reading in place; 1 no meter or card, the meter lost during\n"
    "the run, readings missing from the results, or the results not saved; 2 a wrong command\n"
    "line, a value the window's checks refuse included; 130 ended by Ctrl-C.\n";

namespace {

std::optional<int> Field(std::string_view text, int low, int high) {
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  const std::optional<int> value = WholeNumber(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// "HH:MM:SS" as the PerScan Interval field takes it.
bool ParseInterval(std::string_view text, ScanToolOptions& options) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
  const auto h = Field(text.substr(0, 2), 0, 23);
  const auto m = Field(text.substr(3, 2), 0, 59);
  const auto s = Field(text.substr(6, 2), 0, 59);
  if (!h || !m || !s) return false;
  options.intervalHours = *h;
  options.intervalMinutes = *m;
  options.intervalSeconds = *s;
  return true;
}

// The options that take a value.
bool IsValueOption(std::string_view option) {
  static constexpr std::string_view kOptions[] = {
      "--device",   "--channels",  "--timer", "--count", "--passes",
      "--interval", "--stop-time", "--at",    "--mode",  "--out"};
  return std::find(std::begin(kOptions), std::end(kOptions), option) != std::end(kOptions);
}

// The rules the window's check boxes make: Scan count counts only in a plain run, and the
// Stop Time ends only a PerScan run that does not end after N passes.
std::string CheckCombination(const ScanToolOptions& o) {
  if (o.count && (o.passes || o.perScan)) {
    return "--count is the plain run's; with --passes or --interval the passes set the count";
  }
  if (o.stopTime && !o.perScan) return "--stop-time ends an --interval run";
  if (o.stopTime && o.passes) return "--stop-time and --passes both end the run: give one";
  return {};
}

}  // namespace

std::optional<LocalDateTime> ParseDateTime(std::string_view text) {
  if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  const auto year = Field(text.substr(0, 4), 1900, 9999);
  const auto month = Field(text.substr(5, 2), 1, 12);
  const auto day = Field(text.substr(8, 2), 1, 31);
  const auto hour = Field(text.substr(11, 2), 0, 23);
  const auto minute = Field(text.substr(14, 2), 0, 59);
  const auto second = Field(text.substr(17, 2), 0, 59);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  if (*day > DaysIn(*year, *month)) return std::nullopt;
  return LocalDateTime{*year, *month, *day, *hour, *minute, *second};
}

ParsedScanToolOptions ParseScanToolOptions(int argc, const char* const* argv) {
  ParsedScanToolOptions parsed;
  ScanToolOptions& o = parsed.options;
  CommandLine line("vxscan", kScanToolUsage, argc, argv);
  bool channelsGiven = false;
  while (!line.Done() && !line.Failed()) {
    const std::string_view option = line.Next();
    if (option == "--list") {
      o.list = true;
      continue;
    }
    if (!IsValueOption(option)) {
      line.Unknown(option);
      break;
    }
    const std::optional<std::string_view> given = line.Value(option);
    if (!given) break;
    const std::string_view value = *given;
    if (option == "--device") {
      const std::optional<int> device = Field(value, 0, 3);
      if (!device) line.RefuseValue(option, "a meter's position, 0 to 3");
      o.device = device.value_or(0);
    } else if (option == "--channels") {
      o.channels = value;
      channelsGiven = true;
    } else if (option == "--timer") {
      o.timer = std::string(value);
    } else if (option == "--count") {
      o.count = std::string(value);
    } else if (option == "--passes") {
      o.passes = std::string(value);
    } else if (option == "--interval") {
      o.perScan = true;
      if (!ParseInterval(value, o)) line.RefuseValue(option, "a time of day, HH:MM:SS");
    } else if (option == "--stop-time" || option == "--at") {
      std::optional<LocalDateTime> time = ParseDateTime(value);
      if (!time) line.RefuseValue(option, "a date and time, \"yyyy/MM/dd HH:mm:ss\"");
      (option == "--at" ? o.at : o.stopTime) = time;
    } else if (option == "--mode") {
      if (EqualsNoCase(value, "SCAN")) {
        o.mode = ScanMode::Scan;
      } else if (EqualsNoCase(value, "STEP")) {
        o.mode = ScanMode::Step;
      } else {
        line.RefuseValue(option, "SCAN or STEP");
      }
    } else if (option == "--out") {
      o.out = value;
      const std::string lower = ToLowerAscii(value);
      if (!lower.ends_with(".xlsx") && !lower.ends_with(".csv")) {
        line.RefuseValue(option, "a file name ending in .xlsx or .csv");
      }
    }
  }
  if (!line.Failed() && !o.list) {
    line.Refuse(channelsGiven ? CheckCombination(o) : "--channels is needed");
  }
  parsed.error = line.Problem();
  return parsed;
}

RunSettings SettingsFor(const ScanToolOptions& options, int channels) {
  RunSettings settings;
  settings.timerText = options.timer.value_or("0.5");
  settings.scanCountText = options.count.value_or(std::to_string(channels));
  settings.passesText = options.passes.value_or("1");
  settings.stopAfterOn = options.passes.has_value();
  settings.mode = options.mode;
  settings.atTimeOn = options.at.has_value();
  if (options.at) settings.atTime = *options.at;
  settings.perScanOn = options.perScan;
  settings.intervalHours = options.intervalHours;
  settings.intervalMinutes = options.intervalMinutes;
  settings.intervalSeconds = options.intervalSeconds;
  settings.stopTimeOn = options.stopTime.has_value();
  if (options.stopTime) settings.stopTime = *options.stopTime;
  return settings;
}

}  // namespace vx::scanner
