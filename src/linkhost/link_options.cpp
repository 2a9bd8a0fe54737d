#include "linkhost/link_options.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "automation/typed_input.h"
#include "common/command_line.h"

namespace vx::linkhost {

const char* const kLinkUsage =
    "usage: vxlink --list\n"
    "       vxlink --choose [options]\n"
    "       vxlink --pick [--language N]\n"
    "       vxlink [--device N] [--interval MS] [--begin now|at \"yyyy/mm/dd hh:nn:ss\"|trigger]\n"
    "              [--stop manual|count N|at HH:MM:SS] [--chart none|all|strip [--points N]\n"
    "              [--in-sheet]] [--language N] [--out FILE.xlsx] [--wait]\n"
    "\n"
    "Logs readings of a meter into a worksheet through the logging engine, as the VX-Link\n"
    "add-in does in the spreadsheet program, and saves the workbook with its chart. In\n"
    "LibreOffice Calc (the spreadsheet host where it is installed; VX_SPREADSHEET_HOST=calc\n"
    "or =memory chooses) the sheet fills in a Calc window as the readings come, and the file\n"
    "is written from a copy kept in memory, which holds every reading even if Calc goes.\n"
    "  --list       the meters found: index, descriptor and identity, one per line\n"
    "  --choose     pick the meter in the connect form (needs a display)\n"
    "  --pick       only the connect form (needs a display): the meter chosen is kept in\n"
    "               the engine's settings (key Address) for the next run, and printed\n"
    "  --wait       in LibreOffice Calc, wait for START on the toolbar \"Zemra K9-90/1\n"
    "               VX-Link\" (the VX-Link extension, which Load installs) instead of\n"
    "               beginning at once; Connect there opens the connect form\n"
    "  --device     the meter's index in that list (default 0)\n"
    "  --interval   milliseconds between readings (default 1000)\n"
    "  --begin      at once (default), at a date and time, or on the meter's external trigger\n"
    "  --stop       on Ctrl-C (default), after N readings, or at a time of day\n"
    "  --chart      no chart (default), a chart of all readings, or a strip chart of the last\n"
    "               --points readings (default 50); --in-sheet puts it in the worksheet\n"
    "  --language   the engine's language by its index in the settings file\n"
    "  --out        the workbook file, saved every 10 s while logging and at the end\n"
    "               (default: vxlink-<date>-<time>.xlsx in the current folder); its folder\n"
    "               is checked before the run\n"
    "  --version    the program's version\n"
    "Each row is printed as it is written, and the status line when it changes. Ctrl-C or\n"
    "SIGTERM stops the run; while the meter waits for its trigger vxlink asks first on a\n"
    "terminal, and without one it ends at once, saying that the meter may still be armed.\n"
    "In LibreOffice Calc the buttons of the toolbar \"Zemra K9-90/1 VX-Link\" on the logging\n"
    "workbook's window reach vxlink while it runs: START, PAUSE and STOP control the run.\n"
    "Exit status: 0 the run ended by its stop mode or by a stop request, 1 after an error,\n"
    "2 a wrong command line.\n";

namespace {

bool ParseInt(std::string_view text, long low, long high, long& value) {
  if (text.empty()) return false;
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(copy.c_str(), &end, 10);
  if (errno != 0 || end == copy.c_str() || *end != '\0' || parsed < low || parsed > high) {
    return false;
  }
  value = parsed;
  return true;
}

bool ParseTimeOfDay(std::string_view text, LinkOptions& options) {
  long h = 0;
  long m = 0;
  long s = 0;
  const size_t a = text.find(':');
  const size_t b = a == std::string_view::npos ? a : text.find(':', a + 1);
  if (b == std::string_view::npos || !ParseInt(text.substr(0, a), 0, 23, h) ||
      !ParseInt(text.substr(a + 1, b - a - 1), 0, 59, m) ||
      !ParseInt(text.substr(b + 1), 0, 59, s)) {
    return false;
  }
  options.stopHour = static_cast<int>(h);
  options.stopMinute = static_cast<int>(m);
  options.stopSecond = static_cast<int>(s);
  return true;
}

}  // namespace

ParsedOptions ParseLinkOptions(int argc, const char* const* argv) {
  ParsedOptions parsed;
  LinkOptions& o = parsed.options;
  CommandLine line("vxlink", kLinkUsage, argc, argv);
  long number = 0;
  // The value of `option`, which must read as `check` says; `why` when it does not.
  const auto value = [&line](std::string_view option, std::string_view why,
                             const auto& check) -> std::optional<std::string_view> {
    const std::optional<std::string_view> given = line.Value(option);
    if (!given) return std::nullopt;
    if (!check(*given)) {
      line.RefuseValue(option, why);
      return std::nullopt;
    }
    return given;
  };
  const auto inRange = [&number](long low, long high) {
    return
        [&number, low, high](std::string_view text) { return ParseInt(text, low, high, number); };
  };
  while (!line.Done() && !line.Failed()) {
    const std::string_view option = line.Next();
    if (option == "--list") {
      o.list = true;
    } else if (option == "--choose") {
      o.choose = true;
    } else if (option == "--pick") {
      o.pick = true;
    } else if (option == "--wait") {
      o.wait = true;
    } else if (option == "--in-sheet") {
      o.inSheet = true;
    } else if (option == "--device") {
      if (value(option, "needs a meter index from 0 to 255", inRange(0, 255))) {
        o.device = static_cast<int>(number);
      }
    } else if (option == "--interval") {
      if (value(option, "needs a number of milliseconds from 1 to 86400000",
                inRange(1, 86400000))) {
        o.intervalMs = static_cast<std::int32_t>(number);
      }
    } else if (option == "--begin") {
      const auto begin = value(option, "needs now, at or trigger", [](std::string_view text) {
        return text == "now" || text == "at" || text == "trigger";
      });
      if (begin == "now") {
        o.begin = LinkOptions::Begin::Now;
      } else if (begin == "trigger") {
        o.begin = LinkOptions::Begin::Trigger;
      } else if (begin == "at") {
        const auto when = value(option, "at needs a date and time, \"yyyy/mm/dd hh:nn:ss\"",
                                [](std::string_view text) {
                                  return std::holds_alternative<automation::DateValue>(
                                      automation::TypedInput(text).value);
                                });
        o.begin = LinkOptions::Begin::At;
        if (when) o.beginAt = std::string(*when);
      }
    } else if (option == "--stop") {
      const auto stop = value(option, "needs manual, count or at", [](std::string_view text) {
        return text == "manual" || text == "count" || text == "at";
      });
      if (stop == "manual") {
        o.stop = LinkOptions::Stop::Manual;
      } else if (stop == "count") {
        if (value(option, "count needs a number of readings from 1", inRange(1, 1000000000))) {
          o.stop = LinkOptions::Stop::Count;
          o.stopCount = static_cast<std::int32_t>(number);
        }
      } else if (stop == "at") {
        if (value(option, "at needs a time of day, HH:MM:SS",
                  [&o](std::string_view text) { return ParseTimeOfDay(text, o); })) {
          o.stop = LinkOptions::Stop::At;
        }
      }
    } else if (option == "--chart") {
      const auto chart = value(option, "needs none, all or strip", [](std::string_view text) {
        return text == "none" || text == "all" || text == "strip";
      });
      if (chart) {
        o.chart = *chart == "none"  ? LinkOptions::Chart::None
                  : *chart == "all" ? LinkOptions::Chart::All
                                    : LinkOptions::Chart::Strip;
      }
    } else if (option == "--points") {
      if (value(option, "needs a number of points from 1 to 30000", inRange(1, 30000))) {
        o.points = static_cast<int>(number);
      }
    } else if (option == "--language") {
      if (value(option, "needs a language index", inRange(0, 1000))) {
        o.language = static_cast<int>(number);
      }
    } else if (option == "--out") {
      if (const auto out = value(option, "needs a file name",
                                 [](std::string_view text) { return !text.empty(); })) {
        o.out = std::string(*out);
      }
    } else {
      line.Unknown(option);
    }
  }
  parsed.error = line.Problem();
  return parsed;
}

}  // namespace vx::linkhost
