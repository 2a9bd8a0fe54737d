// The scan run against a simulated card on a manual clock: what is programmed, the results
// of each timing mode, the waits before a fetch, Start's checks, and answers that fall short.

#include "scanner/scan_run.h"

#include <gtest/gtest.h>

#include <optional>

#include "common/scripted_prompter.h"
#include "scanner/field_checks.h"
#include "scanner_test_util.h"

namespace vx::scanner {
namespace {

using fixture::RecordingMeter;
using fixture::Row;
using fixture::RunToIdle;
using fixture::RunUntil;
using std::chrono::milliseconds;
using std::chrono::seconds;
using test::SimulatedVisa;
using Strings = std::vector<std::string>;

class ScanRunTest : public ::testing::Test {
 protected:
  void Open(sim::MeterConfig meter) {
    visa_.emplace(std::vector<sim::MeterConfig>{std::move(meter)});
    visa_->Clock().SetLocal({2026, 12, 6, 14, 3, 7});
    meter_.emplace();
    ASSERT_TRUE(setup_.ReadCard(meter_->Query()));
    run_.emplace(setup_, meter_->Query(), visa_->Clock(), prompter_, meter_->Gone());
    run_->Settings().scanCountText = std::to_string(setup_.Channels());
    meter_->ClearCommands();
  }
  void Set(int channel, ScanFunction f, double r = 0, double offset = 0) {
    ASSERT_TRUE(setup_.SetChannel(channel - 1, {f, r, offset}));
  }
  ManualClock& Clock() { return visa_->Clock(); }
  const ResultsGrid& Grid() const { return run_->Grid(); }
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const MessageRequest& m : prompter_.Messages()) texts.push_back(m.text);
    prompter_.Clear();
    return texts;
  }

  std::optional<SimulatedVisa> visa_;
  std::optional<RecordingMeter> meter_;
  ScanSetup setup_;
  ScriptedPrompter prompter_;
  std::optional<ScanRun> run_;
};

TEST_F(ScanRunTest, AFourWireChannelProgramsNoPartnerAndCountsOnce) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::FourWire);
  Set(2, ScanFunction::Dcv);
  Set(6, ScanFunction::Acv);  // left over on the partner: ignored
  ASSERT_TRUE(run_->Start());
  EXPECT_TRUE(run_->Busy());
  EXPECT_EQ(meter_->Commands(),
            (Strings{"rout:scan:func 1,\"FRES\"\n", "rout:scan:func 2,\"VOLT:DC\"\n",
                     "rout:scan:func 3,\"NONE\"\n", "rout:scan:func 4,\"NONE\"\n",
                     "rout:scan:func 5,\"NONE\"\n", "rout:scan:func 7,\"NONE\"\n",
                     "rout:scan:func 8,\"NONE\"\n", "rout:scan:func 9,\"NONE\"\n",
                     "rout:scan:func 10,\"NONE\"\n", "Rout:scan:count 10\n",
                     "Rout:scan:timer 0.500000\n", "route:scan\n"}));
  EXPECT_EQ(run_->Phase(), RunPhase::Polling);
  EXPECT_FALSE(run_->ExportAvailable());
  RunToIdle(*run_, Clock());
  EXPECT_FALSE(run_->Busy());
  EXPECT_TRUE(run_->ExportAvailable());
  ASSERT_EQ(Grid().Columns(), 4);
  EXPECT_EQ(Row(Grid(), 0), (Strings{"Time", "CH1(4W)", "CH2(DCV)"}));
  // Ten readings, two a pass: five rows.
  ASSERT_EQ(Grid().Rows(), 6);
  EXPECT_EQ(Row(Grid(), 5), (Strings{"14:3:7", "101.23000000", "0.21230000"}));
  EXPECT_EQ(Grid().Cell(5, 0), "5");
  EXPECT_EQ(meter_->CountOf("fetch?\n"), 1);
  EXPECT_EQ(run_->ProgressText(), "10/10");
  EXPECT_TRUE(run_->Notice().empty());
}

