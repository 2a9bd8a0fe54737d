// The record tools without their windows: the texts of readings and figures, the CSV output,
// the viewer's pages, filter field and bounds, paging through the reader, and the chart's
// range rules.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <cmath>
#include <string>
#include <vector>

#include "common/c_number.h"
#include "common/local_time.h"
#include "common/scripted_prompter.h"
#include "record_tools_test_util.h"
#include "records/chart/chart_range.h"
#include "records/export/csv_writer.h"
#include "records/export/reading_text.h"
#include "records/record_folder.h"
#include "records/record_format.h"
#include "records/record_reader.h"
#include "records/sqlite_db.h"
#include "records/viewer/filter_bounds.h"
#include "records/viewer/filter_field.h"
#include "records/viewer/record_pages.h"
#include "records/viewer/record_viewer.h"
#include "records_test_util.h"

namespace vx::records {
namespace {

using fixture::FileSizeLimit;
using fixture::FolderEntries;
using fixture::ReadFileBytes;
using fixture::TempFolder;
using fixture::WriteFileBytes;
using fixture::WriteRecord;

constexpr const char* kLabel3 = "Record 3            ( 26 / 12 / 06 -- 22 : 45 : 07 )";

TEST(ReadingText, ValuesAreWrittenAsPrintfWritesThemAndTheOverloadAsOvld) {
  EXPECT_EQ(ValueText(0.012345), "0.01234500000000");
  EXPECT_EQ(ValueText(-1.5), "-1.50000000000000");
  EXPECT_EQ(ValueText(kOverloadValue), "OVLD");
  EXPECT_EQ(NumberText(kOverloadValue), "98999999999999993426744560981400092672.00000000000000");
  EXPECT_EQ(ValueText(9.8E+37), "98000000000000007994145229985347010560.00000000000000");
  // The fast conversion must agree with printf for every kind of value.
  const std::vector<double> samples = {
      0.0,     -0.0,    1e-15, 5e-15,   0.5e-14, 123456.789012345,
      -2.5e-7, 1.0 / 3, 1e300, -1e-300, 2.675,   0.000000000000015};
  for (const double value : samples) {
    EXPECT_EQ(NumberText(value), FormatC("%.14f", value)) << value;
  }
  for (int k = 0; k < 2000; ++k) {
    const double value = std::ldexp(std::sin(k * 12.9898) * 43758.5453, k % 80 - 40);
    ASSERT_EQ(NumberText(value), FormatC("%.14f", value)) << value;
  }
}

TEST(ReadingText, TimesOfDayAndFiguresAreWrittenAsTheViewerShowsThem) {
  for (const LocalDateTime& time :
       {LocalDateTime{1899, 12, 30, 0, 0, 0}, LocalDateTime{1899, 12, 30, 14, 3, 27},
        LocalDateTime{1899, 12, 30, 23, 59, 59}}) {
    EXPECT_EQ(TimeOfDayText(ToOleDate(time)), FormatLocal(time, "%H : %M : %S"));
  }
  EXPECT_EQ(TimeOfDayText(OleTimeOfDay(9, 5, 3)), "09 : 05 : 03");

  const RecordFigures figures = FiguresOf(RecordStatistics{3, 2.5, 4.0, 1.0});
  EXPECT_EQ(figures.count, "3");
  EXPECT_EQ(figures.average, "2.500000000000000");
  EXPECT_EQ(figures.maximum, "4.000000000000000");
  EXPECT_EQ(figures.minimum, "1.000000000000000");
  // Without readings there is nothing to show beside the count.
  const RecordFigures empty = FiguresOf(RecordStatistics{});
  EXPECT_EQ(empty.count, "0");
  EXPECT_EQ(empty.maximum, "");
  EXPECT_EQ(empty.minimum, "");
  EXPECT_EQ(empty.average, "");
}

TEST(ViewerPages, TenThousandReadingsToAPageWithAShorterLastOne) {
  EXPECT_EQ(PageEntries(25000),
            (std::vector<std::string>{" 1 - 10000 ", " 10001 - 20000 ", " 20001 - 25000 "}));
  EXPECT_EQ(PageEntries(20000), (std::vector<std::string>{" 1 - 10000 ", " 10001 - 20000 "}));
  EXPECT_EQ(PageEntries(10001), (std::vector<std::string>{" 1 - 10000 ", " 10001 - 10001 "}));
  EXPECT_EQ(PageEntries(7), (std::vector<std::string>{" 1 - 7 "}));
  EXPECT_EQ(PageEntries(0), (std::vector<std::string>{" 1 - 0 "}));
  EXPECT_EQ(PageStart(2), 20000);
}

TEST(FilterField, DigitsMinusOnePointAndOneExponentPassAnythingElseIsReplaced) {
  for (const char* good : {"", "-", "12", "-1.5", "1e5", "-2.5E-3", "--1", ".5"}) {
    EXPECT_TRUE(CheckFilterField(good).Ok()) << good;
  }
  FieldCheck check = CheckFilterField("1.2.3");
  EXPECT_EQ(check.problem, FieldCheck::Problem::RepeatedMark);
  EXPECT_EQ(check.replacement, "1.20");
  check = CheckFilterField("2e3E");
  EXPECT_EQ(check.problem, FieldCheck::Problem::RepeatedMark);
  EXPECT_EQ(check.replacement, "2000.00");
  check = CheckFilterField("+5");
  EXPECT_EQ(check.problem, FieldCheck::Problem::BadCharacter);
  EXPECT_EQ(check.replacement, "5.00");
  check = CheckFilterField("3 4");
  EXPECT_EQ(check.problem, FieldCheck::Problem::BadCharacter);
  EXPECT_EQ(check.replacement, "3.00");
  check = CheckFilterField("x");
  EXPECT_EQ(check.replacement, "0.00");
  // The first problem met decides which message is shown.
  EXPECT_EQ(CheckFilterField("1..x").problem, FieldCheck::Problem::RepeatedMark);
  EXPECT_EQ(CheckFilterField("1x..").problem, FieldCheck::Problem::BadCharacter);
}

TEST(FilterBounds, JudgesTheBoundsTakenLastAndForgetsARefusedPair) {
  FilterBounds bounds;
  EXPECT_TRUE(bounds.Admit());  // nothing taken yet
  bounds.Take("1", "5");
  EXPECT_TRUE(bounds.Admit());
  bounds.Take("5", "1");
  EXPECT_FALSE(bounds.Admit());
  EXPECT_TRUE(bounds.Admit());  // the refused pair is not held against the next search
  bounds.Take("2", "2");
  EXPECT_FALSE(bounds.Admit());
  bounds.Take("", "");  // empty texts count as 0
  EXPECT_FALSE(bounds.Admit());
  bounds.Take("-3", "");
  EXPECT_TRUE(bounds.Admit());
}

TEST(ChartRange, BoundsAreCheckedAgainstTheCountAndOrdered) {
  const RangeCheck ordered = CheckRange(50, 10, 100);
  ASSERT_TRUE(ordered.Ok());
  EXPECT_EQ(ordered.span.first, 9);
  EXPECT_EQ(ordered.span.span, 40);
  EXPECT_EQ(ordered.span.FirstNumber(), 10);
  EXPECT_EQ(CheckRange(10, 50, 100).span.first, 9);
  EXPECT_EQ(CheckRange(1, 100, 100).span.span, 99);
  for (const auto& [m, n] :
       std::vector<std::pair<long long, long long>>{{0, 5}, {5, 0}, {5, 5}, {-1, 5}, {3, -2}}) {
    EXPECT_EQ(CheckRange(m, n, 100).problem, RangeCheck::Problem::InputError) << m << " " << n;
  }
  EXPECT_EQ(CheckRange(5, 101, 100).problem, RangeCheck::Problem::OverRange);
  EXPECT_EQ(CheckRange(101, 5, 100).problem, RangeCheck::Problem::OverRange);
  // Equal bounds are an input error even beyond the count.
  EXPECT_EQ(CheckRange(200, 200, 100).problem, RangeCheck::Problem::InputError);
  EXPECT_EQ(AllReadings(1).span, 0);
  EXPECT_EQ(AllReadings(1000).span, 999);
  EXPECT_EQ(BoundText("12abc"), "12");
  EXPECT_EQ(BoundText(" -7"), "-7");
  EXPECT_EQ(BoundText(""), "0");
}

class CsvOutputTest : public ::testing::Test {
 protected:
  CsvOutputTest() { output_ = root_.Make("out"); }

