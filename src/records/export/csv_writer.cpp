#include "records/export/csv_writer.h"

#include <algorithm>
#include <vector>

#include "records/export/atomic_file.h"
#include "records/export/reading_text.h"
#include "records/record_reader.h"

namespace vx::records {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Readings fetched per query: bounded memory for records of any length.
constexpr long long kChunkRows = 65536;

CsvResult Failure(CsvResult::Outcome outcome, std::string detail, long long rows = 0) {
  return CsvResult{outcome, rows, std::move(detail)};
}

CsvResult OutputFailure(const AtomicFile& file) {
  return Failure(CsvResult::Outcome::OutputFailed,
                 file.Path() + " cannot be written: " + file.Error() + ".");
}

void AppendLine(std::string& out, const Reading& reading) {
  out += '"';
  AppendTimeOfDayText(out, reading.time);
  out += "\",";
  AppendValueText(out, reading.value);
  out += kLineEnd;
}

// Writes the readings' lines; the number written, or the reader's failure.
Result<long long> WriteReadings(RecordReader& reader, AtomicFile& file, bool& outputOk) {
  Result<long long> count = reader.Count();
  if (!count.Ok()) return count.GetStatus();
  std::string lines;
  long long written = 0;
  while (written < count.Value()) {
    const long long wanted = std::min(kChunkRows, count.Value() - written);
    Result<std::vector<Reading>> chunk = reader.Readings(written, wanted);
    if (!chunk.Ok()) return chunk.GetStatus();
    if (chunk->empty()) break;
    lines.clear();
    for (const Reading& reading : chunk.Value()) AppendLine(lines, reading);
    if (!file.Write(lines)) {
      outputOk = false;
      return written;
    }
    written += static_cast<long long>(chunk->size());
  }
  return written;
}

}  // namespace

std::string CsvHeaderLine(std::string_view listLine) {
  const size_t open = listLine.find('(');
  std::string header = "Time,Value, ,DateTime : ";
  if (open != std::string_view::npos) header += listLine.substr(open);
  return header;
}

CsvResult WriteRecordCsv(std::string_view folder, int record, std::string_view listLine,
                         const std::string& outputPath) {
  AtomicFile file(outputPath);
  if (!file.Open() || !file.Write(CsvHeaderLine(listLine) + std::string(kLineEnd)))
    return OutputFailure(file);

  Result<RecordReader> reader = RecordReader::Open(folder, record);
  if (!reader.Ok()) {
    if (reader.GetStatus().error != StoreError::Missing)
      return Failure(CsvResult::Outcome::RecordFailed, reader.GetStatus().message);
    // The header is still written: the output says which record it was meant to hold.
    if (!file.Commit()) return OutputFailure(file);
    return Failure(CsvResult::Outcome::RecordMissing, reader.GetStatus().message);
  }
  bool outputOk = true;
  Result<long long> rows = WriteReadings(reader.Value(), file, outputOk);
  if (!outputOk) return OutputFailure(file);
  if (!rows.Ok()) return Failure(CsvResult::Outcome::RecordFailed, rows.GetStatus().message);
  if (!file.Commit()) return OutputFailure(file);
  return CsvResult{rows.Value() == 0 ? CsvResult::Outcome::NoReadings : CsvResult::Outcome::Written,
                   rows.Value(),
                   {}};
}

}  // namespace vx::records
