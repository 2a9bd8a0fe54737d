// Multi-device reading and logging of readings into record files, on the front panel.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>

#include <chrono>

#include "common/captions.h"
#include "common/scripted_prompter.h"
#include "panel/panel_window.h"
#include "panel_user.h"
#include "process.h"
#include "records/record_reader.h"
#include "records/records_test_util.h"
#include "records/sqlite_db.h"
#include "simulated_visa.h"

namespace vx::panel {
namespace {

using records::fixture::CurrentFolderGuard;
using records::fixture::TempFolder;
using test::SimulatedVisa;

std::vector<sim::MeterConfig> Meters(int count) {
  std::vector<sim::MeterConfig> meters;
  for (int i = 0; i < count; ++i) {
    auto meter = SimulatedVisa::GpibMeter(10 + i);
    meter.inputs["VOLT"] = 1.0 + i;
    meters.push_back(meter);
  }
  return meters;
}

config::ReadingModeSettings MultiDevice() {
  config::ReadingModeSettings settings;
  settings.multiDevice = 1;
  return settings;
}

class PanelModeTest : public ::testing::Test {
 protected:
  PanelModeTest() : guard_(folder_.Path()) { folder_.Make("DB"); }
  void Open(int meters) {
    visa_ = std::make_unique<SimulatedVisa>(Meters(meters));
    panel_ = std::make_unique<PanelWindow>(prompter_, "en_US", visa_->Clock());
    panel_->Open();
    user_ = std::make_unique<PanelUser>(*panel_);
    test::ShowForInput(*panel_);
  }
  unsigned Commands(int meter) const {
    return visa_->Meter("GPIB0::" + std::to_string(10 + meter) + "::INSTR")->CommandCount();
  }

