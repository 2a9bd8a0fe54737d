#pragma once
// The readers' side of a record file: the viewer, the chart and the record lists open a
// file, run their queries and close it again within one action. Every query that depends
// on the order of the readings orders them by rowid, which is their order of acquisition.
//
// A reader uses its own read-only connection: it sees what writers have committed so far,
// never blocks them, and cannot change the file.
//
// Readings are only ever appended, so their rowids normally run without a gap and position k
// is simply the first rowid plus k. Positional queries then seek to that rowid instead of
// stepping over every row before it, which keeps the last page of a record of a million
// readings as quick as the first. A file whose rowids do have gaps (edited by another tool)
// is read by stepping, with the same results.

#include <optional>
#include <string_view>
#include <vector>

#include "records/record_format.h"
#include "records/sqlite_db.h"
#include "records/store_status.h"

namespace vx::records {

// The viewer's statistics row. The engine returns no average, maximum or minimum for a
// record without readings; overloads (9.9E+37) count like any other value.
struct RecordStatistics {
  long long count = 0;
  std::optional<double> average;
  std::optional<double> maximum;
  std::optional<double> minimum;
};

// The viewer's filter: readings strictly between the bounds when lower <= upper, strictly
// outside them otherwise.
enum class FilterKind { Between, Outside };
FilterKind FilterKindFor(double lower, double upper);
// A bound as the filter compares with it: written with six decimals ("%f") and read back,
// so 0.0000004 filters as 0.
double FilterBound(double bound);

class RecordReader {
 public:
  // Every limit below: no limit.
  static constexpr long long kAll = -1;

  // Opens record `record` in `folder`. StoreError::Missing when the file is not there (the
  // readers then do nothing further); NotARecordFile, Damaged and the rest for a file that
  // cannot be read as a record.
  static Result<RecordReader> Open(std::string_view folder, int record);

  // "select avg, count, max, min from read".
  Result<RecordStatistics> Statistics();
  // "select count(read_value) from read".
  Result<long long> Count();
  // The start stamp (an OLE date), or none when `read_date` has no row.
  Result<std::optional<double>> Stamp();
  // Readings from position `first` (0 for the first reading), at most `limit` of them.
  Result<std::vector<Reading>> Readings(long long first = 0, long long limit = kAll);
  // Only the values, as the chart draws them.
  Result<std::vector<double>> Values(long long first = 0, long long limit = kAll);
  // The readings the filter keeps, in order, at most `limit` of them. The bounds go through
  // FilterBound; `lower` and `upper` pick the kind through FilterKindFor.
  Result<std::vector<Reading>> Filter(double lower, double upper, long long limit = kAll);
  // The reading at position `index` joined with the start stamp; past the end, the last
  // reading. None when the record has no reading or no stamp.
  Result<std::optional<StampedReading>> StampedReadingAt(long long index);

 private:
  RecordReader(sql::Database database, int record);
  Status Failure(int code) const;
  Result<std::vector<Reading>> CollectReadings(sql::Statement& statement, int rc);
  // Sets `start` to the rowid of the first reading when the rowids run without a gap, to none
  // otherwise (or when there is no reading); returns the engine's result code. Looked up once
  // per reader: appends keep the rowids dense.
  int DenseStart(std::optional<long long>& start);
  // Prepares `denseSql` with the rowid of position `position` bound to ?1 when the rowids are
  // dense, else `steppingSql` with the position itself bound to ?1 (an OFFSET).
  int PreparePositional(sql::Statement& statement, const char* denseSql, const char* steppingSql,
                        long long position);

  sql::Database database_;
  int record_;
  std::optional<std::optional<long long>> denseStart_;
};

}  // namespace vx::records
