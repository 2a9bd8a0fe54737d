// The scanner's rules without a meter: the card's function answers, the field checks, the
// four-wire pairs, the filling of the results grid, vxscan's channel list and command line.

#include <gtest/gtest.h>

#include "scanner/channel_list.h"
#include "scanner/field_checks.h"
#include "scanner/results_fill.h"
#include "scanner/run_settings.h"
#include "scanner/scan_function.h"
#include "scanner/scan_setup.h"
#include "scanner/scan_tool_options.h"

namespace vx::scanner {
namespace {

using Strings = std::vector<std::string>;

TEST(ScanFunctions, CardAnswersMapToTheFirstMatchingRow) {
  EXPECT_EQ(FunctionFromCardAnswer("\"VOLT:DC\""), ScanFunction::Dcv);  // never DCI
  EXPECT_EQ(FunctionFromCardAnswer("VOLT"), ScanFunction::Dcv);
  EXPECT_EQ(FunctionFromCardAnswer("\"VOLT:AC\"\n"), ScanFunction::Acv);
  EXPECT_EQ(FunctionFromCardAnswer("\"FRES\""), ScanFunction::FourWire);
  EXPECT_EQ(FunctionFromCardAnswer("RES"), ScanFunction::TwoWire);
  EXPECT_EQ(FunctionFromCardAnswer("DCI"), ScanFunction::Dci);  // by its shown name
  // "CURR" becomes "CURR:DC", which no row sends.
  EXPECT_EQ(FunctionFromCardAnswer("CURR"), ScanFunction::None);
  EXPECT_EQ(FunctionFromCardAnswer(""), ScanFunction::None);
  EXPECT_EQ(FunctionFromCardAnswer("\x01garbage"), ScanFunction::None);
}

TEST(ScanFieldChecks, ShuntFieldsRefuseStrayCharactersWithTheirMessages) {
  const ShuntFieldCheck twoPoints = CheckShuntField("1.2.3", ShuntField::R);
  EXPECT_FALSE(twoPoints.ok);
  EXPECT_EQ(twoPoints.replacement, "1.20");
  EXPECT_EQ(twoPoints.message, "The value of \"R\" is error.");
  EXPECT_EQ(twoPoints.title, ".");
  const ShuntFieldCheck letter = CheckShuntField("12a", ShuntField::I);
  EXPECT_EQ(letter.replacement, "12.00");
  EXPECT_EQ(letter.message, "The value of \"I\" is error.");
  EXPECT_EQ(letter.title, "");
  EXPECT_EQ(CheckShuntField("1e5E", ShuntField::R).title, ".");
  EXPECT_EQ(CheckShuntField("+5", ShuntField::R).replacement, "5.00");
  EXPECT_TRUE(CheckShuntField("-1.5e-3", ShuntField::I).ok);
  EXPECT_TRUE(CheckShuntField("", ShuntField::R).ok);

  EXPECT_EQ(ShuntFieldText(100), "100");
  EXPECT_EQ(ShuntFieldText(0.5), "0.5");
  EXPECT_EQ(ShuntFieldText(0), "0");
  EXPECT_EQ(ShuntFieldText(-2.25), "-2.25");
  EXPECT_EQ(ShuntFieldText(1000000), "1000000");
}

TEST(ScanFieldChecks, TimerAndPassesTexts) {
  for (const char* good : {"0.5", "0", "60", "1e-3", "70"})
    EXPECT_TRUE(TimerTextValid(good)) << good;
  for (const char* bad : {"", "1.", "1e", "1E", "-1", "1.2.3", "1e2e3", "a", "0,5"})
    EXPECT_FALSE(TimerTextValid(bad)) << bad;
  EXPECT_FALSE(TimerTextFinished("0."));
  EXPECT_FALSE(TimerTextFinished("-"));
  EXPECT_TRUE(TimerTextFinished("0.7"));
  EXPECT_TRUE(PassesTextValid("200"));
  for (const char* bad : {"", "-3", "3a", " 3"}) EXPECT_FALSE(PassesTextValid(bad)) << bad;
}

TEST(ScanCheckBoxes, ScanCountOnlyInAPlainRunAndStopTimeOnlyForAnOpenPerScanRun) {
  EXPECT_TRUE(EnablingFor(false, false).scanCount);
  EXPECT_FALSE(EnablingFor(false, false).stopTime);
  EXPECT_FALSE(EnablingFor(true, false).scanCount);
  EXPECT_TRUE(EnablingFor(true, false).stopTime);
  EXPECT_FALSE(EnablingFor(true, true).stopTime);
  EXPECT_FALSE(EnablingFor(false, true).scanCount);
  EXPECT_FALSE(EnablingFor(false, true).stopTime);
}

TEST(ScanSetupRules, FourWireIsOfferedOnTheLowerHalfAndItsPartnerIsLocked) {
  ScanSetup setup;
  setup.Reset(20);
  EXPECT_EQ(setup.FunctionChoices(9), 8);
  EXPECT_EQ(setup.FunctionChoices(10), 7);
  EXPECT_FALSE(setup.SetChannel(10, {ScanFunction::FourWire}));
  ASSERT_TRUE(setup.SetChannel(0, {ScanFunction::FourWire}));
  ASSERT_TRUE(setup.SetChannel(10, {ScanFunction::Dcv}));  // kept, but not scanned
  ASSERT_TRUE(setup.SetChannel(11, {ScanFunction::Dcv}));
  EXPECT_FALSE(setup.FunctionEditable(10));
  EXPECT_TRUE(setup.FunctionEditable(11));
  EXPECT_EQ(setup.ReadingsPerPass(), 2);
  EXPECT_EQ(setup.ActiveChannels(), (std::vector<int>{0, 11}));
  EXPECT_EQ(setup.ProgrammedChannels().size(), 19u);

  ASSERT_TRUE(setup.SetChannel(2, {ScanFunction::Aci, 0, 0.5}));
  ASSERT_TRUE(setup.SetChannel(3, {ScanFunction::Dci, 10, 0}));
  setup.DropUnshuntedCurrents();
  EXPECT_EQ(setup.Channel(2).function, ScanFunction::Acv);
  EXPECT_EQ(setup.Channel(3).function, ScanFunction::Dci);
}

// A pass over `active` DCV channels of a ten-channel card.
PassLayout Pass(RunTiming timing, std::vector<int> active, int total) {
  PassLayout pass;
  pass.timing = timing;
  pass.channels = 10;
  pass.scanCount = total;
  pass.total = total;
  pass.perPass = static_cast<int>(active.size());
  pass.active = std::move(active);
  pass.channelSettings.assign(10, ChannelSetting{ScanFunction::Dcv});
  pass.startTime = {2026, 12, 6, 9, 5, 0};
  return pass;
}

TEST(ScanResultsFill, ReadingsOverloadsShuntsAndTheCut) {
  const ChannelSetting shunt{ScanFunction::Dci, 100, 0.001};
  EXPECT_EQ(ReadingText("+5.00000000E-01", "CH3(DCI)", shunt), "0.00600000");
  EXPECT_EQ(ReadingText("+5.00000000E-01", "CH3(ACI)", shunt), "0.00600000");
  EXPECT_EQ(ReadingText("+5.00000000E-01", "CH3(DCV)", shunt), "0.50000000");
  EXPECT_EQ(ReadingText("+5.00000000E-01", "DCI", shunt), "0.50000000");
  EXPECT_EQ(ReadingText("+9.90000000E+37", "CH3(DCI)", shunt), "OVLD");
  EXPECT_EQ(ReadingText("+9.9E37", "CH3(DCI)", shunt), "OVLD");
  EXPECT_EQ(ReadingText("+1.23456789E+06", "CH1(2W)", {}), "1234567.89000");
  EXPECT_EQ(ReadingText("-1.0E+300", "CH1(DCV)", {}), "-100000000000");
  EXPECT_EQ(ReadingText("V", "CH1(DCV)", {}), std::nullopt);
}

TEST(ScanResultsFill, AnswersNeverFillBeyondTheirRowsAndShortOnesSaySo) {
  ResultsGrid grid;
  GridState state;
  FillOutcome outcome =
      FillResults(grid, state, Pass(RunTiming::Plain, {0, 1, 2}, 5), "1,2,3,4,5,6,7,8,9,10,11");
  ASSERT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.Cell(2, 0), "2");
  EXPECT_EQ(grid.Cell(2, 4), "6.00000000");
  EXPECT_EQ(outcome.surplus, 5);
  EXPECT_NE(FillNotice(outcome).find("5 readings more"), std::string::npos);