  TempFolder folder_;
  CurrentFolderGuard guard_;
  ScriptedPrompter prompter_;
  std::unique_ptr<SimulatedVisa> visa_;
  std::unique_ptr<PanelWindow> panel_;
  std::unique_ptr<PanelUser> user_;
};

TEST_F(PanelModeTest, ThreeMetersGetThreeNamedRowsReadInListOrder) {
  Open(3);
  user_->ChooseMultiDevice();
  for (int row = 0; row < 3; ++row) {
    EXPECT_FALSE(panel_->Row(row).name->isHidden()) << row;
    EXPECT_EQ(panel_->Row(row).name->text(), QString("W9-90/1-GPIB-%1").arg(10 + row));
    EXPECT_EQ(panel_->Row(row).division->text(), "1");
  }
  EXPECT_TRUE(panel_->Row(3).name->isHidden());
  EXPECT_EQ(panel_->DeviceList()->currentIndex(), -1);
  EXPECT_EQ(panel_->DeviceList()->placeholderText(), "MultiDevice mode");

  user_->Press(panel_->StartAction());
  const unsigned before[] = {Commands(0), Commands(1), Commands(2)};
  panel_->Tick();
  for (int meter = 0; meter < 3; ++meter) EXPECT_EQ(Commands(meter), before[meter] + 1);
  EXPECT_EQ(panel_->Row(0).reading->text(), "1.000000000000000");
  EXPECT_EQ(panel_->Row(1).reading->text(), "2.000000000000000");
  EXPECT_EQ(panel_->Row(2).reading->text(), "3.000000000000000");
  user_->Press(panel_->StopAction());
  EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(PanelModeTest, FourMetersFillEveryRowAndRefreshGoesBackToSingleMode) {
  Open(4);
  user_->ChooseMultiDevice();
  for (int row = 0; row < 4; ++row) EXPECT_FALSE(panel_->Row(row).name->isHidden()) << row;
  EXPECT_EQ(panel_->Loop().ReadCount(), 4);
  user_->Choose(user_->Item(0, 4));  // Setting / Refresh
  EXPECT_FALSE(panel_->Loop().MultiDevice());
  EXPECT_TRUE(panel_->Row(1).name->isHidden());
  EXPECT_EQ(panel_->Loop().ReadCount(), 1);
}

TEST_F(PanelModeTest, MultiDeviceModeWithOneMeterKeepsTheRows) {
  Open(1);
  // The dialog offers no multi-device mode for a single meter: the panel is handed the mode
  // directly, as settings kept from a scan that listed more meters would hand it.
  panel_->ApplyReadingMode(MultiDevice());
  EXPECT_EQ(panel_->DeviceList()->placeholderText(), "MultiDevice mode");
  EXPECT_TRUE(panel_->Row(1).name->isHidden());
  EXPECT_EQ(panel_->Loop().ReadCount(), 1);
}

TEST_F(PanelModeTest, SingleModeMakesTheRememberedMeterCurrentAgain) {
  Open(3);
  user_->ChooseMeter("W9-90/1-GPIB-12");
  prompter_.QueueColour(Rgb{10, 200, 30});
  test::WithModal<config::ReadingModeDialog>(
      [&] { user_->Choose(panel_->ReadingManagerItem()); },
      [](config::ReadingModeDialog& dialog) {
        test::Click(test::Child<QPushButton>(dialog, "singleColour"));
        test::Click(test::Child<QPushButton>(dialog, "okButton"));
      });
  EXPECT_EQ(panel_->Loop().CurrentDevice(), 2);
  EXPECT_EQ(panel_->Loop().SelectedRow(), 2);
  EXPECT_EQ(panel_->Row(0).name->text(), "W9-90/1-GPIB-12");
  EXPECT_EQ(panel_->Row(0).lamp->Colour(), QColor(10, 200, 30));
}

class PanelLoggingTest : public ::testing::Test {
 protected:
  PanelLoggingTest() : guard_(folder_.Path()) {}

  void Open(std::vector<sim::MeterConfig> meters) {
    visa_ = std::make_unique<SimulatedVisa>(std::move(meters));
    panel_ = std::make_unique<PanelWindow>(prompter_, "en_US", visa_->Clock());
    panel_->Open();
    user_ = std::make_unique<PanelUser>(*panel_);
    test::ShowForInput(*panel_);
  }
  // Logging meters 1 and 2 into records 1 and 3.
  static config::ReadingModeSettings LoggingTwo() {
    config::ReadingModeSettings settings = MultiDevice();
    settings.saveFlag = {1, 1, 0, 0};
    settings.recordNumber = {1, 3, 0, 0};
    return settings;
  }
  std::vector<records::Reading> Readings(int record) {
    auto reader = records::RecordReader::Open(folder_.Path() + "/DB", record);
    EXPECT_TRUE(reader.Ok()) << reader.GetStatus().message;
    if (!reader.Ok()) return {};
    return reader->Readings().Value();
  }
  // START on the toolbar, `ticks` ticks of the timer a second apart, STOP.
  void Run(int ticks) {
    user_->Press(panel_->StartAction());
    for (int i = 0; i < ticks && panel_->Timer().isActive(); ++i) {
      panel_->Tick();
      visa_->Clock().Advance(std::chrono::seconds(1));
    }
    user_->Press(panel_->StopAction());
  }

  TempFolder folder_;
  CurrentFolderGuard guard_;
  ScriptedPrompter prompter_;
  std::unique_ptr<SimulatedVisa> visa_;
  std::unique_ptr<PanelWindow> panel_;
  std::unique_ptr<PanelUser> user_;
};

TEST_F(PanelLoggingTest, EveryReadingReachesItsRecordAndARestartAsksFirst) {
  folder_.Make("DB");
  auto zero = SimulatedVisa::GpibMeter(10);
  zero.inputs["VOLT"] = 0.0;
  auto overload = SimulatedVisa::GpibMeter(11);
  overload.inputs["VOLT"] = 5000.0;  // beyond the top range: the meter reports an overload
  auto plain = SimulatedVisa::GpibMeter(12);
  Open({zero, overload, plain});
  user_->ChooseReadingMode(true, {1, 3, 4});

  Run(5);
  EXPECT_TRUE(prompter_.Records().empty());
  const auto first = Readings(1);
  ASSERT_EQ(first.size(), 5u);
  for (const auto& reading : first) EXPECT_EQ(reading.value, 0.0);
  // The overload was shown, never stored.
  EXPECT_EQ(panel_->Row(1).reading->text(), "OVLD");
  EXPECT_TRUE(Readings(3).empty());
  EXPECT_EQ(Readings(4).size(), 5u);

  // The files exist now: the next Start asks, and No stops before the first tick.
  prompter_.QueueAnswer(MessageAnswer::No);
  user_->Press(panel_->StartAction());
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text,
            "Record 1,Record 3,Record 4 will continue saving the readings.  Continue?");
  EXPECT_EQ(prompter_.Messages()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(prompter_.Messages()[0].title, "");
  EXPECT_FALSE(panel_->Timer().isActive());
  EXPECT_EQ(Readings(1).size(), 5u);

  // Yes appends after the old readings.
  prompter_.QueueAnswer(MessageAnswer::Yes);
  Run(2);
  EXPECT_EQ(Readings(1).size(), 7u);
  EXPECT_EQ(Readings(4).size(), 7u);
}

TEST_F(PanelLoggingTest, TheSqliteToolFindsEveryReading) {
  folder_.Make("DB");
  Open(Meters(2));
  user_->ChooseReadingMode(true, {1, 3});
  Run(12);
  for (const int record : {1, 3}) {
    const std::string file = folder_.Path() + "/DB/DBfile_DB" + std::to_string(record) + ".db";
    const auto result = test::RunProcess(
        {"/usr/bin/sqlite3", file, "select count(*), min(read_value), max(read_value) from read"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, record == 1 ? "12|1.0|1.0\n" : "12|2.0|2.0\n");
  }
}

TEST_F(PanelLoggingTest, SingleModeLogsTheCurrentMeterIntoSlotOne) {
  folder_.Make("DB");
  Open(Meters(2));
  user_->ChooseMeter("W9-90/1-GPIB-11");
  user_->ChooseReadingMode(false, {2});
  Run(3);
  const auto readings = Readings(2);
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_EQ(readings[0].value, 2.0);
}

// Another program that writes into a record (and so holds its write lock) while the panel
// logs into it.
class OtherWriter {
 public:
  explicit OtherWriter(const std::string& path) : holding_(database_) {
    EXPECT_EQ(database_.Open(path, SQLITE_OPEN_READWRITE), SQLITE_OK);
    EXPECT_EQ(holding_.Begin(), SQLITE_OK);
  }

 private:
  records::sql::Database database_;
  records::sql::Transaction holding_;
};

class PanelLockTest : public PanelLoggingTest {
 protected:
  void StartLoggingOneMeter() {
    folder_.Make("DB");
    Open(Meters(1));
    user_->ChooseReadingMode(false, {1});
    user_->Press(panel_->StartAction());
  }
  // Ticks of the fastest speed (25 ms apart) while reading runs; returns the ticks run.
  int Ticks(int count) {
    int ran = 0;
    for (; ran < count && panel_->Timer().isActive(); ++ran) {
      visa_->Clock().Advance(std::chrono::milliseconds(25));
      const auto before = std::chrono::steady_clock::now();
      panel_->Tick();
      longest_ = std::max(longest_, std::chrono::steady_clock::now() - before);
    }
    return ran;
  }
  std::string File() const { return folder_.Path() + "/DB/DBfile_DB1.db"; }

  std::chrono::steady_clock::duration longest_{};
};

TEST_F(PanelLockTest, ALockOfTwoAndAHalfSecondsCostsNoReadingAndShowsNothing) {
  StartLoggingOneMeter();
  // The commits are due on the panel's short timer.
  EXPECT_TRUE(panel_->CommitTimer().isActive());
  EXPECT_LE(std::chrono::milliseconds(panel_->CommitTimer().interval()),
            records::AppendSession::kCheckInterval);
  Ticks(20);
  {
    OtherWriter other(File());
    EXPECT_EQ(Ticks(100), 100);
  }
  Ticks(20);
  user_->Press(panel_->StopAction());
  EXPECT_TRUE(prompter_.Records().empty());
  EXPECT_EQ(Readings(1).size(), 140u);
  // No tick waited for the other program's lock, which it holds for 2.5 s: the bound leaves
  // room for a tick slowed by a busy machine (one took 102 ms under a load above 2).
  EXPECT_LT(longest_, std::chrono::milliseconds(500));
}

TEST_F(PanelLockTest, ALockOutlastingFiveSecondsStopsTheRunWithOneMessage) {
  StartLoggingOneMeter();
  Ticks(20);
  int ticks = 20;
  {
    OtherWriter other(File());
    ticks += Ticks(400);
    EXPECT_FALSE(panel_->Timer().isActive());
    EXPECT_TRUE(panel_->StartAction()->isEnabled());
  }
  EXPECT_LT(ticks, 20 + 400);
  const size_t saved = Readings(1).size();
  EXPECT_GE(saved, 10u);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  const MessageRequest message = prompter_.Messages()[0];
  EXPECT_EQ(message.title, "Error");
  EXPECT_EQ(message.text,
            "Saving the readings stopped: Record 1 (DBfile_DB1.db) has been locked by another "
            "program for more than 5 seconds. " +
                std::to_string(static_cast<size_t>(ticks) - saved) + " readings were not saved.");
}

TEST_F(PanelLoggingTest, WithoutARecordFolderTheRunReadsButLogsNothing) {
  Open(Meters(2));
  // Logging chosen while the folder was there (the dialog offers no record without it).
  panel_->ApplyReadingMode(LoggingTwo());
  user_->Press(panel_->StartAction());
  ASSERT_EQ(prompter_.Messages().size(), 1u);  // once, not once per record
  EXPECT_EQ(prompter_.Messages()[0].text, "Database working folder not found.");
  EXPECT_EQ(prompter_.Messages()[0].title, "Database folder check");
  EXPECT_TRUE(panel_->Timer().isActive());
  panel_->Tick();
  EXPECT_EQ(panel_->Row(0).reading->text(), "1.000000000000000");
  user_->Press(panel_->StopAction());
  EXPECT_EQ(prompter_.Messages().size(), 1u);
}

TEST_F(PanelLoggingTest, AFileThatIsNoRecordIsReportedAndTheRunDoesNotStart) {
  const std::string db = folder_.Make("DB");
  records::fixture::WriteFileBytes(db + "/DBfile_DB3.db", "these are not readings");
  Open(Meters(2));
  user_->ChooseReadingMode(true, {1, 3});
  user_->Press(panel_->StartAction());
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_NE(prompter_.Messages()[0].text.find("Record 3"), std::string::npos);
  EXPECT_EQ(prompter_.Messages()[0].title, "Error");
  EXPECT_FALSE(panel_->Timer().isActive());
  EXPECT_TRUE(panel_->StartAction()->isEnabled());
  // The foreign file is left as it was.
  EXPECT_EQ(records::fixture::ReadFileBytes(db + "/DBfile_DB3.db"), "these are not readings");
}

}  // namespace
}  // namespace vx::panel
