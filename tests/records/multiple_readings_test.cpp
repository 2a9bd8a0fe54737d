// The "Multiple Readings" window against simulated meters on a manual clock: runs into new
// and existing records, "Run Stop", overloads, long answers, meters that stop answering,
// and the checks before anything is sent.

#include "records/multiple/multiple_readings_dialog.h"
#include "records/multiple/reading_burst.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/scripted_prompter.h"
#include "record_tools_test_util.h"
#include "record_window_test_util.h"
#include "records/export/reading_text.h"
#include "records/record_file.h"
#include "records/record_folder.h"
#include "records/record_format.h"
#include "records/record_reader.h"
#include "records/record_slots.h"
#include "records_test_util.h"
#include "simulated_visa.h"
#include "user_input.h"

namespace vx::records {
namespace {

using fixture::Child;
using fixture::TakeMessageTexts;
using test::SimulatedVisa;

constexpr const char* kUsb = "USB0::0x1F3A::0x0C21::TW1::INSTR";
// What the scan sends each meter before the window is ready: "L0" and "*IDN?".
constexpr unsigned kScanCommands = 2;

sim::MeterConfig Meter(double volts) {
  sim::MeterConfig meter = SimulatedVisa::UsbMeter("TW1");
  meter.inputs["VOLT"] = volts;
  return meter;
}

// The process works in a folder whose DB subfolder holds the records.
class MultipleReadingsTest : public ::testing::Test {
 protected:
  MultipleReadingsTest() : guard_(root_.Path()) { records_ = root_.Make("DB"); }

  // As the user runs: a record chosen from the list with the mouse (none when `slot` is -1),
  // the number typed, "Run Start" clicked. The run ends before the click returns.
  void Run(MultipleReadingsDialog& dialog, int slot, const char* count) {
    auto* slotList = Child<QComboBox>(dialog, "slotList");
    if (slot >= 0) test::ChooseWithMouse(slotList, slotList->itemText(slot));
    ASSERT_EQ(slotList->currentIndex(), slot);
    test::TypeInto(Child<QLineEdit>(dialog, "countField"), count);
    test::Click(Child<QPushButton>(dialog, "startButton"));
  }
  std::vector<double> Values(int record) {
    Result<RecordReader> reader = RecordReader::Open(records_, record);
    EXPECT_TRUE(reader.Ok()) << reader.GetStatus().message;
    return reader.Ok() ? reader->Values().Value() : std::vector<double>{};
  }
  std::string Stamp(int record) {
    return FormatStamp(RecordReader::Open(records_, record)->Stamp().Value().value());
  }
  void ExpectIdle(const MultipleReadingsDialog& dialog) {
    EXPECT_FALSE(dialog.Running());
    EXPECT_TRUE(Child<QPushButton>(dialog, "startButton")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(dialog, "exitButton")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dialog, "stopButton")->isEnabled());
  }

