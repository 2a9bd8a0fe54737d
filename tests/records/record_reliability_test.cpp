// What the record store promises when things go wrong: a killed writer leaves a sound file
// with everything it committed, readers and writers do not block each other, and files
// that are foreign, damaged, locked, read-only or full are reported without losing data.

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/c_number.h"
#include "common/clock.h"
#include "process.h"
#include "records/append_session.h"
#include "records/record_file.h"
#include "records/record_folder.h"
#include "records/record_reader.h"
#include "records/record_slots.h"
#include "records/sqlite_db.h"
#include "records_test_util.h"

namespace vx::records {
namespace {

using namespace std::chrono_literals;
using fixture::ReadFileBytes;
using fixture::TempFolder;
using fixture::WriteFileBytes;

constexpr LocalDateTime kStart{2026, 12, 6, 22, 45, 7};

std::string IntegrityCheck(const std::string& path) {
  sql::Database database;
  if (database.Open(path, SQLITE_OPEN_READWRITE) != SQLITE_OK) return database.ErrorMessage();
  sql::Statement check;
  if (check.Prepare(database, "PRAGMA integrity_check") != SQLITE_OK || check.Step() != SQLITE_ROW)
    return database.ErrorMessage();
  return check.ColumnText(0);
}

class ReliabilityTest : public ::testing::Test {
 protected:
  std::string Path(int record) const { return RecordFilePath(root_.Path(), record); }

  void Write(int record, int count) {
    Result<AppendSession> session = OpenRecordForAppend(root_.Path(), record, clock_);
    ASSERT_TRUE(session.Ok()) << session.GetStatus().message;
    for (int i = 1; i <= count; ++i) ASSERT_TRUE(session->Append(i, clock_.LocalNow()).Ok());
    ASSERT_TRUE(session->Close().Ok());
  }

  long long Count(int record) {
    Result<RecordReader> reader = RecordReader::Open(root_.Path(), record);
    if (!reader.Ok()) return -1;
    Result<long long> count = reader->Count();
    return count.Ok() ? count.Value() : -1;
  }

  TempFolder root_;
  ManualClock clock_{kStart};
};

TEST_F(ReliabilityTest, AKilledWriterLeavesASoundFileWithEveryCommittedReadingInOrder) {
  vx::test::BackgroundProcess writer(
      {std::string(VX_BIN_DIR) + "/records_append_forever", root_.Path(), "4"});
  long long committed = 0;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  // Let it run through several grouped commits, then kill it without warning.
  while (committed < 20000 && std::chrono::steady_clock::now() < deadline) {
    const auto line = writer.ReadLine(2s);
    ASSERT_TRUE(line.has_value()) << "the writer stopped reporting";
    committed = LeadingInteger(line->substr(line->find(' ') + 1));
  }
  ASSERT_GE(committed, 20000);
  writer.Stop(SIGKILL);
  while (const auto line = writer.ReadLine(100ms))
    committed = LeadingInteger(line->substr(line->find(' ') + 1));

  EXPECT_EQ(IntegrityCheck(Path(4)), "ok");
  Result<RecordReader> reader = RecordReader::Open(root_.Path(), 4);
  ASSERT_TRUE(reader.Ok()) << reader.GetStatus().message;
  const std::vector<double> values = reader->Values().Value();
  ASSERT_GE(static_cast<long long>(values.size()), committed);
  for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], static_cast<double>(i + 1));
  EXPECT_TRUE(reader->Stamp().Value().has_value());
}

