// The record file as writers leave it and readers find it: names, folder rule, tables, stamp,
// order, overloads, statistics, filters and the three list forms.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.h"
#include "records/append_session.h"
#include "records/record_connection.h"
#include "records/record_file.h"
#include "records/record_folder.h"
#include "records/record_reader.h"
#include "records/record_slots.h"
#include "records/sqlite_db.h"
#include "records_test_util.h"

namespace vx::records {
namespace {

using fixture::CurrentFolder;
using fixture::CurrentFolderGuard;
using fixture::TempFolder;

constexpr LocalDateTime kStart{2026, 12, 6, 22, 45, 7};

bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}

TEST(RecordFolder, RuleKeepsAPathHoldingDBAndOtherwiseAddsTheDBSubfolder) {
  EXPECT_EQ(RecordFolderFor("/home/ann/MyDBs"), "/home/ann/MyDBs");
  EXPECT_EQ(RecordFolderFor("/home/ann/DB/old"), "/home/ann/DB/old");
  EXPECT_EQ(RecordFolderFor("/home/ann/tool"), "/home/ann/tool/DB");
  EXPECT_EQ(RecordFolderFor("/home/ann/db"), "/home/ann/db/DB");  // case-sensitive
  EXPECT_EQ(RecordFolderFor("/"), "/DB");
  EXPECT_EQ(RecordFilePath("/data/DB", 7), "/data/DB/DBfile_DB7.db");
  EXPECT_EQ(RecordFilePath("", 3), "DBfile_DB3.db");  // in the current folder
  EXPECT_EQ(RecordFileName(10), "DBfile_DB10.db");
}

TEST(RecordFolder, EnteringMovesIntoTheDBSubfolderAndStaysThere) {
  TempFolder root;
  const std::string db = root.Make("DB");
  CurrentFolderGuard guard(root.Path());
  Result<std::string> found = FindRecordFolder();
  ASSERT_TRUE(found.Ok());
  EXPECT_EQ(found.Value(), db);
  EXPECT_EQ(CurrentFolder(), root.Path());  // finding does not move
  Result<std::string> entered = EnterRecordFolder();
  ASSERT_TRUE(entered.Ok());
  EXPECT_EQ(entered.Value(), db);
  EXPECT_EQ(CurrentFolder(), db);
  // Inside, "DB" is in the path: the folder is kept, no DB/DB is looked for.
  entered = EnterRecordFolder();
  ASSERT_TRUE(entered.Ok());
  EXPECT_EQ(entered.Value(), db);
}

TEST(RecordFolder, AFolderWhosePathHoldsDBIsUsedAsItIs) {
  TempFolder root;
  const std::string mine = root.Make("MyDBs");
  CurrentFolderGuard guard(mine);
  ManualClock clock(kStart);
  Result<AppendSession> session = OpenRecordForAppend(2, clock);
  ASSERT_TRUE(session.Ok()) << session.GetStatus().message;
  EXPECT_TRUE(Exists(mine + "/DBfile_DB2.db"));
  EXPECT_FALSE(Exists(mine + "/DB"));
}

TEST(RecordFolder, AMissingFolderIsReportedAndNothingIsCreated) {
  TempFolder root;
  CurrentFolderGuard guard(root.Path());
  ManualClock clock(kStart);
  Result<std::string> entered = EnterRecordFolder();
  ASSERT_FALSE(entered.Ok());
  EXPECT_EQ(entered.GetStatus().error, StoreError::FolderNotFound);
  EXPECT_EQ(entered.GetStatus().message, "Database working folder not found.");
  Result<AppendSession> session = OpenRecordForAppend(1, clock);
  EXPECT_EQ(session.GetStatus().message, "Database working folder not found.");
  Result<RecordSlots> slots = ListRecordSlots();
  EXPECT_EQ(slots.GetStatus().error, StoreError::FolderNotFound);
  EXPECT_EQ(CurrentFolder(), root.Path());
  EXPECT_TRUE(std::filesystem::is_empty(root.Path()));
}

class RecordFileTest : public ::testing::Test {
 protected:
  std::string Path(int record) const { return RecordFilePath(root_.Path(), record); }