  TempFolder root_;
  std::string output_;
};

TEST_F(CsvOutputTest, ASmallRecordGivesExactlyTheseBytes) {
  WriteRecord(root_.Path(), 3, {0.012345, -1.5, kOverloadValue, 9.8E+37, 0});
  const std::string file = output_ + "/day1.csv";
  const CsvResult result = WriteRecordCsv(root_.Path(), 3, kLabel3, file);
  EXPECT_EQ(result.outcome, CsvResult::Outcome::Written);
  EXPECT_EQ(result.rows, 5);
  EXPECT_EQ(ReadFileBytes(file),
            "Time,Value, ,DateTime : ( 26 / 12 / 06 -- 22 : 45 : 07 )\r\n"
            "\"22 : 45 : 08\",0.01234500000000\r\n"
            "\"22 : 45 : 09\",-1.50000000000000\r\n"
            "\"22 : 45 : 10\",OVLD\r\n"
            "\"22 : 45 : 11\",98000000000000007994145229985347010560.00000000000000\r\n"
            "\"22 : 45 : 12\",0.00000000000000\r\n");
  EXPECT_EQ(FolderEntries(output_), (std::vector<std::string>{"day1.csv"}));
}

TEST_F(CsvOutputTest, AnEmptyOrMissingRecordLeavesTheHeaderLine) {
  WriteRecord(root_.Path(), 4, {});
  const std::string empty = output_ + "/empty.csv";
  EXPECT_EQ(WriteRecordCsv(root_.Path(), 4, "Record 4            ( x )", empty).outcome,
            CsvResult::Outcome::NoReadings);
  EXPECT_EQ(ReadFileBytes(empty), "Time,Value, ,DateTime : ( x )\r\n");

  const std::string missing = output_ + "/missing.csv";
  const CsvResult result = WriteRecordCsv(root_.Path(), 9, "Record 9            ( y )", missing);
  EXPECT_EQ(result.outcome, CsvResult::Outcome::RecordMissing);
  EXPECT_EQ(result.detail, "DBfile_DB9.db does not exist.");
  EXPECT_EQ(ReadFileBytes(missing), "Time,Value, ,DateTime : ( y )\r\n");
}

TEST_F(CsvOutputTest, AnOutputThatFailsHalfWayLeavesNothingAndKeepsAnOlderFile) {
  WriteRecord(root_.Path(), 3, fixture::Counting(5000));
  const std::string file = output_ + "/day1.csv";
  WriteFileBytes(file, "yesterday's output");
  CsvResult result;
  {
    // Room for the header and the first lines, not for 5000 of them.
    FileSizeLimit limit(64 * 1024);
    result = WriteRecordCsv(root_.Path(), 3, kLabel3, file);
  }
  EXPECT_EQ(result.outcome, CsvResult::Outcome::OutputFailed);
  EXPECT_NE(result.detail.find(std::strerror(EFBIG)), std::string::npos) << result.detail;
  EXPECT_EQ(ReadFileBytes(file), "yesterday's output");
  EXPECT_EQ(FolderEntries(output_), (std::vector<std::string>{"day1.csv"}));

  // A folder that is not there: nothing can even be started.
  result = WriteRecordCsv(root_.Path(), 3, kLabel3, root_.Path() + "/gone/day1.csv");
  EXPECT_EQ(result.outcome, CsvResult::Outcome::OutputFailed);
  EXPECT_FALSE(result.FileWritten());
}

TEST_F(CsvOutputTest, AReadingFailureLeavesNoFileBehind) {
  WriteFileBytes(RecordFilePath(root_.Path(), 3), std::string(4096, 'x'));
  const CsvResult result = WriteRecordCsv(root_.Path(), 3, kLabel3, output_ + "/bad.csv");
  EXPECT_EQ(result.outcome, CsvResult::Outcome::RecordFailed);
  EXPECT_EQ(result.detail, "DBfile_DB3.db is not a record file.");
  EXPECT_TRUE(FolderEntries(output_).empty());
}

TEST(ViewerCsvName, DotCsvIsAlwaysAppended) {
  EXPECT_EQ(ViewerCsvPath("/home/ann/day1"), "/home/ann/day1.csv");
  EXPECT_EQ(ViewerCsvPath("/home/ann/day1.csv"), "/home/ann/day1.csv.csv");
}

// Positions read by seeking on dense rowids must equal positions read by stepping.
class ReaderPagingTest : public ::testing::Test {
 protected:
  void Remove(const char* where) {
    sql::Database database;
    ASSERT_EQ(database.Open(RecordFilePath(root_.Path(), 1), SQLITE_OPEN_READWRITE), SQLITE_OK);
    ASSERT_EQ(database.Execute((std::string("DELETE FROM read WHERE ") + where).c_str()),
              SQLITE_OK);
  }
  RecordReader Reader() { return std::move(RecordReader::Open(root_.Path(), 1).Value()); }