TEST_F(ScanRunTest, ShuntsScaleReadingsButNotOverloadsAndCellsKeepThirteenCharacters) {
  Open(fixture::CardMeter(10, {0.5, 2000, 2000, 1234567.891, 0.5}));
  Set(1, ScanFunction::Dci, 100, 0.001);
  Set(2, ScanFunction::Dcv);
  Set(3, ScanFunction::Dci, 100, 0.001);
  Set(4, ScanFunction::TwoWire);
  Set(5, ScanFunction::Dci);  // no shunt: a voltage
  run_->Settings().scanCountText = "5";
  ASSERT_TRUE(run_->Start());
  EXPECT_TRUE(meter_->Sent("rout:scan:func 5,\"VOLT:DC\"\n"));
  EXPECT_EQ(setup_.Channel(4).function, ScanFunction::Dcv);
  RunToIdle(*run_, Clock());
  EXPECT_EQ(Row(Grid(), 0),
            (Strings{"Time", "CH1(DCI)", "CH2(DCV)", "CH3(DCI)", "CH4(2W)", "CH5(DCV)"}));
  EXPECT_EQ(Row(Grid(), 1),
            (Strings{"14:3:7", "0.00600000", "OVLD", "OVLD", "1234567.89000", "0.50000000"}));
}

TEST_F(ScanRunTest, APlainRunOfTwentyFiveReadingsOverTenChannelsTakesThreeRows) {
  Open(fixture::CardMeter(10));
  for (int k = 1; k <= 10; ++k) Set(k, ScanFunction::Dcv);
  run_->Settings().scanCountText = "25";
  ASSERT_TRUE(run_->Start());
  EXPECT_TRUE(meter_->Sent("Rout:scan:count 25\n"));
  RunToIdle(*run_, Clock());
  ASSERT_EQ(Grid().Rows(), 4);
  EXPECT_EQ(Grid().Cell(3, 0), "3");
  EXPECT_EQ(Grid().Cell(3, 6), "0.51230000");  // the 25th reading, CH5
  EXPECT_EQ(Grid().Cell(3, 7), "");
  EXPECT_EQ(Grid().Cell(3, 11), "");
}

TEST_F(ScanRunTest, StopAfterNScansRunsNPassesInOneScan) {
  Open(fixture::CardMeter(20));
  Set(3, ScanFunction::Freq);
  Set(15, ScanFunction::Acv);
  RunSettings& settings = run_->Settings();
  settings.stopAfterOn = true;
  settings.passesText = "4";
  ASSERT_TRUE(run_->Start());
  EXPECT_TRUE(meter_->Sent("Rout:scan:count 8\n"));
  run_->Tick();
  EXPECT_EQ(settings.scanCountText, "8");  // the Scan count shows N * d
  RunToIdle(*run_, Clock());
  EXPECT_EQ(meter_->CountOf("route:scan\n"), 1);
  ASSERT_EQ(Grid().Rows(), 5);
  EXPECT_EQ(Row(Grid(), 4), (Strings{"14:3:7", "3000.50000000", "1.51230000"}));
}