// A writer that appends a reading every 100 ms and checks for due commits in between, as the
// windows do, is killed at three different moments of a reading period: no reading it lost
// was older than 250 ms plus one reading period.
TEST_F(ReliabilityTest, AKilledWriterLosesNoReadingOlderThanACommitAndOneReadingPeriod) {
  using std::chrono::microseconds;
  constexpr std::chrono::milliseconds kPeriod{100};
  constexpr std::chrono::milliseconds kLongestWait = 250ms + kPeriod;
  int record = 1;
  for (const auto pause : {0ms, 40ms, 70ms}) {
    vx::test::BackgroundProcess writer({std::string(VX_BIN_DIR) + "/records_append_forever",
                                        root_.Path(), std::to_string(record),
                                        std::to_string(kPeriod.count())});
    std::map<long long, long long> appendedAt;  // reading -> microseconds of the monotonic clock
    const auto take = [&appendedAt](const std::string& line) {
      const size_t first = line.find(' ');
      const size_t second = line.find(' ', first + 1);
      appendedAt[LeadingInteger(line.substr(first + 1))] = LeadingInteger(line.substr(second + 1));
    };
    while (appendedAt.size() < 12) {
      const auto line = writer.ReadLine(2s);
      ASSERT_TRUE(line.has_value()) << "the writer stopped reporting";
      take(*line);
    }
    std::this_thread::sleep_for(pause);
    const long long killedAt = std::chrono::duration_cast<microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count();
    writer.Stop(SIGKILL);
    while (const auto line = writer.ReadLine(100ms)) take(*line);

    EXPECT_EQ(IntegrityCheck(Path(record)), "ok");
    Result<RecordReader> reader = RecordReader::Open(root_.Path(), record);
    ASSERT_TRUE(reader.Ok()) << reader.GetStatus().message;
    const std::vector<double> values = reader->Values().Value();
    for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], static_cast<double>(i + 1));
    const auto oldestLost = appendedAt.find(static_cast<long long>(values.size()) + 1);
    if (oldestLost != appendedAt.end()) {
      EXPECT_LE(microseconds(killedAt - oldestLost->second), kLongestWait)
          << "reading " << oldestLost->first << " of " << appendedAt.size() << " was lost";
    }
    ++record;
  }
}

TEST_F(ReliabilityTest, ReadersAndAWriterInAnOpenTransactionDoNotBlockEachOther) {
  Write(1, 10);
  {
    // A writer in the middle of a transaction with rows not yet committed.
    sql::Database writer;
    ASSERT_EQ(writer.Open(Path(1), SQLITE_OPEN_READWRITE), SQLITE_OK);
    sql::Transaction transaction(writer);
    ASSERT_EQ(transaction.Begin(), SQLITE_OK);
    ASSERT_EQ(writer.Execute("INSERT INTO read VALUES(11, 0); INSERT INTO read VALUES(12, 0)"),
              SQLITE_OK);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(Count(1), 10);
    const RecordSlots slots = ListRecordSlots(root_.Path());
    EXPECT_TRUE(slots[0].status.Ok()) << slots[0].status.message;
    EXPECT_TRUE(slots[0].stamp.has_value());
    // A blocked reader would have waited out the busy time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    ASSERT_EQ(transaction.Commit(), SQLITE_OK);
    EXPECT_EQ(Count(1), 12);
  }
  // A reader in the middle of its result keeps its snapshot while a session commits.
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 1, clock_);
  ASSERT_TRUE(session.Ok());
  sql::Database reader;
  ASSERT_EQ(reader.Open(Path(1), SQLITE_OPEN_READONLY), SQLITE_OK);
  sql::Statement rows;
  ASSERT_EQ(rows.Prepare(reader, "SELECT read_value FROM read ORDER BY rowid"), SQLITE_OK);
  ASSERT_EQ(rows.Step(), SQLITE_ROW);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(session->Append(100 + i, clock_.LocalNow()).Ok());
  ASSERT_TRUE(session->Commit().Ok());
  int seen = 1;
  while (rows.Step() == SQLITE_ROW) ++seen;
  EXPECT_EQ(seen, 12);
  EXPECT_EQ(Count(1), 17);
}

