#pragma once
// Fixtures of the record tools' tests: records written as a writer leaves them, and a folder
// whose file size limit makes every output fail half-way.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/local_time.h"
#include "file_size_limit.h"
#include "records/append_session.h"
#include "records/sqlite_db.h"

namespace vx::records::fixture {

// The start stamp of every record the tests write, and the time of their first reading.
inline constexpr LocalDateTime kRecordStart{2026, 12, 6, 22, 45, 7};

// Writes `values` into record `record` of `folder`, stamped kRecordStart, the readings one
// second apart from 22:45:08 on.
inline void WriteRecord(const std::string& folder, int record, const std::vector<double>& values) {
  ManualClock clock(kRecordStart);
  Result<AppendSession> session = OpenRecordForAppend(folder, record, clock);
  ASSERT_TRUE(session.Ok()) << session.GetStatus().message;
  for (const double value : values) {
    clock.Advance(std::chrono::seconds(1));
    ASSERT_TRUE(session->Append(value, clock.LocalNow()).Ok());
  }
  ASSERT_TRUE(session->Close().Ok());
}

// Another program holding a record file under an exclusive lock for as long as this lives:
// no other connection can read the file, nor write it.
class ExclusiveHolder {
 public:
  explicit ExclusiveHolder(const std::string& path) {
    EXPECT_EQ(database_.Open(path, SQLITE_OPEN_READWRITE), SQLITE_OK);
    EXPECT_EQ(database_.Execute("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;"
                                "INSERT INTO read VALUES(-1, 0)"),
              SQLITE_OK)
        << database_.ErrorMessage();
  }

 private:
  sql::Database database_;
};

// Another program in the middle of writing into a record for as long as this lives: it holds
// the write lock, and readers still read.
class WriteLockHolder {
 public:
  explicit WriteLockHolder(const std::string& path) : holding_(database_) {
    EXPECT_EQ(database_.Open(path, SQLITE_OPEN_READWRITE), SQLITE_OK);
    EXPECT_EQ(holding_.Begin(), SQLITE_OK) << database_.ErrorMessage();
  }

 private:
  sql::Database database_;
  sql::Transaction holding_;
};

// `count` bytes that no program would take for a database.
inline std::string RandomBytes(size_t count, unsigned seed = 4) {
  std::mt19937 generator(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Cuts a file to its first `bytes` bytes, as a copy that was broken off would leave it.
inline void Truncate(const std::string& path, off_t bytes) {
  ASSERT_EQ(truncate(path.c_str(), bytes), 0) << path;
}

// `count` readings 1, 2, 3, … (reading k holds k).
inline std::vector<double> Counting(int count) {
  std::vector<double> values;
  values.reserve(static_cast<size_t>(count));
  for (int k = 1; k <= count; ++k) values.push_back(k);
  return values;
}

using vx::test::FileSizeLimit;

// The names in `folder`, hidden ones included.
inline std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vx::records::fixture
