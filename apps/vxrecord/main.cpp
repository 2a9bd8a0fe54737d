// vxrecord: the record files from the command line, as the record viewer shows them. Lists
// the records, prints the figures of one, or writes one as the viewer's CSV output.

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_line.h"
#include "common/json_text.h"
#include "common/local_time.h"
#include "records/export/csv_writer.h"
#include "records/export/reading_text.h"
#include "records/record_folder.h"
#include "records/record_reader.h"
#include "records/record_slots.h"

namespace {

using namespace vx::records;

constexpr const char* kUsage =
    "usage: vxrecord [--folder DIR] list [--json]\n"
    "       vxrecord [--folder DIR] stats [--json] N\n"
    "       vxrecord [--folder DIR] csv N FILE\n"
    "\n"
    "  list    print the record list as the record viewer shows it (a file that cannot\n"
    "          be read is listed with the reason in place of its start stamp)\n"
    "  stats   print the count, maximum, minimum and average of record N\n"
    "  csv     write record N to FILE in the viewer's CSV layout (exactly that name)\n"
    "  --json  list and stats print JSON instead: for list an array of {\"record\", \"label\",\n"
    "          \"start\"} (\"error\" in place of \"start\" for a file that cannot be read),\n"
    "          for stats {\"record\", \"count\", \"maximum\", \"minimum\", \"average\"}, the\n"
    "          figures as numbers (null without readings)\n"
    "  --version  the program's version\n"
    "\n"
    "Without --folder the record folder is found as the program finds it: the current\n"
    "folder when its path holds \"DB\", else its DB subfolder.\n"
    "Exit status: 0 done, 1 a record or file that cannot be read or written, 2 a wrong\n"
    "command line.\n";

// The command line after the program's name: the folder, the command and its arguments.
struct Request {
  std::optional<std::string> folder;
  std::string command;
  std::vector<std::string> arguments;
  bool json = false;
};

// Reads the command line; a problem is left in `line`.
Request ReadRequest(vx::CommandLine& line) {
  Request request;
  while (!line.Done() && !line.Failed()) {
    const std::string_view argument = line.Next();
    if (argument == "--folder" && request.command.empty()) {
      if (const auto folder = line.Value(argument)) request.folder = std::string(*folder);
    } else if (argument == "--json") {
      request.json = true;
    } else if (argument.size() > 1 && argument.front() == '-') {
      line.Unknown(argument);
    } else if (request.command.empty()) {
      request.command = std::string(argument);
    } else {
      request.arguments.emplace_back(argument);
    }
  }
  if (line.Failed()) return request;
  const size_t wanted = request.command == "list"    ? 0
                        : request.command == "stats" ? 1
                        : request.command == "csv"   ? 2
                                                     : 3;
  if (request.command.empty()) {
    line.Refuse("a command is needed: list, stats or csv");
  } else if (wanted == 3) {
    line.Refuse("unknown command \"" + request.command + "\": list, stats or csv");
  } else if (request.arguments.size() > wanted) {
    line.Unknown(request.arguments[wanted]);
  } else if (request.arguments.size() < wanted) {
    line.Refuse(request.command +
                (wanted == 1 ? " needs a record number N" : " needs a record number N and a FILE"));
  } else if (request.json && request.command == "csv") {
    line.RefuseValue("--json", "list and stats only");
  }
  return request;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vxrecord: %s\n", message.c_str());
  return 1;
}

// A record number from the command line: 1 to 10, written as a plain decimal.
std::optional<int> RecordArgument(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int record = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    record = record * 10 + (c - '0');
  }
  if (!IsRecordNumber(record)) return std::nullopt;
  return record;
}

// The viewer's line of record `record`, or none when the viewer does not list it.
std::optional<std::string> ListedLabel(const std::string& folder, int record) {
  const RecordSlots slots = ListRecordSlots(folder);
  return RecordLabel(slots[static_cast<size_t>(record - kFirstRecord)], ListForm::Viewer);
}

std::string NotListed(const std::string& folder, int record) {
  const std::string path = RecordFilePath(folder, record);
  const RecordSlot slot = ListRecordSlots(folder)[static_cast<size_t>(record - kFirstRecord)];
  if (!slot.fileExists)
    return "record " + std::to_string(record) + " does not exist (" + path + ")";
  if (!slot.status.Ok()) return slot.status.message;
  return "record " + std::to_string(record) + " has no start stamp and is not listed";
}