TEST_F(ReliabilityTest, ForeignAndDamagedFilesAreReportedNeverOverwrittenAndOthersStillList) {
  Write(1, 3);
  Write(5, 3);
  const std::string garbage(5000, 'x');
  WriteFileBytes(Path(3), garbage);
  {
    // A sound SQLite database of some other program.
    sql::Database other;
    ASSERT_EQ(other.Open(Path(6), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
    ASSERT_EQ(other.Execute("CREATE TABLE invoices(total REAL); INSERT INTO invoices VALUES(9)"),
              SQLITE_OK);
  }
  const std::string foreign = ReadFileBytes(Path(6));

  const RecordSlots slots = ListRecordSlots(root_.Path());
  EXPECT_TRUE(slots[0].stamp.has_value());
  EXPECT_TRUE(slots[4].stamp.has_value());
  for (int record : {3, 6}) {
    const RecordSlot& slot = slots[static_cast<size_t>(record - 1)];
    EXPECT_TRUE(slot.fileExists);
    EXPECT_EQ(slot.status.error, StoreError::NotARecordFile);
    EXPECT_EQ(slot.status.message, FormatC("DBfile_DB%d.db is not a record file.", record));
    EXPECT_EQ(RecordLabel(slot, ListForm::ReadingMode), FormatC("Record %d", record));
    EXPECT_EQ(RecordLabel(slot, ListForm::Viewer),
              FormatC("Record %d            ( cannot be read: not a record file )", record));
    EXPECT_EQ(OpenRecordForAppend(root_.Path(), record, clock_).GetStatus().error,
              StoreError::NotARecordFile);
    EXPECT_EQ(CreateRecordFile(root_.Path(), record).error, StoreError::AlreadyExists);
    EXPECT_EQ(RecordReader::Open(root_.Path(), record).GetStatus().error,
              StoreError::NotARecordFile);
  }
  EXPECT_TRUE(ReadFileBytes(Path(3)) == garbage) << "DBfile_DB3.db was changed";
  EXPECT_TRUE(ReadFileBytes(Path(6)) == foreign) << "DBfile_DB6.db was changed";

  // A record whose table pages were overwritten.
  Write(8, 5000);
  std::string damaged = ReadFileBytes(Path(8));
  ASSERT_GT(damaged.size(), 5 * 4096u);
  damaged.replace(3 * 4096, 2 * 4096, std::string(2 * 4096, '\xA5'));
  WriteFileBytes(Path(8), damaged);
  Result<RecordReader> reader = RecordReader::Open(root_.Path(), 8);
  ASSERT_TRUE(reader.Ok());
  Result<std::vector<double>> values = reader->Values();
  EXPECT_EQ(values.GetStatus().error, StoreError::Damaged);
  EXPECT_EQ(values.GetStatus().message, "DBfile_DB8.db is damaged and cannot be read.");
}

TEST_F(ReliabilityTest, AnEmptyFileLeftByAnInterruptedCreationIsCompleted) {
  WriteFileBytes(Path(2), "");
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 2, clock_);
  ASSERT_TRUE(session.Ok()) << session.GetStatus().message;
  EXPECT_TRUE(session->FileExisted());
  ASSERT_TRUE(session->Append(1.5, clock_.LocalNow()).Ok());
  ASSERT_TRUE(session->Close().Ok());
  EXPECT_EQ(Count(2), 1);
}

TEST_F(ReliabilityTest, ALockedFileIsReportedAndPendingReadingsWaitForIt) {
  Write(1, 2);
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 1, clock_);
  ASSERT_TRUE(session.Ok());
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(session->Append(i, clock_.LocalNow()).Ok());
  {
    // Another program holds the write lock longer than a writer waits.
    sql::Database other;
    ASSERT_EQ(other.Open(Path(1), SQLITE_OPEN_READWRITE), SQLITE_OK);
    sql::Transaction holding(other);
    ASSERT_EQ(holding.Begin(), SQLITE_OK);
    ASSERT_EQ(other.Execute("INSERT INTO read VALUES(-1, 0)"), SQLITE_OK);

    const Status locked = session->Commit();
    EXPECT_EQ(locked.error, StoreError::Locked);
    EXPECT_EQ(locked.message,
              "DBfile_DB1.db is in use by another program. Try again when it is free.");
    EXPECT_EQ(session->PendingRows(), 10u);
    EXPECT_EQ(OpenRecordForAppend(root_.Path(), 1, clock_).GetStatus().error, StoreError::Locked);
    // Only the writers wait: the lists still read the file.
    EXPECT_TRUE(ListRecordSlots(root_.Path())[0].stamp.has_value());
    // A failed commit is not tried again at once.
    ASSERT_TRUE(session->Append(10, clock_.LocalNow()).Ok());
    EXPECT_EQ(session->PendingRows(), 11u);
  }
  clock_.Advance(250ms);
  ASSERT_TRUE(session->CommitIfDue().Ok());
  EXPECT_EQ(session->PendingRows(), 0u);
  EXPECT_EQ(Count(1), 2 + 11);
}

