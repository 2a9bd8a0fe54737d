#include "linkhost/link_options.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "automation/typed_input.h"

namespace vx::linkhost {

const char* const kLinkUsage =
    "usage: vxlink --list\n"
    "       vxlink --choose [options]\n"
    "       vxlink [--device N] [--interval MS] [--begin now|at \"yyyy/mm/dd hh:nn:ss\"|trigger]\n"
    "              [--stop manual|count N|at HH:MM:SS] [--chart none|all|strip [--points N]\n"
    "              [--in-sheet]] [--language N] [--out FILE.xlsx]\n"
    "\n"
    "Logs readings of a meter into a worksheet through the logging engine, as the VX-Link\n"
    "add-in does in the spreadsheet program, and saves the workbook with its chart. In\n"
    "LibreOffice Calc (the spreadsheet host where it is installed; VX_SPREADSHEET_HOST=calc\n"
    "or =memory chooses) the sheet fills in a Calc window as the readings come, and the file\n"
    "is written from a copy kept in memory, which holds every reading even if Calc goes.\n"
    "  --list       the meters found: index, descriptor and identity, one per line\n"
    "  --choose     pick the meter in the connect form (needs a display)\n"
    "  --device     the meter's index in that list (default 0)\n"
    "  --interval   milliseconds between readings (default 1000)\n"
    "  --begin      at once (default), at a date and time, or on the meter's external trigger\n"
    "  --stop       on Ctrl-C (default), after N readings, or at a time of day\n"
    "  --chart      no chart (default), a chart of all readings, or a strip chart of the last\n"
    "               --points readings (default 50); --in-sheet puts it in the worksheet\n"
    "  --language   the engine's language by its index in the settings file\n"
    "  --out        the workbook file, saved every 10 s while logging and at the end\n"
    "               (default: a new file in the documents folder)\n"
    "Each row is printed as it is written, and the status line when it changes. Ctrl-C\n"
    "stops the run (asking first while the meter waits for its trigger).\n";

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

class Arguments {
 public:
  Arguments(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}
  bool Done() const { return index_ >= argc_; }
  std::string_view Next() { return argv_[index_++]; }
  bool Value(std::string_view& value) {
    if (index_ >= argc_) return false;
    value = argv_[index_++];
    return true;
  }

 private:
  int argc_;
  const char* const* argv_;
  int index_ = 1;
};

std::string Wrong(std::string_view option, std::string_view why) {
  return std::string(option) + ": " + std::string(why);
}

}  // namespace

ParsedOptions ParseLinkOptions(int argc, const char* const* argv) {
  ParsedOptions parsed;
  LinkOptions& o = parsed.options;
  Arguments args(argc, argv);
  long number = 0;
  while (!args.Done()) {
    const std::string_view option = args.Next();
    std::string_view value;
    if (option == "--help" || option == "-h") {
      o.help = true;
    } else if (option == "--list") {
      o.list = true;
    } else if (option == "--choose") {
      o.choose = true;
    } else if (option == "--in-sheet") {
      o.inSheet = true;
    } else if (option == "--device") {
      if (!args.Value(value) || !ParseInt(value, 0, 255, number)) {
        return {o, Wrong(option, "needs a meter index from 0 to 255")};
      }
      o.device = static_cast<int>(number);
    } else if (option == "--interval") {
      if (!args.Value(value) || !ParseInt(value, 1, 86400000, number)) {
        return {o, Wrong(option, "needs a number of milliseconds from 1 to 86400000")};
      }
      o.intervalMs = static_cast<std::int32_t>(number);
    } else if (option == "--begin") {
      if (!args.Value(value)) return {o, Wrong(option, "needs now, at or trigger")};
      if (value == "now") {
        o.begin = LinkOptions::Begin::Now;
      } else if (value == "trigger") {
        o.begin = LinkOptions::Begin::Trigger;
      } else if (value == "at") {
        std::string_view when;
        if (!args.Value(when) ||
            !std::holds_alternative<automation::DateValue>(automation::TypedInput(when).value)) {
          return {o, Wrong(option, "at needs a date and time, \"yyyy/mm/dd hh:nn:ss\"")};
        }
        o.begin = LinkOptions::Begin::At;
        o.beginAt = std::string(when);
      } else {
        return {o, Wrong(option, "needs now, at or trigger")};
      }
    } else if (option == "--stop") {
      if (!args.Value(value)) return {o, Wrong(option, "needs manual, count or at")};
      if (value == "manual") {
        o.stop = LinkOptions::Stop::Manual;
      } else if (value == "count") {
        std::string_view count;
        if (!args.Value(count) || !ParseInt(count, 1, 1000000000, number)) {
          return {o, Wrong(option, "count needs a number of readings from 1")};
        }
        o.stop = LinkOptions::Stop::Count;
        o.stopCount = static_cast<std::int32_t>(number);
      } else if (value == "at") {
        std::string_view when;
        if (!args.Value(when) || !ParseTimeOfDay(when, o)) {
          return {o, Wrong(option, "at needs a time of day, HH:MM:SS")};
        }
        o.stop = LinkOptions::Stop::At;
      } else {
        return {o, Wrong(option, "needs manual, count or at")};
      }
    } else if (option == "--chart") {
      if (!args.Value(value)) return {o, Wrong(option, "needs none, all or strip")};
      if (value == "none") {
        o.chart = LinkOptions::Chart::None;
      } else if (value == "all") {
        o.chart = LinkOptions::Chart::All;
      } else if (value == "strip") {
        o.chart = LinkOptions::Chart::Strip;
      } else {
        return {o, Wrong(option, "needs none, all or strip")};
      }
    } else if (option == "--points") {
      if (!args.Value(value) || !ParseInt(value, 1, 30000, number)) {
        return {o, Wrong(option, "needs a number of points from 1 to 30000")};
      }
      o.points = static_cast<int>(number);
    } else if (option == "--language") {
      if (!args.Value(value) || !ParseInt(value, 0, 1000, number)) {
        return {o, Wrong(option, "needs a language index")};
      }
      o.language = static_cast<int>(number);
    } else if (option == "--out") {
      if (!args.Value(value) || value.empty()) return {o, Wrong(option, "needs a file name")};
      o.out = std::string(value);
    } else {
      return {o, "unknown option " + std::string(option)};
    }
  }
  return parsed;
}

}  // namespace vx::linkhost