TEST_F(ScanRunTest, PerScanPassesAppendARowEachWithItsOwnStartTime) {
  Open(fixture::CardMeter(20));
  Set(1, ScanFunction::Dcv);
  Set(2, ScanFunction::TwoWire);
  RunSettings& settings = run_->Settings();
  settings.perScanOn = true;
  settings.intervalSeconds = 5;
  settings.stopAfterOn = true;
  settings.passesText = "3";
  ASSERT_TRUE(run_->Start());
  EXPECT_TRUE(meter_->Sent("Rout:scan:count 2\n"));
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingForNextPass));
  // Between the passes of a run that ends by itself the controls stay disabled.
  EXPECT_TRUE(run_->Busy());
  EXPECT_TRUE(run_->ExportAvailable());
  const auto firstPassEnded = Clock().Steady();
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::Polling));
  // The interval runs from the poll that found the pass complete, a second before its fetch.
  EXPECT_EQ(Clock().Steady() - firstPassEnded, seconds(4));
  RunToIdle(*run_, Clock());
  EXPECT_EQ(meter_->CountOf("route:scan\n"), 3);
  EXPECT_EQ(meter_->CountOf("Rout:scan:count 2\n"), 3);
  ASSERT_EQ(Grid().Rows(), 4);
  EXPECT_EQ(Row(Grid(), 1), (Strings{"14:3:7", "0.11230000", "2012.30000000"}));
  EXPECT_EQ(Grid().Cell(2, 0), "2");
  EXPECT_EQ(Grid().Cell(3, 0), "3");
  // A pass is complete after 1 s; the next one starts 5 s after the poll that found it so.
  EXPECT_EQ(Grid().Cell(2, 1), "14:3:13");
  EXPECT_EQ(Grid().Cell(3, 1), "14:3:19");
  EXPECT_EQ(run_->PassCounter(), 1);
  EXPECT_FALSE(run_->Busy());
  EXPECT_EQ(run_->ResultsTime(), (LocalDateTime{2026, 12, 6, 14, 3, 7}));
}

TEST_F(ScanRunTest, PerScanStopsStartingPassesOnceTheStopTimeHasPassed) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::Dcv);
  RunSettings& settings = run_->Settings();
  settings.perScanOn = true;
  settings.intervalSeconds = 3;
  settings.stopTimeOn = true;
  settings.stopTime = {2026, 12, 6, 14, 3, 20};
  ASSERT_TRUE(run_->Start());
  RunToIdle(*run_, Clock());
  // Passes start at 14:03:07, :10.5, :14 and :17.5; the next would start at :21, past the
  // Stop Time.
  ASSERT_EQ(Grid().Rows(), 5);
  EXPECT_EQ(Grid().Cell(4, 1), "14:3:17");
  EXPECT_FALSE(run_->Busy());
  // Started again after it, the run starts nothing and says why.
  EXPECT_FALSE(run_->Start());
  EXPECT_EQ(run_->Notice(), "The Stop Time has passed: no pass was started.");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ScanRunTest, PerScanWithoutAnEndFreesTheControlsAndEndsWhenPerScanIsCleared) {
  Open(fixture::CardMeter(10));
  Set(2, ScanFunction::Dcv);
  RunSettings& settings = run_->Settings();
  settings.perScanOn = true;
  settings.intervalSeconds = 0;
  ASSERT_TRUE(run_->Start());
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingForNextPass));
  EXPECT_FALSE(run_->Busy());
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::Polling));
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingForNextPass));
  EXPECT_EQ(Grid().Rows(), 3);
  // A changed function between passes gives a new header, and the rows start again.
  Set(3, ScanFunction::Acv);
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::Polling));
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingForNextPass));
  EXPECT_EQ(Row(Grid(), 0), (Strings{"Time", "CH2(DCV)", "CH3(ACV)"}));
  EXPECT_EQ(Grid().Rows(), 2);
  settings.perScanOn = false;
  run_->PerScanChanged();
  EXPECT_EQ(run_->Phase(), RunPhase::Idle);
  const int commands = static_cast<int>(meter_->Commands().size());
  Clock().Advance(seconds(60));
  run_->Tick();
  EXPECT_EQ(static_cast<int>(meter_->Commands().size()), commands);
}