// Another program writing into the record for 2.5 s: the readings wait in memory, no call
// blocks the window for long, and all of them reach the file once the program lets go.
TEST_F(ReliabilityTest, WhileAnotherProgramHoldsTheWriteLockReadingsWaitInMemory) {
  Write(1, 2);
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 1, clock_);
  ASSERT_TRUE(session.Ok());
  std::chrono::steady_clock::duration longest{};
  {
    sql::Database other;
    ASSERT_EQ(other.Open(Path(1), SQLITE_OPEN_READWRITE), SQLITE_OK);
    sql::Transaction holding(other);
    ASSERT_EQ(holding.Begin(), SQLITE_OK);
    ASSERT_EQ(other.Execute("INSERT INTO read VALUES(-1, 0)"), SQLITE_OK);
    for (int i = 0; i < 100; ++i) {  // a reading every 25 ms
      clock_.Advance(25ms);
      const auto before = std::chrono::steady_clock::now();
      const Status appended = session->Append(i, clock_.LocalNow());
      const Status checked = session->CommitIfDue();
      longest = std::max(longest, std::chrono::steady_clock::now() - before);
      ASSERT_TRUE(appended.Ok()) << i << ": " << appended.message;
      ASSERT_TRUE(checked.Ok()) << i << ": " << checked.message;
    }
    EXPECT_EQ(session->PendingRows(), 100u);
    EXPECT_EQ(Count(1), 2);
  }
  clock_.Advance(AppendSession::kCheckInterval);
  ASSERT_TRUE(session->CommitIfDue().Ok());
  EXPECT_EQ(session->PendingRows(), 0u);
  EXPECT_EQ(Count(1), 2 + 100);
  // The engine would otherwise wait a whole second for the lock at each try; 50 ms is the
  // promise, the rest is room for a loaded machine.
  EXPECT_LT(longest, 100ms);
}

TEST_F(ReliabilityTest, ALockOutlastingFiveSecondsIsReportedOnceWithTheReadingsItHolds) {
  Write(1, 2);
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 1, clock_);
  ASSERT_TRUE(session.Ok());
  sql::Database other;
  ASSERT_EQ(other.Open(Path(1), SQLITE_OPEN_READWRITE), SQLITE_OK);
  sql::Transaction holding(other);
  ASSERT_EQ(holding.Begin(), SQLITE_OK);
  Status reported;
  int appended = 0;
  while (reported.Ok() && appended < 100) {
    clock_.Advance(100ms);
    reported = session->Append(appended++, clock_.LocalNow());
  }
  EXPECT_EQ(reported.error, StoreError::Locked);
  EXPECT_EQ(reported.message,
            "Record 1 (DBfile_DB1.db) has been locked by another program for more than 5 "
            "seconds.");
  // The first commit was due after 200 ms; the lock is counted from then.
  EXPECT_GE(appended, 52);
  EXPECT_LE(appended, 54);
  const Status closed = session->Close();
  EXPECT_EQ(closed.error, StoreError::Locked);
  EXPECT_EQ(session->LostRows(), static_cast<size_t>(appended));
  EXPECT_NE(closed.message.find(FormatC("%d readings were not saved.", appended)),
            std::string::npos)
      << closed.message;
  holding.Rollback();
  EXPECT_EQ(Count(1), 2);
}

TEST_F(ReliabilityTest, ReadingsHeldForALockedFileAreBounded) {
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 1, clock_);
  ASSERT_TRUE(session.Ok());
  sql::Database other;
  ASSERT_EQ(other.Open(Path(1), SQLITE_OPEN_READWRITE), SQLITE_OK);
  sql::Transaction holding(other);
  ASSERT_EQ(holding.Begin(), SQLITE_OK);
  ASSERT_TRUE(session->Append(0, clock_.LocalNow()).Ok());
  clock_.Advance(AppendSession::kCommitAge);
  ASSERT_TRUE(session->Append(1, clock_.LocalNow()).Ok());  // found locked: held
  Status reported;
  size_t appended = 2;
  while (reported.Ok() && appended <= AppendSession::kMaxPendingRows)
    reported = session->Append(static_cast<double>(appended++), clock_.LocalNow());
  EXPECT_EQ(reported.error, StoreError::Locked);
  EXPECT_EQ(appended, AppendSession::kMaxPendingRows);
  EXPECT_LE(session->PendingRows(), AppendSession::kMaxPendingRows);
}