// A record's line of the JSON list: its number, the viewer's label, and its start as an ISO
// date and time, or why its file cannot be read.
std::string JsonSlot(const RecordSlot& slot, const std::string& label) {
  std::string item =
      "{\"record\": " + std::to_string(slot.record) + ", \"label\": " + vx::JsonString(label);
  if (Unreadable(slot)) {
    item += ", \"error\": " + vx::JsonString(UnreadableReason(slot.status));
  } else if (slot.stamp) {
    item += ", \"start\": " +
            vx::JsonString(vx::FormatLocal(vx::FromOleDate(*slot.stamp), "%Y-%m-%dT%H:%M:%S"));
  }
  return item + "}";
}

int List(const std::string& folder, bool json) {
  std::string out = json ? "[" : "";
  bool first = true;
  for (const RecordSlot& slot : ListRecordSlots(folder)) {
    const std::optional<std::string> label = RecordLabel(slot, ListForm::Viewer);
    if (!label) continue;
    if (json) {
      out += (first ? "" : ",\n ") + JsonSlot(slot, *label);
    } else {
      out += *label + "\n";
    }
    first = false;
  }
  if (json) out += "]\n";
  std::fputs(out.c_str(), stdout);
  return 0;
}

std::string JsonFigure(const std::optional<double>& value) {
  return value ? vx::JsonNumber(*value) : "null";
}

int Stats(const std::string& folder, int record, bool json) {
  if (!ListedLabel(folder, record)) return Fail(NotListed(folder, record));
  Result<RecordReader> reader = RecordReader::Open(folder, record);
  if (!reader.Ok()) return Fail(reader.GetStatus().message);
  Result<RecordStatistics> statistics = reader->Statistics();
  if (!statistics.Ok()) return Fail(statistics.GetStatus().message);
  const RecordStatistics& figures = statistics.Value();
  if (json) {
    std::printf(
        "{\"record\": %d, \"count\": %lld, \"maximum\": %s, \"minimum\": %s, "
        "\"average\": %s}\n",
        record, figures.count, JsonFigure(figures.maximum).c_str(),
        JsonFigure(figures.minimum).c_str(), JsonFigure(figures.average).c_str());
    return 0;
  }
  const RecordFigures shown = FiguresOf(figures);
  std::printf("count\t%s\nmaximum\t%s\nminimum\t%s\naverage\t%s\n", shown.count.c_str(),
              shown.maximum.c_str(), shown.minimum.c_str(), shown.average.c_str());
  return 0;
}

int Csv(const std::string& folder, int record, const std::string& file) {
  const std::optional<std::string> label = ListedLabel(folder, record);
  if (!label) return Fail(NotListed(folder, record));
  const CsvResult result = WriteRecordCsv(folder, record, *label, file);
  switch (result.outcome) {
    case CsvResult::Outcome::Written:
    case CsvResult::Outcome::NoReadings:
      return 0;
    case CsvResult::Outcome::RecordMissing:
    case CsvResult::Outcome::OutputFailed:
    case CsvResult::Outcome::RecordFailed:
      return Fail(result.detail);
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit must show as a failed write, reported, not as a killed process.
  signal(SIGXFSZ, SIG_IGN);
  vx::CommandLine line("vxrecord", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  const Request request = ReadRequest(line);
  if (line.Failed()) return line.Fail();
  std::optional<int> record;
  if (request.command != "list") {
    record = RecordArgument(request.arguments[0]);
    if (!record) {
      return line.Fail("the record number must be 1 to 10, not \"" + request.arguments[0] + "\"");
    }
  }
  std::string folder;
  if (!request.folder) {
    Result<std::string> found = FindRecordFolder();
    if (!found.Ok()) return Fail(found.GetStatus().message);
    folder = found.Value();
  } else if (std::error_code error; !std::filesystem::is_directory(*request.folder, error)) {
    return Fail(std::string(kFolderNotFoundMessage) + " (" + *request.folder + ")");
  } else {
    folder = *request.folder;
  }
  if (request.command == "list") return List(folder, request.json);
  if (request.command == "stats") return Stats(folder, *record, request.json);
  return Csv(folder, *record, request.arguments[1]);
}
