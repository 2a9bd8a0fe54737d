// vxlink's saves while it logs: written in the background from a snapshot, so that a reading
// is never late because of them, and the file ends up holding every reading.

#include "linkhost/periodic_save.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "../automation/host_test_util.h"
#include "../automation/xlsx_reader.h"
#include "temp_folder.h"

namespace vx::linkhost {
namespace {

using namespace std::chrono_literals;
using vx::test::Must;

class PeriodicSaveTest : public ::testing::Test {
 protected:
  PeriodicSaveTest()
      : host_(vx::test::MakeHost(folder_ / "host-state.ini")),
        book_(Must(Must(host_->Workbooks())->Add())),
        sheet_(Must(Must(book_->Sheets())->Item(1))) {}

  void Write(int row, double value) {
    Must(Must(sheet_->Cells(row, 1))->SetValue(automation::Value{value}));
    Must(Must(sheet_->Cells(row, 2))->SetValue(automation::Value{value * 2}));
    Must(Must(sheet_->Cells(row, 3))->SetValue(automation::Value{std::string("x")}));
  }

  vx::test::TempFolder folder_;
  automation::ApplicationPtr host_;
  automation::WorkbookPtr book_;
  automation::WorksheetPtr sheet_;
  std::vector<std::string> reports_;
};

TEST_F(PeriodicSaveTest, ACopyWrittenInTheBackgroundHoldsTheSheetAsItWasWhenBegun) {
  for (int row = 1; row <= 3000; ++row) Write(row, row);
  const std::string path = folder_ / "copy.xlsx";
  const auto pending = Must(book_->SaveCopyAsInBackground(path));
  // Changed while the copy is written: rows in every block, and new rows.
  for (int row = 1; row <= 3100; row += 7) Write(row, -1);
  Must(pending->Wait());
  EXPECT_TRUE(pending->Done());
  EXPECT_EQ(Must(book_->FullName()), "");
  const QJsonObject saved = vx::test::ReadXlsx(path);
  EXPECT_DOUBLE_EQ(vx::test::CellOf(saved, "Sheet1", "A1")["value"].toDouble(), 1);
  EXPECT_DOUBLE_EQ(vx::test::CellOf(saved, "Sheet1", "B2048")["value"].toDouble(), 4096);
  EXPECT_DOUBLE_EQ(vx::test::CellOf(saved, "Sheet1", "A2997")["value"].toDouble(), 2997);
  EXPECT_TRUE(vx::test::CellOf(saved, "Sheet1", "A3001").isEmpty());
  // The live sheet kept its changes.
  EXPECT_EQ(Must(Must(sheet_->Range("A2997"))->Value()), automation::Value{-1.0});
}

TEST_F(PeriodicSaveTest, SavesWhenDueNeverTwoAtOnceAndFinishesWithEverything) {
  const std::string path = folder_ / "log.xlsx";
  PeriodicSave saves(book_, path, 10s, [this](const std::string& why) { reports_.push_back(why); });
  const auto start = PeriodicSave::Clock::now();
  Write(1, 1);
  saves.Poll(start + 5s);
  EXPECT_EQ(saves.Started(), 0);
  saves.Poll(start + 10s);
  EXPECT_EQ(saves.Started(), 1);
  Write(2, 2);
  // Due again long before the first could end: it waits for it, then begins at once.
  for (int i = 0; i < 200 && saves.Started() < 2; ++i) {
    saves.Poll(start + 60s);
    QTest::qWait(5);
  }
  EXPECT_EQ(saves.Started(), 2);
  Write(3, 3);
  Must(saves.Finish());
  EXPECT_TRUE(reports_.empty());
  const QJsonObject saved = vx::test::ReadXlsx(path);
  EXPECT_DOUBLE_EQ(vx::test::CellOf(saved, "Sheet1", "A3")["value"].toDouble(), 3);
  EXPECT_EQ(Must(book_->FullName()), path);
}

TEST_F(PeriodicSaveTest, ASaveThatFailsIsReportedAndTheNextIsTried) {
  const std::string path = folder_.Write("plain-file", "") + "/log.xlsx";
  PeriodicSave saves(book_, path, 1ms, [this](const std::string& why) { reports_.push_back(why); });
  Write(1, 1);
  for (int i = 0; i < 400 && reports_.size() < 2; ++i) {
    saves.Poll();
    QTest::qWait(5);
  }
  ASSERT_GE(reports_.size(), 2u);
  EXPECT_NE(reports_[0].find(path), std::string::npos) << reports_[0];
  EXPECT_FALSE(saves.Finish());
}

// Readings every 25 ms into a sheet of 100,000 rows, saved every 100 ms: no reading waits for
// a save. Written on the thread that reads, a save of that sheet holds it up for about half
// a second.
TEST_F(PeriodicSaveTest, ReadingsKeepTheirPaceWhileALargeSheetIsSaved) {
  constexpr int kRows = 100000;
  for (int row = 1; row <= kRows; ++row) Write(row, row);
  const std::string path = folder_ / "large.xlsx";
  PeriodicSave saves(book_, path, 100ms,
                     [this](const std::string& why) { reports_.push_back(why); });
  QEventLoop loop;
  QTimer reading;
  QTimer poll;
  QElapsedTimer clock;
  std::vector<qint64> tickTimes;
  int row = kRows;
  QObject::connect(&reading, &QTimer::timeout, [&] {
    tickTimes.push_back(clock.elapsed());
    ++row;
    Write(row, row);
    // Two saves at least, however long a save of the large sheet takes on this build.
    if (tickTimes.size() >= 80 && saves.Started() >= 2) loop.quit();
  });
  QTimer::singleShot(40s, &loop, &QEventLoop::quit);
  QObject::connect(&poll, &QTimer::timeout, [&] { saves.Poll(); });
  clock.start();
  reading.start(25);
  poll.start(25);
  loop.exec();
  ASSERT_GE(saves.Started(), 2) << "the test must span saves";
  qint64 longestGap = 0;
  for (size_t i = 1; i < tickTimes.size(); ++i) {
    longestGap = std::max(longestGap, tickTimes[i] - tickTimes[i - 1]);
  }
  EXPECT_LE(longestGap, 100) << "a reading waited for a save";
  Must(saves.Finish());
  EXPECT_TRUE(reports_.empty());
}

}  // namespace
}  // namespace vx::linkhost