// Runs `probe` as a process that may not write the record folder, and returns what it
// printed. A test run by root (which may write anywhere) hands the probe to the "nobody"
// user; anybody else gets the folder's write permission taken away.
std::string AsReader(const std::string& folder, const std::function<std::string()>& probe) {
  using std::filesystem::perms;
  const bool root = geteuid() == 0;
  std::filesystem::permissions(folder, root ? perms::owner_all | perms::group_read |
                                                  perms::group_exec | perms::others_read |
                                                  perms::others_exec
                                            : perms::owner_read | perms::owner_exec);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    const std::string text = probe();
    const ssize_t written = write(pipeFds[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 4);
  }
  close(pipeFds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  std::filesystem::permissions(folder, perms::owner_all);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return FormatC("probe failed with status %d", status);
  return text;
}

TEST_F(ReliabilityTest, AReadOnlyFolderStillListsAndReadsButRefusesWritesClearly) {
  // Characters that mean something in a file URI must not stop the reading.
  const std::string folder = root_.Make("records ?#%");
  {
    Result<AppendSession> session = OpenRecordForAppend(folder, 1, clock_);
    ASSERT_TRUE(session.Ok()) << session.GetStatus().message;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(session->Append(i, clock_.LocalNow()).Ok());
  }
  std::filesystem::permissions(root_.Path(), std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  const std::string report = AsReader(folder, [&folder] {
    ManualClock clock(kStart);
    std::string text;
    const RecordSlots slots = ListRecordSlots(folder);
    text += RecordLabel(slots[0], ListForm::Viewer).value_or(slots[0].status.message) + "\n";
    Result<RecordReader> reader = RecordReader::Open(folder, 1);
    text += reader.Ok() ? FormatC("%lld readings\n", reader->Count().Value())
                        : reader.GetStatus().message + "\n";
    text += OpenRecordForAppend(folder, 2, clock).GetStatus().message + "\n";
    text += OpenRecordForAppend(folder, 1, clock).GetStatus().message + "\n";
    text += DeleteRecordFile(folder, 1).message + "\n";
    return text;
  });
  EXPECT_EQ(report,
            "Record 1            ( 26 / 12 / 06 -- 22 : 45 : 07 )\n"
            "4 readings\n"
            "DBfile_DB2.db cannot be created: the record folder is read-only.\n"
            "DBfile_DB1.db cannot be written: the record folder or the file is read-only.\n"
            "DBfile_DB1.db cannot be deleted: the record folder is read-only.\n");
  EXPECT_EQ(RecordReader::Open(folder, 1)->Count().Value(), 4);
}

// Makes every new connection's database unable to grow past a few pages: a full disk as
// the engine sees one.
int LimitPages(sqlite3* database, const char**, const sqlite3_api_routines*) {
  sqlite3_exec(database, "PRAGMA max_page_count=4", nullptr, nullptr, nullptr);
  return SQLITE_OK;
}

TEST_F(ReliabilityTest, AFullDiskIsReportedAndKeepsWhatWasCommitted) {
  ASSERT_TRUE(CreateRecordFile(root_.Path(), 7).Ok());
  sqlite3_auto_extension(reinterpret_cast<void (*)(void)>(&LimitPages));
  Result<AppendSession> session = OpenRecordForAppend(root_.Path(), 7, clock_);
  ASSERT_TRUE(session.Ok()) << session.GetStatus().message;
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(session->Append(i, clock_.LocalNow()).Ok());
  ASSERT_TRUE(session->Commit().Ok());
  Status full;
  for (int i = 0; i < 5000 && full.Ok(); ++i) full = session->Append(i, clock_.LocalNow());
  EXPECT_EQ(full.error, StoreError::DiskFull);
  EXPECT_EQ(full.message, "The disk is full: DBfile_DB7.db cannot be written.");
  const Status closed = session->Close();
  sqlite3_cancel_auto_extension(reinterpret_cast<void (*)(void)>(&LimitPages));
  EXPECT_EQ(closed.error, StoreError::DiskFull);
  EXPECT_NE(closed.message.find("1000 readings were not saved."), std::string::npos);
  EXPECT_EQ(Count(7), 50);
  EXPECT_EQ(IntegrityCheck(Path(7)), "ok");
}

}  // namespace
}  // namespace vx::records