  AppendSession Open(int record) {
    Result<AppendSession> session = OpenRecordForAppend(root_.Path(), record, clock_);
    EXPECT_TRUE(session.Ok()) << session.GetStatus().message;
    return std::move(session.Value());
  }

  RecordReader Reader(int record) {
    Result<RecordReader> reader = RecordReader::Open(root_.Path(), record);
    EXPECT_TRUE(reader.Ok()) << reader.GetStatus().message;
    return std::move(reader.Value());
  }

  void Write(int record, const std::vector<double>& values) {
    AppendSession session = Open(record);
    for (double value : values) ASSERT_TRUE(session.Append(value, clock_.LocalNow()).Ok());
    ASSERT_TRUE(session.Close().Ok());
  }

  long long Count(int record) {
    Result<long long> count = Reader(record).Count();
    EXPECT_TRUE(count.Ok()) << count.GetStatus().message;
    return count.Ok() ? count.Value() : -1;
  }

  TempFolder root_;
  ManualClock clock_{kStart};
};

TEST_F(RecordFileTest, CreatesTheTwoTablesWithTheirColumnsInWriteAheadLogMode) {
  ASSERT_TRUE(CreateRecordFile(root_.Path(), 4).Ok());
  sql::Database database;
  ASSERT_EQ(database.Open(Path(4), SQLITE_OPEN_READONLY), SQLITE_OK);
  sql::Statement columns;
  ASSERT_EQ(columns.Prepare(database,
                            "SELECT m.name, p.name, p.type FROM sqlite_master AS m, "
                            "pragma_table_info(m.name) AS p ORDER BY m.name, p.cid"),
            SQLITE_OK);
  std::vector<std::string> found;
  while (columns.Step() == SQLITE_ROW)
    found.push_back(columns.ColumnText(0) + "." + columns.ColumnText(1) + " " +
                    columns.ColumnText(2));
  EXPECT_EQ(found, (std::vector<std::string>{"read.read_value REAL", "read.read_time REAL",
                                             "read_date.r_date REAL"}));
  sql::Statement mode;
  ASSERT_EQ(mode.Prepare(database, "PRAGMA journal_mode"), SQLITE_OK);
  ASSERT_EQ(mode.Step(), SQLITE_ROW);
  EXPECT_EQ(mode.ColumnText(0), "wal");
  // An existing file is never created over.
  EXPECT_EQ(CreateRecordFile(root_.Path(), 4).error, StoreError::AlreadyExists);
  EXPECT_EQ(CreateRecordFile(root_.Path(), 11).error, StoreError::InvalidRecord);
  EXPECT_EQ(OpenRecordForAppend(root_.Path(), 0, clock_).GetStatus().error,
            StoreError::InvalidRecord);
}

TEST_F(RecordFileTest, ReadingsKeepTheirOrderValueAndTimeOfDayOnDayZero) {
  AppendSession session = Open(3);
  EXPECT_FALSE(session.FileExisted());
  // Milliseconds are dropped, never rounded up to the next second.
  ASSERT_TRUE(AppendReading(session, 1.25, LocalDateTime{2026, 12, 6, 14, 3, 27, 999}).Ok());
  ASSERT_TRUE(AppendReading(session, 0.0, LocalDateTime{2026, 12, 6, 14, 3, 28}).Ok());
  ASSERT_TRUE(AppendReading(session, -7.5e-3, LocalDateTime{2026, 12, 6, 23, 59, 59}).Ok());
  ASSERT_TRUE(session.Close().Ok());

  Result<std::vector<Reading>> readings = Reader(3).Readings();
  ASSERT_TRUE(readings.Ok());
  ASSERT_EQ(readings->size(), 3u);
  EXPECT_EQ((*readings)[0].value, 1.25);
  EXPECT_EQ((*readings)[1].value, 0.0);
  EXPECT_EQ((*readings)[2].value, -7.5e-3);
  EXPECT_EQ(FromOleDate((*readings)[0].time), (LocalDateTime{1899, 12, 30, 14, 3, 27, 0}));
  EXPECT_EQ(FormatLocal(FromOleDate((*readings)[2].time), "%d %B %Y %H:%M:%S"),
            "30 December 1899 23:59:59");
}

TEST_F(RecordFileTest, AnotherRunKeepsTheOldReadingsAndReplacesTheStamp) {
  Write(1, {1, 2});
  Result<std::optional<double>> first = Reader(1).Stamp();
  ASSERT_TRUE(first.Ok());
  EXPECT_EQ(FormatStamp(first.Value().value()), "26 / 12 / 06 -- 22 : 45 : 07");

  clock_.SetLocal(LocalDateTime{2027, 1, 2, 8, 0, 30, 600});
  AppendSession again = Open(1);
  EXPECT_TRUE(again.FileExisted());
  ASSERT_TRUE(again.Append(3, clock_.LocalNow()).Ok());
  ASSERT_TRUE(again.Close().Ok());

  RecordReader reader = Reader(1);
  EXPECT_EQ(reader.Values().Value(), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(FormatStamp(reader.Stamp().Value().value()), "27 / 01 / 02 -- 08 : 00 : 30");
  sql::Database database;
  ASSERT_EQ(database.Open(Path(1), SQLITE_OPEN_READONLY), SQLITE_OK);
  sql::Statement stamps;
  ASSERT_EQ(stamps.Prepare(database, "SELECT count(*) FROM read_date"), SQLITE_OK);
  ASSERT_EQ(stamps.Step(), SQLITE_ROW);
  EXPECT_EQ(stamps.ColumnInteger(0), 1);
}

TEST_F(RecordFileTest, OverloadIsRecognisedOnlyAtExactly9Point9E37) {
  Write(2, {kOverloadValue, 9.8E+37, -kOverloadValue});
  const std::vector<double> values = Reader(2).Values().Value();
  ASSERT_EQ(values.size(), 3u);
  EXPECT_TRUE(IsOverloadValue(values[0]));
  EXPECT_FALSE(IsOverloadValue(values[1]));
  EXPECT_FALSE(IsOverloadValue(values[2]));
  // The statistics do not leave the overload out.
  EXPECT_EQ(Reader(2).Statistics().Value().maximum, kOverloadValue);
}

TEST_F(RecordFileTest, AnEmptyRecordCountsZeroAndHasNoAverageMaximumOrMinimum) {
  ASSERT_TRUE(CreateRecordFile(root_.Path(), 6).Ok());
  RecordReader reader = Reader(6);
  Result<RecordStatistics> statistics = reader.Statistics();
  ASSERT_TRUE(statistics.Ok());
  EXPECT_EQ(statistics->count, 0);
  EXPECT_FALSE(statistics->average.has_value());
  EXPECT_FALSE(statistics->maximum.has_value());
  EXPECT_FALSE(statistics->minimum.has_value());
  EXPECT_EQ(reader.Count().Value(), 0);
  EXPECT_TRUE(reader.Readings().Value().empty());
  EXPECT_FALSE(reader.Stamp().Value().has_value());
  EXPECT_FALSE(reader.StampedReadingAt(0).Value().has_value());
}

TEST_F(RecordFileTest, StatisticsPagesAndPositionsFollowTheOrderOfAcquisition) {
  std::vector<double> values;
  for (int i = 0; i < 25; ++i) values.push_back((i * 7) % 25 - 12);
  Write(8, values);
  RecordReader reader = Reader(8);
  const RecordStatistics statistics = reader.Statistics().Value();
  EXPECT_EQ(statistics.count, 25);
  EXPECT_EQ(statistics.maximum, 12);
  EXPECT_EQ(statistics.minimum, -12);
  EXPECT_DOUBLE_EQ(*statistics.average, 0.0);
  const std::vector<Reading> page = reader.Readings(10, 5).Value();
  ASSERT_EQ(page.size(), 5u);
  for (size_t k = 0; k < page.size(); ++k) EXPECT_EQ(page[k].value, values[10 + k]);
  EXPECT_EQ(reader.Readings(20, 10).Value().size(), 5u);
  EXPECT_EQ(reader.Values(24).Value(), (std::vector<double>{values[24]}));
  const auto third = reader.StampedReadingAt(3).Value();
  ASSERT_TRUE(third.has_value());
  EXPECT_EQ(third->value, values[3]);
  EXPECT_EQ(FormatStamp(third->stamp), "26 / 12 / 06 -- 22 : 45 : 07");
  // Past the end the chart's readout shows the last reading.
  EXPECT_EQ(reader.StampedReadingAt(1000).Value()->value, values[24]);
}

TEST_F(RecordFileTest, FilterKeepsReadingsStrictlyBetweenOrOutsideTheSixDecimalBounds) {
  Write(5, {1, 2, 3, 4, 5, 5e-8, kOverloadValue});
  RecordReader reader = Reader(5);
  auto values = [](const std::vector<Reading>& readings) {
    std::vector<double> result;
    for (const Reading& reading : readings) result.push_back(reading.value);
    return result;
  };
  EXPECT_EQ(values(reader.Filter(2, 5).Value()), (std::vector<double>{3, 4}));
  // Lower above upper: outside, overloads included.
  EXPECT_EQ(values(reader.Filter(4, 2).Value()), (std::vector<double>{1, 5, 5e-8, kOverloadValue}));
  // 4e-7 is written as 0.000000 in the bound, so 5e-8 lies above it.
  EXPECT_EQ(values(reader.Filter(4e-7, 1.5).Value()), (std::vector<double>{1, 5e-8}));
  EXPECT_EQ(values(reader.Filter(0, 10, 2).Value()), (std::vector<double>{1, 2}));
  EXPECT_EQ(FilterKindFor(2, 2), FilterKind::Between);
  EXPECT_TRUE(reader.Filter(2, 2).Value().empty());
}

TEST_F(RecordFileTest, WritesAreGroupedByCountAndByAgeAndFlushedAtClose) {
  AppendSession session = Open(7);
  for (int i = 0; i < 999; ++i) ASSERT_TRUE(session.Append(i, clock_.LocalNow()).Ok());
  EXPECT_EQ(Count(7), 0);
  ASSERT_TRUE(session.Append(999, clock_.LocalNow()).Ok());
  EXPECT_EQ(Count(7), 1000);
  EXPECT_EQ(session.CommittedRows(), 1000);

  // Checked every 50 ms, a reading due at 200 ms waits no longer than 250 ms.
  ASSERT_TRUE(session.Append(1000, clock_.LocalNow()).Ok());
  clock_.Advance(std::chrono::milliseconds(199));
  ASSERT_TRUE(session.CommitIfDue().Ok());
  EXPECT_EQ(Count(7), 1000);
  clock_.Advance(std::chrono::milliseconds(1));
  ASSERT_TRUE(session.CommitIfDue().Ok());
  EXPECT_EQ(Count(7), 1001);

  // An append finds the oldest pending reading due as well.
  ASSERT_TRUE(session.Append(1001, clock_.LocalNow()).Ok());
  clock_.Advance(std::chrono::milliseconds(300));
  ASSERT_TRUE(session.Append(1002, clock_.LocalNow()).Ok());
  EXPECT_EQ(Count(7), 1003);

  ASSERT_TRUE(session.Append(1003, clock_.LocalNow()).Ok());
  {
    AppendSession owner = std::move(session);  // the destructor closes and commits
  }
  EXPECT_EQ(Count(7), 1004);
  EXPECT_EQ(session.Append(1, clock_.LocalNow()).error, StoreError::Closed);
}

// What a writer has committed survives a power loss, not only a killed program.
TEST_F(RecordFileTest, WritersCommitWithFullSynchronisation) {
  ASSERT_TRUE(CreateRecordFile(root_.Path(), 4).Ok());
  Result<sql::Database> writer = detail::OpenForWriting(Path(4));
  ASSERT_TRUE(writer.Ok()) << writer.GetStatus().message;
  sql::Statement synchronous;
  ASSERT_EQ(synchronous.Prepare(writer.Value(), "PRAGMA synchronous"), SQLITE_OK);
  ASSERT_EQ(synchronous.Step(), SQLITE_ROW);
  EXPECT_EQ(synchronous.ColumnInteger(0), 2);  // FULL
}

TEST_F(RecordFileTest, SlotsAreLabelledPerListForm) {
  clock_.SetLocal(LocalDateTime{2026, 12, 6, 22, 45, 7});
  Write(2, {1});
  ASSERT_TRUE(CreateRecordFile(root_.Path(), 10).Ok());  // a file without a stamp
  const RecordSlots slots = ListRecordSlots(root_.Path());
  for (const RecordSlot& slot : slots) EXPECT_TRUE(slot.status.Ok()) << slot.status.message;

  const RecordSlot& missing = slots[0];
  const RecordSlot& stamped = slots[1];
  const RecordSlot& unstamped = slots[9];
  EXPECT_FALSE(missing.fileExists);
  EXPECT_TRUE(unstamped.fileExists);
  EXPECT_FALSE(unstamped.stamp.has_value());

  EXPECT_EQ(RecordLabel(stamped, ListForm::Viewer),
            "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  EXPECT_EQ(RecordLabel(stamped, ListForm::ReadingMode),
            "Record 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  EXPECT_EQ(RecordLabel(stamped, ListForm::MultipleReadings),
            "DBSfile 2            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  for (const RecordSlot* bare : {&missing, &unstamped}) {
    EXPECT_FALSE(RecordLabel(*bare, ListForm::Viewer).has_value());
    EXPECT_EQ(RecordLabel(*bare, ListForm::ReadingMode), "Record " + std::to_string(bare->record));
    EXPECT_EQ(RecordLabel(*bare, ListForm::MultipleReadings),
              "DBSfile " + std::to_string(bare->record));
  }
  EXPECT_EQ(RecordNumberFromLabel(*RecordLabel(stamped, ListForm::Viewer)), 2);
  EXPECT_EQ(RecordNumberFromLabel("Record 10            ( 26 / 12 / 06 -- 22 : 45 : 07 )"), 10);
  EXPECT_EQ(RecordNumberFromLabel("DBSfile 3"), 0);
}

TEST_F(RecordFileTest, DeletingRemovesTheFileButNotWhileAWriterHasItOpen) {
  Write(9, {1, 2, 3});
  AppendSession writer = Open(9);
  const Status refused = DeleteRecordFile(root_.Path(), 9);
  EXPECT_EQ(refused.error, StoreError::Locked);
  EXPECT_NE(refused.message.find("DBfile_DB9.db"), std::string::npos);
  ASSERT_TRUE(writer.Append(4, clock_.LocalNow()).Ok());
  ASSERT_TRUE(writer.Close().Ok());
  EXPECT_EQ(Count(9), 4);

  ASSERT_TRUE(DeleteRecordFile(root_.Path(), 9).Ok());
  EXPECT_FALSE(Exists(Path(9)));
  EXPECT_FALSE(Exists(Path(9) + "-wal"));
  EXPECT_FALSE(Exists(Path(9) + "-shm"));
  EXPECT_EQ(DeleteRecordFile(root_.Path(), 9).error, StoreError::Missing);
  EXPECT_EQ(RecordReader::Open(root_.Path(), 9).GetStatus().error, StoreError::Missing);
}

}  // namespace
}  // namespace vx::records
