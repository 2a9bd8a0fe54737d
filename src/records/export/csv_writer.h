#pragma once
// The CSV output of a record, as the viewer's "Output to CSV" and vxrecord write it.
//
// Layout, every line ended by CR LF:
//   Time,Value, ,DateTime : ( 26 / 12 / 06 -- 22 : 45 : 07 )
//   "22 : 45 : 08",0.01234500000000
//   "22 : 45 : 09",OVLD
// The header carries the record's list line from its "(" on; then one line per reading in
// stored order, the value as the viewer's pages show it. The readings counted when the
// output starts are written, none that a running writer appends meanwhile.
//
// The file is written whole or not at all (see AtomicFile): an output that fails half-way
// leaves no file behind, and an existing file of that name stays as it was.

#include <string>
#include <string_view>

namespace vx::records {

struct CsvResult {
  enum class Outcome {
    Written,        // header and every reading
    NoReadings,     // header only: the record holds no reading
    RecordMissing,  // header only: the record file is gone (deleted meanwhile)
    OutputFailed,   // the output file could not be written; nothing was left behind
    RecordFailed,   // the record could not be read; nothing was left behind
  };
  Outcome outcome = Outcome::Written;
  long long rows = 0;
  // For the failures and RecordMissing: what went wrong, in the system's words.
  std::string detail;

  // Whether the output file exists now.
  bool FileWritten() const {
    return outcome == Outcome::Written || outcome == Outcome::NoReadings ||
           outcome == Outcome::RecordMissing;
  }
};

// "Time,Value, ,DateTime : " followed by `listLine` from its "(" to its end (nothing when the
// line holds none), without the line end.
std::string CsvHeaderLine(std::string_view listLine);

// Writes record `record` of `folder` to `outputPath`, exactly that name.
CsvResult WriteRecordCsv(std::string_view folder, int record, std::string_view listLine,
                         const std::string& outputPath);

}  // namespace vx::records