  fixture::TempFolder root_;
  fixture::CurrentFolderGuard guard_;
  std::string records_;
  ScriptedPrompter prompter_;
};

TEST_F(MultipleReadingsTest, ThreeReadingsIntoANewRecordWithSampleCountOne) {
  SimulatedVisa visa({Meter(1.25)});
  const auto meter = visa.Meter(kUsb);
  meter->Write("SAMP:COUN 3\n");  // the run must set it back to 1
  {
    MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
    test::ShowForInput(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Multiple Readings");
    auto* meters = Child<QComboBox>(dialog, "meterList");
    EXPECT_EQ(meters->currentText(), "W9-90/1-USBTMC-TW1");
    auto* slotList = Child<QComboBox>(dialog, "slotList");
    ASSERT_EQ(slotList->count(), 10);
    EXPECT_EQ(slotList->itemText(0), "DBSfile 1");
    EXPECT_EQ(slotList->itemText(9), "DBSfile 10");
    EXPECT_EQ(slotList->currentIndex(), -1);
    EXPECT_EQ(Child<QLineEdit>(dialog, "countField")->text(), "1");
    ExpectIdle(dialog);
    const unsigned before = meter->CommandCount();

    Run(dialog, 2, "3");
    EXPECT_EQ(meter->CommandCount(), before + 4);  // sample:count, then three read?
    EXPECT_EQ(Values(3), (std::vector<double>{1.25, 1.25, 1.25}));
    EXPECT_EQ(slotList->itemText(2), "DBSfile 3            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
    EXPECT_EQ(slotList->currentIndex(), 2);
    ExpectIdle(dialog);
    EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  }
  meter->Write("SAMP:COUN?\n");
  char answer[16] = {};
  meter->Read(answer, sizeof answer - 1, std::chrono::milliseconds(0));
  EXPECT_STREQ(answer, "1\n");
}

TEST_F(MultipleReadingsTest, AnExistingRecordKeepsItsReadingsAndGetsANewStamp) {
  fixture::WriteRecord(records_, 4, fixture::Counting(10));
  SimulatedVisa visa({Meter(-0.5)});
  visa.Clock().SetLocal(LocalDateTime{2027, 1, 2, 8, 0, 30});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  auto* slotList = Child<QComboBox>(dialog, "slotList");
  EXPECT_EQ(slotList->itemText(3), "DBSfile 4            ( 26 / 12 / 06 -- 22 : 45 : 07 )");
  Run(dialog, 3, "3");
  const std::vector<double> values = Values(4);
  ASSERT_EQ(values.size(), 13u);
  EXPECT_EQ(values[9], 10);
  EXPECT_EQ(values[10], -0.5);
  EXPECT_EQ(values[12], -0.5);
  EXPECT_EQ(Stamp(4), "27 / 01 / 02 -- 08 : 00 : 30");
  EXPECT_EQ(slotList->itemText(3), "DBSfile 4            ( 27 / 01 / 02 -- 08 : 00 : 30 )");
}

TEST_F(MultipleReadingsTest, RunStopAfterTheFifthReadingKeepsFive) {
  SimulatedVisa visa({Meter(2.0)});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  auto* stop = Child<QPushButton>(dialog, "stopButton");
  dialog.SetReadingObserver([&](long long taken) {
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dialog, "startButton")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dialog, "exitButton")->isEnabled());
    if (taken != 5) return;
    // A click that waits in the event queue, and the time for the run to let it through.
    QMetaObject::invokeMethod(
        stop, [stop] { test::Click(stop); }, Qt::QueuedConnection);
    visa.Clock().Advance(ReadingBurst::kPumpInterval);
  });
  Run(dialog, 0, "1000");
  EXPECT_EQ(Values(1).size(), 5u);
  ExpectIdle(dialog);
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  // The file was closed: it can be deleted at once.
  EXPECT_TRUE(DeleteRecordFile(records_, 1).Ok());
}

TEST_F(MultipleReadingsTest, AnOverloadIsStoredAsTheMarkerAndALongAnswerByItsFirstCharacters) {
  sim::MeterConfig overloaded = Meter(5000.0);  // beyond the 1000 V range
  sim::MeterConfig verbose = SimulatedVisa::GpibMeter(22);
  verbose.inputs["VOLT"] = 0.125;
  verbose.fault.kind = sim::FaultKind::Overlong;  // 5000 bytes: several reads of 1024
  verbose.fault.onlyFor = "READ?";
  SimulatedVisa visa({overloaded, verbose});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  Run(dialog, 0, "2");
  EXPECT_EQ(Values(1), (std::vector<double>{kOverloadValue, kOverloadValue}));
  EXPECT_EQ(ValueText(Values(1)[0]), "OVLD");
  test::ChooseWithKeys(Child<QComboBox>(dialog, "meterList"), "W9-90/1-GPIB-22");
  Run(dialog, 1, "2");
  EXPECT_EQ(Values(2), (std::vector<double>{0.125, 0.125}));
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
}

TEST_F(MultipleReadingsTest, AMeterThatStopsAnsweringEndsTheRunWithoutInventingReadings) {
  sim::MeterConfig failing = Meter(3.0);
  failing.fault.kind = sim::FaultKind::NoAnswer;
  failing.fault.onlyFor = "READ?";
  failing.fault.afterCommands = kScanCommands + 1 + 4;  // four readings answered
  SimulatedVisa visa({failing});
  ASSERT_EQ(visa.Meter(kUsb)->CommandCount(), 0u);
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  ASSERT_EQ(visa.Meter(kUsb)->CommandCount(), kScanCommands);
  Run(dialog, 0, "100");
  EXPECT_EQ(Values(1), (std::vector<double>{3, 3, 3, 3}));
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Check Device Connection"});
  ExpectIdle(dialog);
}

TEST_F(MultipleReadingsTest, AnAnswerThatIsNotAReadingEndsTheRun) {
  sim::MeterConfig garbled = Meter(3.0);
  garbled.fault.kind = sim::FaultKind::Garbage;
  garbled.fault.onlyFor = "READ?";
  SimulatedVisa visa({garbled});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  Run(dialog, 0, "50");
  const std::vector<std::string> messages = TakeMessageTexts(prompter_);
  // Random bytes may start like a number now and then; the first that does not ends the run.
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("which is not a reading"), std::string::npos) << messages[0];
  EXPECT_LT(Values(1).size(), 50u);
}

