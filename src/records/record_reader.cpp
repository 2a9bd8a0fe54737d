#include "records/record_reader.h"

#include <climits>
#include <cmath>
#include <utility>

#include "common/c_number.h"
#include "records/record_connection.h"
#include "records/record_file.h"
#include "records/record_folder.h"

namespace vx::records {
namespace {

// Below this position a query steps over the rows before it rather than seeking.
constexpr long long kCheapSteps = 16384;

}  // namespace

FilterKind FilterKindFor(double lower, double upper) {
  return lower > upper ? FilterKind::Outside : FilterKind::Between;
}

double FilterBound(double bound) {
  // "%f" of an infinite bound is no decimal; it stays as it is.
  if (!std::isfinite(bound)) return bound;
  return LeadingNumber(FormatC("%f", bound));
}

Result<RecordReader> RecordReader::Open(std::string_view folder, int record) {
  if (!IsRecordNumber(record)) return InvalidRecordStatus(record);
  Result<sql::Database> database = detail::OpenForReading(RecordFilePath(folder, record));
  if (!database.Ok()) return database.GetStatus();
  return RecordReader(std::move(database.Value()), record);
}

RecordReader::RecordReader(sql::Database database, int record)
    : database_(std::move(database)), record_(record) {}

Status RecordReader::Failure(int code) const {
  return detail::EngineStatus(database_, code, RecordFileName(record_));
}

Result<RecordStatistics> RecordReader::Statistics() {
  sql::Statement statement;
  int rc = statement.Prepare(database_,
                             "SELECT avg(read_value), count(read_value), max(read_value), "
                             "min(read_value) FROM read");
  if (rc == SQLITE_OK) rc = statement.Step();
  if (rc != SQLITE_ROW) return Failure(rc);
  RecordStatistics statistics;
  statistics.average = statement.ColumnOptionalDouble(0);
  statistics.count = statement.ColumnInteger(1);
  statistics.maximum = statement.ColumnOptionalDouble(2);
  statistics.minimum = statement.ColumnOptionalDouble(3);
  return statistics;
}

Result<long long> RecordReader::Count() {
  sql::Statement statement;
  int rc = statement.Prepare(database_, "SELECT count(read_value) FROM read");
  if (rc == SQLITE_OK) rc = statement.Step();
  if (rc != SQLITE_ROW) return Failure(rc);
  return statement.ColumnInteger(0);
}

Result<std::optional<double>> RecordReader::Stamp() {
  sql::Statement statement;
  int rc = statement.Prepare(database_, "SELECT r_date FROM read_date ORDER BY rowid LIMIT 1");
  if (rc == SQLITE_OK) rc = statement.Step();
  if (rc == SQLITE_DONE) return std::optional<double>();
  if (rc != SQLITE_ROW) return Failure(rc);
  return std::optional<double>(statement.ColumnDouble(0));
}

Result<std::vector<Reading>> RecordReader::CollectReadings(sql::Statement& statement, int rc) {
  std::vector<Reading> readings;
  if (rc == SQLITE_OK) rc = statement.Step();
  for (; rc == SQLITE_ROW; rc = statement.Step())
    readings.push_back({statement.ColumnDouble(0), statement.ColumnDouble(1)});
  if (rc != SQLITE_DONE) return Failure(rc);
  return readings;
}

int RecordReader::DenseStart(std::optional<long long>& start) {
  if (!denseStart_) {
    // Three statements rather than one: each is answered from the table's b-tree without
    // reading a row (the count by SQLite's counting shortcut, min and max by a seek).
    long long figures[3] = {};
    const char* queries[3] = {"SELECT count(*) FROM read", "SELECT min(rowid) FROM read",
                              "SELECT max(rowid) FROM read"};
    for (int k = 0; k < 3; ++k) {
      sql::Statement statement;
      int rc = statement.Prepare(database_, queries[k]);
      if (rc == SQLITE_OK) rc = statement.Step();
      if (rc != SQLITE_ROW) return rc;
      figures[k] = statement.ColumnInteger(0);
    }
    const long long count = figures[0];
    const long long first = figures[1];
    const long long last = figures[2];
    // Distinct integers from first to last, as many as the span holds: no gap anywhere.
    const bool dense = count > 0 && last >= first && last - first == count - 1;
    denseStart_ = dense ? std::optional<long long>(first) : std::nullopt;
  }
  start = *denseStart_;
  return SQLITE_OK;
}

int RecordReader::PreparePositional(sql::Statement& statement, const char* denseSql,
                                    const char* steppingSql, long long position) {
  position = position < 0 ? 0 : position;
  std::optional<long long> start;
  int rc = SQLITE_OK;
  // Stepping over a few thousand rows costs less than finding out whether the rowids are
  // dense, which reads the whole table's b-tree once per reader.
  if (denseStart_ || position >= kCheapSteps) rc = DenseStart(start);
  if (rc != SQLITE_OK) return rc;
  if (!start) {
    rc = statement.Prepare(database_, steppingSql);
    return rc == SQLITE_OK ? statement.Bind(1, position) : rc;
  }
  // A position beyond every possible rowid seeks past the end, as stepping would.
  const long long rowid = position > LLONG_MAX - *start ? LLONG_MAX : *start + position;
  rc = statement.Prepare(database_, denseSql);
  return rc == SQLITE_OK ? statement.Bind(1, rowid) : rc;
}

Result<std::vector<Reading>> RecordReader::Readings(long long first, long long limit) {
  sql::Statement statement;
  int rc = PreparePositional(
      statement, "SELECT read_value, read_time FROM read WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2",
      "SELECT read_value, read_time FROM read ORDER BY rowid LIMIT ?2 OFFSET ?1", first);
  if (rc == SQLITE_OK) rc = statement.Bind(2, limit);
  return CollectReadings(statement, rc);
}

Result<std::vector<double>> RecordReader::Values(long long first, long long limit) {
  sql::Statement statement;
  int rc = PreparePositional(
      statement, "SELECT read_value FROM read WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2",
      "SELECT read_value FROM read ORDER BY rowid LIMIT ?2 OFFSET ?1", first);
  if (rc == SQLITE_OK) rc = statement.Bind(2, limit);
  if (rc == SQLITE_OK) rc = statement.Step();
  std::vector<double> values;
  for (; rc == SQLITE_ROW; rc = statement.Step()) values.push_back(statement.ColumnDouble(0));
  if (rc != SQLITE_DONE) return Failure(rc);
  return values;
}

Result<std::vector<Reading>> RecordReader::Filter(double lower, double upper, long long limit) {
  const char* sql =
      FilterKindFor(lower, upper) == FilterKind::Between
          ? "SELECT read_value, read_time FROM read WHERE read_value > ?1 AND read_value < ?2 "
            "ORDER BY rowid LIMIT ?3"
          : "SELECT read_value, read_time FROM read WHERE read_value > ?1 OR read_value < ?2 "
            "ORDER BY rowid LIMIT ?3";
  sql::Statement statement;
  int rc = statement.Prepare(database_, sql);
  if (rc == SQLITE_OK) rc = statement.Bind(1, FilterBound(lower));
  if (rc == SQLITE_OK) rc = statement.Bind(2, FilterBound(upper));
  if (rc == SQLITE_OK) rc = statement.Bind(3, limit);
  return CollectReadings(statement, rc);
}

Result<std::optional<StampedReading>> RecordReader::StampedReadingAt(long long index) {
  // The reading at the position, or the last one when the position is past the end.
  sql::Statement statement;
  int rc = PreparePositional(
      statement,
      "SELECT r.read_value, r.read_time, d.r_date FROM read AS r, "
      "(SELECT r_date FROM read_date ORDER BY rowid LIMIT 1) AS d "
      "WHERE r.rowid = min(?1, (SELECT max(rowid) FROM read))",
      "SELECT r.read_value, r.read_time, d.r_date FROM read AS r, "
      "(SELECT r_date FROM read_date ORDER BY rowid LIMIT 1) AS d "
      "WHERE r.rowid = coalesce((SELECT rowid FROM read ORDER BY rowid LIMIT 1 OFFSET ?1), "
      "(SELECT max(rowid) FROM read))",
      index);
  if (rc == SQLITE_OK) rc = statement.Step();
  if (rc == SQLITE_DONE) return std::optional<StampedReading>();
  if (rc != SQLITE_ROW) return Failure(rc);
  return std::optional<StampedReading>(StampedReading{
      statement.ColumnDouble(0), statement.ColumnDouble(1), statement.ColumnDouble(2)});
}

}  // namespace vx::records
