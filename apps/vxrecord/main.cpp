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

#include "records/export/csv_writer.h"
#include "records/export/reading_text.h"
#include "records/record_folder.h"
#include "records/record_reader.h"
#include "records/record_slots.h"

namespace {

using namespace vx::records;

constexpr const char* kUsage =
    "usage: vxrecord [--folder DIR] list\n"
    "       vxrecord [--folder DIR] stats N\n"
    "       vxrecord [--folder DIR] csv N FILE\n"
    "\n"
    "  list    print the record list as the record viewer shows it (a file that cannot\n"
    "          be read is listed with the reason in place of its start stamp)\n"
    "  stats   print the count, maximum, minimum and average of record N\n"
    "  csv     write record N to FILE in the viewer's CSV layout (exactly that name)\n"
    "\n"
    "Without --folder the record folder is found as the program finds it: the current\n"
    "folder when its path holds \"DB\", else its DB subfolder.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
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

int List(const std::string& folder) {
  for (const RecordSlot& slot : ListRecordSlots(folder)) {
    if (std::optional<std::string> label = RecordLabel(slot, ListForm::Viewer))
      std::printf("%s\n", label->c_str());
  }
  return 0;
}

int Stats(const std::string& folder, int record) {
  if (!ListedLabel(folder, record)) return Fail(NotListed(folder, record));
  Result<RecordReader> reader = RecordReader::Open(folder, record);
  if (!reader.Ok()) return Fail(reader.GetStatus().message);
  Result<RecordStatistics> statistics = reader->Statistics();
  if (!statistics.Ok()) return Fail(statistics.GetStatus().message);
  const RecordFigures figures = FiguresOf(statistics.Value());
  std::printf("count\t%s\nmaximum\t%s\nminimum\t%s\naverage\t%s\n", figures.count.c_str(),
              figures.maximum.c_str(), figures.minimum.c_str(), figures.average.c_str());
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
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::optional<std::string> folder;
  if (args.size() >= 2 && args[0] == "--folder") {
    folder = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Usage();
  if (!folder) {
    Result<std::string> found = FindRecordFolder();
    if (!found.Ok()) return Fail(found.GetStatus().message);
    folder = found.Value();
  } else if (std::error_code error; !std::filesystem::is_directory(*folder, error)) {
    return Fail(std::string(kFolderNotFoundMessage) + " (" + *folder + ")");
  }
  const std::string& command = args[0];
  if (command == "list" && args.size() == 1) return List(*folder);
  if ((command == "stats" && args.size() == 2) || (command == "csv" && args.size() == 3)) {
    const std::optional<int> record = RecordArgument(args[1]);
    if (!record) return Fail("the record number must be 1 to 10, not \"" + args[1] + "\"");
    return command == "stats" ? Stats(*folder, *record) : Csv(*folder, *record, args[2]);
  }
  return Usage();
}