  // A Scan count of at least the channel count keeps the first row until the fill: an answer
  // that falls short must not leave an earlier run's readings in it.
  const PassLayout twelve = Pass(RunTiming::Plain, {0, 1, 2}, 12);
  FillResults(grid, state, twelve, "1,2,3,4,5,6,7,8,9,10,11,12");
  ASSERT_EQ(grid.Rows(), 5);
  outcome = FillResults(grid, state, twelve, "7,");
  EXPECT_EQ(outcome.missing, 11);
  EXPECT_EQ(grid.Cell(1, 2), "7.00000000");
  EXPECT_EQ(grid.Cell(1, 3), "");
  EXPECT_EQ(grid.Cell(2, 0), "");

  outcome = FillResults(grid, state, twelve, "");
  EXPECT_EQ(outcome.rowsWritten, 0);
  EXPECT_EQ(grid.Cell(1, 0), "");
  EXPECT_EQ(FillNotice(outcome),
            "The meter's answer held 0 of the 12 readings: 12 readings are missing.");
}

TEST(ScanResultsFill, PerScanPassesAppendUntilTheFunctionsChange) {
  ResultsGrid grid;
  GridState state;
  PassLayout pass = Pass(RunTiming::PerScan, {4}, 1);
  for (int second = 0; second < 3; ++second) {
    pass.startTime.second = second * 10;
    FillResults(grid, state, pass, "+1.0E+00");
  }
  ASSERT_EQ(grid.Rows(), 4);
  EXPECT_EQ(grid.Cell(0, 2), "CH5(DCV)");
  EXPECT_EQ(grid.Cell(3, 0), "3");
  EXPECT_EQ(grid.Cell(3, 1), "9:5:20");
  EXPECT_EQ(state.nextRow, 4);
  EXPECT_TRUE(grid.HeaderCentred(2));
  EXPECT_EQ(grid.ColumnWidth(0), 600);
  EXPECT_EQ(grid.ColumnWidth(1), 1600);
  EXPECT_EQ(grid.ColumnWidth(2), 1580);

  state.headerValid = false;
  pass.active = {4, 6};
  pass.perPass = 2;
  pass.total = 2;
  FillResults(grid, state, pass, "+1.0E+00,+2.0E+00");
  EXPECT_EQ(grid.Rows(), 2);
  EXPECT_EQ(grid.Cell(0, 3), "CH7(DCV)");
  EXPECT_EQ(state.nextRow, 2);
}

TEST(ScanChannelList, ReadsTheFunctionsAndShuntsOfTheListedChannels) {
  const ChannelList list = ParseChannelList("1=DCV, CH2=dci:100:0.001,3=4W,20=ACI:0.5, 7=none");
  ASSERT_EQ(list.error, "");
  ASSERT_EQ(list.entries.size(), 5u);
  EXPECT_EQ(list.entries[1], (ChannelEntry{2, {ScanFunction::Dci, 100, 0.001}}));
  EXPECT_EQ(list.entries[3], (ChannelEntry{20, {ScanFunction::Aci, 0.5, 0}}));
  EXPECT_EQ(ParseChannelList(FormatChannelList(list.entries)).entries, list.entries);

  ScanSetup setup;
  setup.Reset(20);
  EXPECT_EQ(ApplyChannelList(list.entries, setup), "");
  EXPECT_EQ(setup.ActiveChannels(), (std::vector<int>{0, 1, 2, 19}));
  EXPECT_EQ(ApplyChannelList(ParseChannelList("3=4W,13=DCV").entries, setup),
            "CH13 is the sense pair of CH3 (4W) and takes no function of its own.");
  EXPECT_EQ(ApplyChannelList(ParseChannelList("12=4W").entries, setup),
            "CH12: 4W is offered on CH1 to CH10 only; its sense pair is the channel 10 above.");
  setup.Reset(10);
  EXPECT_EQ(ApplyChannelList(ParseChannelList("11=DCV").entries, setup),
            "CH11: the card has 10 channels.");
}

TEST(ScanChannelList, SaysWhatIsWrongWithABadList) {
  const auto error = [](const char* text) { return ParseChannelList(text).error; };
  EXPECT_EQ(error(""), "The channel list names no channel.");
  EXPECT_EQ(error("1=DCV,1=ACV"), "CH1 is given twice.");
  EXPECT_EQ(error("2=DCI:0"), "CH2: The value of \"R\" can't equal to 0 ! Please re-enter.");
  EXPECT_EQ(error("2=DCI:1.2.3"), "CH2: The value of \"R\" is error.");
  EXPECT_EQ(error("2=DCI:1e999"), "CH2: The value of \"R\" is error.");
  EXPECT_EQ(error("2=DCI:100:x"), "CH2: The value of \"I\" is error.");
  EXPECT_NE(error("2=DCI").find("take their shunt"), std::string::npos);
  EXPECT_EQ(error("2=DCV:100"), "CH2: only DCI and ACI take a shunt (:R:offset).");
  EXPECT_NE(error("21=DCV").find("numbered from 1 to 20"), std::string::npos);
  EXPECT_NE(error("-1=DCV").find("numbered from 1 to 20"), std::string::npos);
  EXPECT_NE(error("1=VOLT").find("None, DCV, ACV, DCI, ACI, Freq, 2W and 4W"), std::string::npos);
  EXPECT_NE(error("1DCV").find("is not a channel setting"), std::string::npos);
}

ParsedScanToolOptions Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "vxscan");
  return ParseScanToolOptions(static_cast<int>(args.size()), args.data());
}