TEST_F(ScanRunTest, AnAtTimeThatHasPassedStartsAtTheNextTickAndALaterOneIsWaitedFor) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::Dcv);
  RunSettings& settings = run_->Settings();
  settings.atTimeOn = true;
  settings.atTime = {2026, 12, 6, 14, 2, 0};
  ASSERT_TRUE(run_->Start());
  EXPECT_EQ(run_->Phase(), RunPhase::WaitingForAtTime);
  EXPECT_TRUE(run_->Busy());
  EXPECT_FALSE(meter_->SentStartingWith("rout:scan:func"));
  EXPECT_EQ(run_->TimerInterval(), milliseconds(200));
  Clock().Advance(milliseconds(200));
  run_->Tick();
  EXPECT_EQ(run_->Phase(), RunPhase::Polling);
  EXPECT_TRUE(meter_->Sent("route:scan\n"));
  RunToIdle(*run_, Clock());

  meter_->ClearCommands();
  settings.atTime = {2026, 12, 6, 14, 5, 0};
  ASSERT_TRUE(run_->Start());
  while (Clock().LocalNow() <= LocalDateTime{2026, 12, 6, 14, 5, 0}) {
    EXPECT_FALSE(meter_->Sent("route:scan\n"));
    Clock().Advance(run_->TimerInterval());
    run_->Tick();
  }
  EXPECT_TRUE(meter_->Sent("route:scan\n"));
  RunToIdle(*run_, Clock());
  EXPECT_EQ(Grid().Cell(1, 1), "14:5:0");
}

// A step scan waits a further dwell of up to ten seconds before its fetch; with a longer
// Timer the fetch follows the usual second at once. The card has every reading it reported
// ready by then, in every timing mode.
TEST_F(ScanRunTest, AStepScanWaitsAFurtherDwellOfUpToTenSecondsBeforeItsFetch) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::Dcv);
  Set(2, ScanFunction::Dcv);
  RunSettings& settings = run_->Settings();
  settings.mode = ScanMode::Step;
  settings.timerText = "2";
  settings.scanCountText = "4";
  ASSERT_TRUE(run_->Start());
  EXPECT_TRUE(meter_->Sent("route:scan:step\n"));
  EXPECT_TRUE(meter_->Sent("Rout:scan:timer 2.000000\n"));
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingToFetch));
  EXPECT_EQ(run_->TimerInterval(), milliseconds(2300));
  RunToIdle(*run_, Clock());
  EXPECT_TRUE(run_->Notice().empty()) << run_->Notice();
  EXPECT_EQ(Grid().Cell(2, 3), "0.21230000");

  settings.scanCountText = "2";
  settings.timerText = "12";
  ASSERT_TRUE(run_->Start());
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingToFetch));
  EXPECT_EQ(run_->TimerInterval(), milliseconds(1000));
  RunToIdle(*run_, Clock());
  EXPECT_TRUE(run_->Notice().empty()) << run_->Notice();
  EXPECT_EQ(Row(Grid(), 1), (Strings{"14:3:15", "0.11230000", "0.21230000"}));

  settings.perScanOn = true;
  settings.timerText = "10";
  ASSERT_TRUE(run_->Start());
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingToFetch));
  EXPECT_EQ(run_->TimerInterval(), milliseconds(11000));
  ASSERT_TRUE(RunUntil(*run_, Clock(), RunPhase::WaitingForNextPass));
  EXPECT_TRUE(run_->Notice().empty()) << run_->Notice();
  EXPECT_EQ(run_->IncompleteFills(), 0);
}

TEST_F(ScanRunTest, StartChecksItsFieldsInOrderAndSendsNothingWhenOneIsWrong) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::Dci);
  setup_.Show(0);
  RunSettings& settings = run_->Settings();
  const auto refused = [&](const std::string& expected) {
    EXPECT_FALSE(run_->Start());
    EXPECT_EQ(run_->Phase(), RunPhase::Idle);
    EXPECT_FALSE(run_->Busy());
    EXPECT_EQ(Messages(), Strings{expected});
  };
  for (const char* timer : {"", "1.", "2e", "-1", "1.2.3", "0.5s"}) {
    settings.timerText = timer;
    settings.passesText = "x";
    refused(kTimerError);
  }
  settings.timerText = "0.5";
  refused(kPassesError);
  settings.passesText = "1";
  refused(kZeroShuntError);
  Set(1, ScanFunction::None);
  refused(kNoChannelMessage);
  Set(1, ScanFunction::Dcv);
  settings.timerText = "70";
  refused(kTimerRangeMessage);
  settings.timerText = "1e-3";
  settings.scanCountText = "3000";
  refused(kScanCountRangeMessage);
  EXPECT_FALSE(meter_->SentStartingWith("rout:scan:func"));
  EXPECT_FALSE(meter_->SentStartingWith("route"));
  settings.scanCountText = "1";
  EXPECT_TRUE(run_->Start());
  EXPECT_TRUE(meter_->Sent("Rout:scan:timer 0.001000\n"));
  EXPECT_EQ(prompter_.Messages().size(), 0u);
}