  void ExpectPositionsOf(const std::vector<double>& expected) {
    RecordReader reader = Reader();
    const long long n = static_cast<long long>(expected.size());
    // Far enough in that the reader seeks rather than steps.
    for (const long long first :
         {0LL, 1LL, 7LL, 16383LL, 16384LL, 17000LL, n - 3, n - 1, n, n + 5}) {
      const std::vector<double> values = reader.Values(first, 4).Value();
      std::vector<double> wanted;
      for (long long k = first; k < std::min(n, first + 4); ++k)
        wanted.push_back(expected[static_cast<size_t>(k)]);
      EXPECT_EQ(values, wanted) << "from " << first;
      const std::vector<Reading> readings = reader.Readings(first, 4).Value();
      ASSERT_EQ(readings.size(), wanted.size());
      for (size_t k = 0; k < wanted.size(); ++k) EXPECT_EQ(readings[k].value, wanted[k]);
      const auto stamped = reader.StampedReadingAt(first).Value();
      ASSERT_TRUE(stamped.has_value());
      EXPECT_EQ(stamped->value, expected[static_cast<size_t>(std::min(first, n - 1))]);
    }
    EXPECT_EQ(reader.Values().Value(), expected);
  }

  TempFolder root_;
};

TEST_F(ReaderPagingTest, DenseGappedAndShiftedRowidsGiveTheSamePositions) {
  std::vector<double> values = fixture::Counting(20000);
  WriteRecord(root_.Path(), 1, values);
  ExpectPositionsOf(values);
  // Rows removed by another tool: at the start (dense again, from rowid 4) and in the middle.
  Remove("rowid <= 3");
  values.erase(values.begin(), values.begin() + 3);
  ExpectPositionsOf(values);
  Remove("rowid = 16000");
  values.erase(std::find(values.begin(), values.end(), 16000.0));
  ExpectPositionsOf(values);
}

TEST_F(ReaderPagingTest, ReadingsAppendedAfterTheReaderLookedStayInPlace) {
  WriteRecord(root_.Path(), 1, fixture::Counting(20000));
  RecordReader reader = Reader();
  EXPECT_EQ(reader.Values(19998).Value(), (std::vector<double>{19999, 20000}));
  ManualClock clock(fixture::kRecordStart);
  Result<AppendSession> more = OpenRecordForAppend(root_.Path(), 1, clock);
  ASSERT_TRUE(more.Ok());
  ASSERT_TRUE(more->Append(20001, clock.LocalNow()).Ok());
  ASSERT_TRUE(more->Close().Ok());
  EXPECT_EQ(reader.Values(19998).Value(), (std::vector<double>{19999, 20000, 20001}));
  EXPECT_EQ(reader.StampedReadingAt(50000).Value()->value, 20001);
}

}  // namespace
}  // namespace vx::records