TEST(ScanToolCommandLine, OptionsBecomeTheWindowsRunSettings) {
  const ParsedScanToolOptions parsed =
      Parse({"--device", "1", "--channels", "1=DCV", "--timer", "2", "--passes", "3", "--interval",
             "00:01:05", "--at", "2027/01/02 08:00:30", "--mode", "step", "--out", "r.CSV"});
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.device, 1);
  const RunSettings settings = SettingsFor(parsed.options, 20);
  EXPECT_EQ(settings.timerText, "2");
  EXPECT_EQ(settings.scanCountText, "20");
  EXPECT_TRUE(settings.stopAfterOn);
  EXPECT_EQ(settings.passesText, "3");
  EXPECT_TRUE(settings.perScanOn);
  EXPECT_EQ(settings.IntervalSeconds(), 65);
  EXPECT_TRUE(settings.atTimeOn);
  EXPECT_EQ(settings.atTime, (LocalDateTime{2027, 1, 2, 8, 0, 30}));
  EXPECT_FALSE(settings.stopTimeOn);
  EXPECT_EQ(settings.mode, ScanMode::Step);

  EXPECT_EQ(Parse({"--channels", "1=DCV", "--count", "5", "--passes", "2"}).error,
            "--count is the plain run's; with --passes or --interval the passes set the count");
  EXPECT_EQ(Parse({"--channels", "1=DCV", "--stop-time", "2027/01/02 08:00:30"}).error,
            "--stop-time ends an --interval run");
  EXPECT_EQ(Parse({"--timer", "1"}).error, "--channels is needed");
  EXPECT_EQ(Parse({"--channels", "1=DCV", "--out", "r.txt"}).error,
            "--out: a file name ending in .xlsx or .csv");
  EXPECT_EQ(Parse({"--channels", "1=DCV", "--at", "2027/02/29 08:00:30"}).error,
            "--at: a date and time, \"yyyy/MM/dd HH:mm:ss\"");
  EXPECT_EQ(Parse({"--channels", "1=DCV", "--interval", "1:00:00"}).error,
            "--interval: a time of day, HH:MM:SS");
  EXPECT_EQ(Parse({"--channels"}).error, "--channels: needs a value");
  EXPECT_TRUE(Parse({"--list"}).options.list);
}

}  // namespace
}  // namespace vx::scanner