TEST_F(ScanRunTest, ACardThatNeverReportsTheTotalIsPolledOnWithoutAFetch) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::Dcv);
  meter_->Spoil([](std::string_view command, std::string answer) {
    return command == "Rout:scan:state?\n" ? std::string("3") : answer;
  });
  ASSERT_TRUE(run_->Start());
  for (int tick = 0; tick < 1000; ++tick) {
    Clock().Advance(run_->TimerInterval());
    run_->Tick();
  }
  EXPECT_EQ(run_->Phase(), RunPhase::Polling);
  EXPECT_EQ(run_->ProgressText(), "3/10");
  EXPECT_FALSE(meter_->Sent("fetch?\n"));
}

// A meter whose connection is lost while its card is polled: the run ends at once with a
// message that names the meter and the status, instead of polling a meter that is gone.
TEST_F(ScanRunTest, AMeterLostDuringAPassEndsTheRunWithAMessage) {
  sim::MeterConfig meter = fixture::CardMeter(10);
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.onlyFor = "ROUT:SCAN:STATE?";
  meter.fault.lostAfterCommands = 30;
  Open(meter);
  Set(1, ScanFunction::Dcv);
  run_->Settings().timerText = "1";
  ASSERT_TRUE(run_->Start());
  const int ticks = RunToIdle(*run_, Clock(), 100);
  EXPECT_LT(ticks, 100);
  EXPECT_EQ(run_->Phase(), RunPhase::Idle);
  EXPECT_FALSE(run_->Busy());
  const std::string expected =
      "W9-90/1-USBTMC-TW1: The connection to the instrument was lost. (VI_ERROR_CONN_LOST) The "
      "scan has ended.";
  EXPECT_EQ(run_->Failure(), expected);
  EXPECT_EQ(run_->ProgressText(), "");
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, expected);
  EXPECT_EQ(prompter_.Messages()[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(meter_->Sent("fetch?\n"));
  EXPECT_EQ(run_->FillCount(), 0);
}

TEST_F(ScanRunTest, AShortOrDamagedFetchAnswerFillsWhatItHoldsAndSaysWhatIsMissing) {
  Open(fixture::CardMeter(10));
  Set(1, ScanFunction::Dcv);
  Set(2, ScanFunction::Dcv);
  std::string fetch = "+1.0E+00,+2.0E+00,+3.0E+00";
  meter_->Spoil([&](std::string_view command, std::string answer) {
    return command == "fetch?\n" ? fetch : answer;
  });
  ASSERT_TRUE(run_->Start());
  RunToIdle(*run_, Clock());
  ASSERT_EQ(Grid().Rows(), 6);
  EXPECT_EQ(Row(Grid(), 2), (Strings{"14:3:7", "3.00000000", ""}));
  EXPECT_EQ(Grid().Cell(3, 0), "");
  EXPECT_EQ(run_->Notice(),
            "The meter's answer held 3 of the 10 readings: 7 readings are missing.");
  EXPECT_EQ(run_->IncompleteFills(), 1);

  fetch = "junk,,+1.5E+00,+9.9E37,+2.0E+00,\x01,+1,+1,+1,+1";
  ASSERT_TRUE(run_->Start());
  RunToIdle(*run_, Clock());
  EXPECT_EQ(Row(Grid(), 1), (Strings{"14:3:13", "", ""}));
  EXPECT_EQ(Row(Grid(), 2), (Strings{"14:3:13", "1.50000000", "OVLD"}));
  EXPECT_EQ(run_->Notice(),
            "3 values in the meter's answer were not readings; their cells are empty.");
}

}  // namespace
}  // namespace vx::scanner