// Another program takes the record's lock during a run: the readings wait in memory. A lock
// released before the run ends costs nothing; one still held at the end is reported once,
// with the number of readings it cost.
TEST_F(MultipleReadingsTest, AnotherProgramsLockDuringTheRunLosesNoReadingWithoutSaying) {
  SimulatedVisa visa({Meter(2.0)});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  std::unique_ptr<fixture::WriteLockHolder> other;
  dialog.SetReadingObserver([&](long long stored) {
    if (stored == 10)
      other = std::make_unique<fixture::WriteLockHolder>(RecordFilePath(records_, 1));
    if (stored == 2500) other.reset();
  });
  Run(dialog, 0, "3000");
  EXPECT_TRUE(TakeMessageTexts(prompter_).empty());
  EXPECT_EQ(Values(1).size(), 3000u);

  dialog.SetReadingObserver([&](long long stored) {
    if (stored == 1)
      other = std::make_unique<fixture::WriteLockHolder>(RecordFilePath(records_, 1));
  });
  Run(dialog, 0, "1500");
  const std::vector<std::string> messages = TakeMessageTexts(prompter_);
  other.reset();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("DBfile_DB1.db"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("1500 readings were not saved."), std::string::npos) << messages[0];
  EXPECT_EQ(Values(1).size(), 3000u);
  ExpectIdle(dialog);
}

TEST(ReadingFromAnswer, TakesOnlyADecimalReadingFromTheFirstFifteenCharacters) {
  EXPECT_EQ(ReadingFromAnswer("+9.90000000E+37\n"), kOverloadValue);
  EXPECT_EQ(ReadingFromAnswer("-1.23456780E-03,+1.0"), -1.2345678e-3);
  // Text C's conversion would take for a number, and the meter never sends as a reading.
  for (const char* answer : {"nan", "-nan", "inf", "INFINITY", "garbage", ""})
    EXPECT_FALSE(ReadingFromAnswer(answer).has_value()) << answer;
  EXPECT_EQ(ReadingFromAnswer("0x1p200"), 0.0);
}

TEST_F(MultipleReadingsTest, CountsOutsideOneTo50000AndAMissingSlotSendNothing) {
  SimulatedVisa visa({Meter(1.0)});
  const auto meter = visa.Meter(kUsb);
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  const unsigned before = meter->CommandCount();
  Run(dialog, -1, "5");
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Please select a record."});
  for (const char* count : {"0", "50001", "", "12x", "-3"}) {
    Run(dialog, 0, count);
    EXPECT_EQ(
        TakeMessageTexts(prompter_),
        std::vector<std::string>{"The number of readings must be a whole number from 1 to 50000."})
        << count;
  }
  EXPECT_EQ(meter->CommandCount(), before);
  EXPECT_FALSE(std::filesystem::exists(RecordFilePath(records_, 1)));
  Run(dialog, 0, "50000");
  EXPECT_EQ(Values(1).size(), 50000u);
}

TEST_F(MultipleReadingsTest, WithoutAMeterTheListsSaySoAndNothingRuns) {
  SimulatedVisa visa({});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  auto* meters = Child<QComboBox>(dialog, "meterList");
  EXPECT_EQ(meters->currentText(), "No Device Connected");
  EXPECT_FALSE(meters->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(dialog, "slotList")->isEnabled());
  test::Click(Child<QPushButton>(dialog, "startButton"));
  EXPECT_EQ(TakeMessageTexts(prompter_), std::vector<std::string>{"Please select a record."});
}

TEST_F(MultipleReadingsTest, AMissingRecordFolderIsReportedUnderItsCaption) {
  std::filesystem::remove(records_);
  SimulatedVisa visa({Meter(1.0)});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Database working folder not found.");
  EXPECT_EQ(prompter_.Messages()[0].title, "Doro2V Database folder check");
  EXPECT_EQ(Child<QComboBox>(dialog, "slotList")->count(), 0);
}

TEST_F(MultipleReadingsTest, ClosingDuringARunStopsItFirst) {
  SimulatedVisa visa({Meter(1.0)});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  dialog.SetReadingObserver([&](long long taken) {
    if (taken == 3) test::PressKey(&dialog, Qt::Key_Escape);
  });
  Run(dialog, 0, "100");
  EXPECT_EQ(Values(1).size(), 3u);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(MultipleReadingsTest, Picture) {
  fixture::WriteRecord(records_, 2, {1.0});
  SimulatedVisa visa({Meter(1.0), SimulatedVisa::GpibMeter(22)});
  MultipleReadingsDialog dialog(nullptr, prompter_, visa.Clock());
  test::ShowForInput(dialog);
  Run(dialog, 1, "250");
  fixture::SavePicture(dialog, "multiple_readings.png");
}

}  // namespace
}  // namespace vx::records
