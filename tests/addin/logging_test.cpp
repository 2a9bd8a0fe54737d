// Logging into the worksheet: rows and counters, limits, the chart and its names, the
// scroll bars, the toolbar and the status line, and failures of the working session.

#include <gtest/gtest.h>

#include "../automation/xlsx_reader.h"
#include "answering_server.h"
#include "automation/charts.h"
#include "engine_fixture.h"

namespace vx::addin::test {
namespace {

using automation::Value;
using vx::test::SimulatedVisa;

TEST_F(EngineTest, StopsAfterTheGivenNumberOfReadings) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  Must(automation::StatusOf(engine_->SetNumberOfReading(5)));
  Must(automation::StatusOf(engine_->SetTerimnatingUpon(1)));
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(0);
  EXPECT_TRUE(Enabled(9));
  EXPECT_FALSE(Visible(3));
  Tick(8);
  EXPECT_EQ(Number("F4"), 5);
  for (const char* cell : {"B2", "B3", "B4", "B5", "B6"}) {
    EXPECT_TRUE(std::holds_alternative<double>(Cell(cell))) << cell;
  }
  EXPECT_TRUE(automation::IsEmpty(Cell("B7")));
  EXPECT_TRUE(std::holds_alternative<automation::DateValue>(Cell("A6")));
  EXPECT_EQ(Must(Must(sheet_->Range("A6"))->NumberFormat()), "hh:mm:ss.000");
  // Stopped: the toolbar is back, START, PAUSE and STOP are off, the status line is ready.
  EXPECT_FALSE(Enabled(7));
  EXPECT_FALSE(Enabled(8));
  EXPECT_FALSE(Enabled(9));
  EXPECT_TRUE(Visible(3));
  EXPECT_EQ(Must(host_->StatusBar()), "Ready");
  EXPECT_FALSE(ThreadLoggingState().running);
  EXPECT_TRUE(prompter_->Messages().empty());
}

// A run that reaches the sheet's last row (here a host whose sheets end at row 10) ends there
// with a message; every reading written before stays, and the workbook saves them all.
TEST_F(EngineTest, TheSheetsLastRowEndsTheRunKeepingEveryReading) {
  Start({SimulatedVisa::GpibMeter(22)}, true, 10);
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(0);
  Tick(12);
  EXPECT_EQ(Number("F4"), 9);
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{"The reading could not be written into row 11 of the "
                                     "worksheet:\nThe cell at row 11, column 1 lies outside "
                                     "the sheet."});
  EXPECT_FALSE(ThreadLoggingState().running);
  EXPECT_FALSE(Enabled(9));
  EXPECT_EQ(ThreadLoggingState().nextRow, 2);

  const std::string saved = folder_ / "full.xlsx";
  Must(book_->SaveAs(saved));
  const QJsonObject book = vx::test::ReadXlsx(saved);
  for (int row = 2; row <= 10; ++row) {
    const std::string cell = "B" + std::to_string(row);
    EXPECT_EQ(vx::test::CellOf(book, "Sheet1", cell.c_str())["type"].toString(), "n") << cell;
  }
}

TEST_F(EngineTest, SetAppProgramsTheToolbar) {
  Start({SimulatedVisa::GpibMeter(22)});
  Must(engine_->SetApp(host_));
  EXPECT_EQ(Must(Control(1)->OnAction()), "DmmAbout");
  EXPECT_EQ(Must(Control(1)->ToolTipText()), "About Zemra K9-90/1 VX-Link");
  EXPECT_EQ(Must(Control(9)->OnAction()), "DmmTimerStop");
  EXPECT_EQ(Must(Control(5)->ToolTipText()), "Get Single Reading");
  EXPECT_FALSE(Enabled(7));
  EXPECT_EQ(Must(engine_->GetExlVersion()), 12);
}

TEST_F(EngineTest, PauseAndResume) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(0);
  Tick(2);
  Must(automation::StatusOf(engine_->PauseTimer()));
  EXPECT_TRUE(Enabled(7));
  EXPECT_FALSE(Enabled(8));
  Tick(3);
  EXPECT_EQ(Number("F4"), 2);
  Must(automation::StatusOf(engine_->Stop_Pause()));
  EXPECT_FALSE(Enabled(7));
  EXPECT_TRUE(Enabled(8));
  Tick(1);
  EXPECT_EQ(Number("F4"), 3);
  Must(automation::StatusOf(engine_->StopTimer()));
  EXPECT_FALSE(Enabled(9));
}

TEST_F(EngineTest, StopsAtTheStopTime) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  Must(Must(sheet_->Range("F1"))
           ->SetValue(Value{automation::DateValue{ToOleDate(visa_->Clock().LocalNow())}}));
  Must(automation::StatusOf(engine_->SetStopTime("0", "0", "2")));
  EXPECT_TRUE(std::holds_alternative<automation::DateValue>(Cell("F3")));
  Must(automation::StatusOf(engine_->SetTerimnatingUpon(2)));
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(0);
  Tick(1);
  visa_->Clock().Advance(std::chrono::milliseconds(1500));
  Tick(1);
  EXPECT_TRUE(ThreadLoggingState().running);
  visa_->Clock().Advance(std::chrono::milliseconds(600));
  Tick(1);
  EXPECT_FALSE(ThreadLoggingState().running);
  EXPECT_EQ(Number("F4"), 3);
}

TEST_F(EngineTest, BeginsAtTheBeginTime) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  const LocalDateTime later = ToLocal(visa_->Clock().Now() + std::chrono::seconds(3));
  Must(automation::StatusOf(engine_->SetAtTime(FormatLocal(later, "%Y/%m/%d %H:%M:%S"))));
  Must(automation::StatusOf(engine_->SetBegin(2)));
  EXPECT_TRUE(std::holds_alternative<automation::DateValue>(Cell("F1")));
  EXPECT_FALSE(engine_->SetAtTime("not a time"));
  StartRun(0);
  Tick(1);
  EXPECT_EQ(Must(host_->StatusBar()), "Waiting time...");
  EXPECT_TRUE(automation::IsEmpty(Cell("F4")));
  visa_->Clock().Advance(std::chrono::seconds(4));
  Tick(1);  // the begin time has passed: the reading timer takes over
  Tick(1);
  EXPECT_EQ(Number("F4"), 1);
  EXPECT_EQ(ThreadLoggingState().interval, 100);
}

TEST_F(EngineTest, TheStripChartFollowsItsNames) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(2, true);
  const auto covered = [&](const char* name) {
    return Must(Must(Must(Must(sheet_->Names())->Item(name))->RefersToRange())->Address());
  };
  Tick(20);
  EXPECT_EQ(covered("DmmyAxis"), "$B$2:$B$21");
  EXPECT_EQ(covered("DmmxAxis"), "$A$2:$A$21");
  Tick(60);
  EXPECT_EQ(covered("DmmyAxis"), "$B$32:$B$81");
  EXPECT_EQ(Number("F6"), 80);
  // The chart was built at the first reading, in the sheet, following the names.
  const auto shapes = Must(sheet_->Shapes());
  EXPECT_EQ(Must(Must(shapes->Item(3))->Type()), automation::msoChart);
  const auto chart = Must(Must(book_->Charts())->Item(1));
  const auto series = Must(Must(chart->SeriesCollection())->Item(1));
  EXPECT_EQ(Must(series->Values()), "=Sheet1!DmmyAxis");
  EXPECT_EQ(Must(series->Name()), "=Sheet1!R1C2");
  EXPECT_FALSE(Must(chart->HasAxis(automation::xlCategory, automation::xlPrimary)));
  EXPECT_TRUE(Must(chart->HasTitle()));
  Must(automation::StatusOf(engine_->StopTimer()));
  // At the end of a strip chart the scroll bars cover the readings.
  const auto first = Must(Must(shapes->Item("Scroll Bar 1"))->ControlFormat());
  EXPECT_EQ(Must(first->Max()), 80);
  EXPECT_EQ(Must(first->Value()), 80);
  EXPECT_EQ(Must(first->LinkedCell()), "$F$6");
  const auto second = Must(Must(shapes->Item("Scroll Bar 2"))->ControlFormat());
  EXPECT_EQ(Must(second->Value()), 50);
  EXPECT_EQ(Must(second->LargeChange()), 5);
  EXPECT_EQ(Number("F8"), 50);
}

TEST_F(EngineTest, AGrowingChartOnItsOwnSheet) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(1, false);
  Tick(3);
  const auto chart = Must(Must(book_->Charts())->Item(1));
  EXPECT_EQ(Must(chart->Name()), "Sheet1Chart1");
  EXPECT_EQ(Must(Must(sheet_->Shapes())->Count()), 2);  // the scroll bars only
  EXPECT_FALSE(sheet_->Names().value()->Item("DmmisStripChart"));
  EXPECT_EQ(Must(Must(Must(Must(sheet_->Names())->Item("DmmxAxis"))->RefersToRange())->Address()),
            "$B$2:$B$4");
}

// A sheet whose name needs quoting, a quote inside it included, gets its names and its chart
// as any other, and the saved file holds the chart.
TEST_F(EngineTest, ASheetNamedWithAnApostropheGetsItsChart) {
  Start({SimulatedVisa::GpibMeter(22)});
  Must(sheet_->SetName("It's"));
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(1, true);
  Tick(3);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
  const auto name = Must(sheet_->Names())->Item("'It''s'!DmmyAxis");
  ASSERT_TRUE(name) << name.error().description;
  EXPECT_EQ(Must(Must((*name)->RefersToRange())->Address()), "$B$2:$B$4");
  const auto charts = Must(book_->Charts());
  ASSERT_EQ(Must(charts->Count()), 1);
  const auto chart = Must(charts->Item(1));
  EXPECT_EQ(Must(Must(Must(chart->SeriesCollection())->Item(1))->Values()), "='It''s'!DmmyAxis");
  const std::string path = folder_ / "quoted.xlsx";
  Must(book_->SaveAs(path));
  const QJsonObject saved = vx::test::ReadXlsx(path);
  ASSERT_EQ(saved["charts"].toArray().size(), 1);
  const QJsonObject chartRead = saved["charts"].toArray().at(0).toObject();
  EXPECT_EQ(chartRead["groups"].toArray().at(0).toArray().at(0)["values"].toString(),
            "'It''s'!$B$2:$B$4");
}

// A chart that fails at the first reading stops the run; the next run starts at row 2 again
// and takes all the readings it was asked for.
TEST_F(EngineTest, AfterAFailedChartTheNextRunStartsAtRowTwo) {
  Start({SimulatedVisa::GpibMeter(22)});
  // The chart sheet the growing chart would get is taken already.
  Must(Must(book_->Charts())->Add())->Location(automation::xlLocationAsNewSheet, "Sheet1Chart2");
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(1, false);
  Tick(1);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0].rfind("Create Chart Error:\n", 0), 0u) << MessageTexts()[0];
  EXPECT_FALSE(ThreadLoggingState().running);
  EXPECT_EQ(ThreadLoggingState().nextRow, 2);

  Must(automation::StatusOf(engine_->SetSheet(sheet_)));
  Must(automation::StatusOf(engine_->SetNumberOfReading(3)));
  Must(automation::StatusOf(engine_->SetTerimnatingUpon(1)));
  StartRun(0);
  Tick(5);
  EXPECT_EQ(Number("F4"), 3);
  for (const char* cell : {"B2", "B3", "B4"}) {
    EXPECT_TRUE(std::holds_alternative<double>(Cell(cell))) << cell;
  }
  EXPECT_TRUE(automation::IsEmpty(Cell("B5")));
}

TEST_F(EngineTest, ScrollBarsOfAStripChartWithoutReadings) {
  Start({SimulatedVisa::GpibMeter(22)});
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(2, true);
  Must(automation::StatusOf(engine_->StopTimer()));
  const auto shapes = Must(sheet_->Shapes());
  for (const char* name : {"Scroll Bar 1", "Scroll Bar 2"}) {
    EXPECT_EQ(Must(Must(Must(shapes->Item(name))->ControlFormat())->Max()), 1) << name;
  }
}

TEST_F(EngineTest, AReadFailureIsShownOnceAndTheToolbarLeftStopped) {
  sim::MeterConfig meter = SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::NoAnswer;
  meter.fault.onlyFor = "READ?";
  Start({meter});
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(0);
  Tick(3);
  const auto messages = MessageTexts();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Error status description:\n", 0), 0u) << messages[0];
  // The meter's own error queue is asked first, then the library's description follows.
  EXPECT_NE(messages[0].find("\n"), messages[0].rfind("\n")) << messages[0];
  EXPECT_EQ(prompter_->Messages()[0].title, "Zemra K9-90/1 VX-Link");
  EXPECT_TRUE(automation::IsEmpty(Cell("B2")));
  EXPECT_FALSE(Enabled(9));
  EXPECT_FALSE(Enabled(7));
  EXPECT_TRUE(Visible(2));
}

TEST_F(EngineTest, ALostConnectionSkipsTheErrorQueue) {
  sim::MeterConfig meter = SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.onlyFor = "READ?";
  Start({meter});
  Connect();
  Must(automation::StatusOf(engine_->SetBegin(1)));
  StartRun(0);
  const unsigned before = visa_->Meter("GPIB0::22::INSTR")->CommandCount();
  Tick(2);
  const auto messages = MessageTexts();
  ASSERT_EQ(messages.size(), 1u);
  // Only the description: no "syst:err?" went to a meter that is gone.
  EXPECT_EQ(std::count(messages[0].begin(), messages[0].end(), '\n'), 1) << messages[0];
  EXPECT_LE(visa_->Meter("GPIB0::22::INSTR")->CommandCount(), before + 1);
}

// A meter that answers with a decimal comma, or with no number at all.
class AnswerTest : public EngineTest {
 protected:
  void Open(std::string reading, std::int16_t chartKind = 0, bool inSheet = false,
            const std::string& identity = "TOLVEX,W9-90/1,TW1,Q7110 1.05",
            const std::string& secondFunction = "\"NONE\"") {
    server_ = std::make_unique<vx::test::AnsweringServer>([=](const std::string& line) {
      if (line == "*idn?") return identity + "\n";
      if (line == "read?") return reading + "\n";
      if (line == "sens:func2?") return secondFunction + "\n";
      return std::string();
    });
    Start({});
    if (!dualModel_.empty()) ThreadLoggingState().model2a = dualModel_;
    ViSession manager = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&manager), VI_SUCCESS);
    manager_ = manager;
    ASSERT_EQ(viOpen(manager, server_->Descriptor().c_str(), VI_NO_LOCK, 0, &session_), VI_SUCCESS);
    Must(engine_->SetApp(host_));
    Must(automation::StatusOf(engine_->SetSheet(sheet_)));
    engine_->put_wkSesn(session_);
    Must(automation::StatusOf(engine_->SetBegin(1)));
    StartRun(chartKind, inSheet);
  }
  void TearDown() override {
    engine_.reset();
    viClose(manager_);
    server_.reset();
    EngineTest::TearDown();
  }
  std::unique_ptr<vx::test::AnsweringServer> server_;
  // A model the engine takes for one with two readings, when not empty.
  std::string dualModel_;
  ViSession manager_ = VI_NULL;
  ViSession session_ = VI_NULL;
};

TEST_F(AnswerTest, ACommaIsReadAsTheDecimalPoint) {
  Open("+1,234567E-03");
  Tick(1);
  EXPECT_EQ(Cell("B2"), Value{1.234567e-3});
}

TEST_F(AnswerTest, AnAnswerWithoutANumberIsKeptAsTheMeterGaveIt) {
  Open("OVERLOAD");
  Tick(1);
  EXPECT_EQ(Cell("B2"), Value{std::string("OVERLOAD")});
  EXPECT_EQ(Number("F4"), 1);
}

// A meter whose identity names one of the engine's dual-reading models gives two readings
// per answer once its second function is on: a second column, a second series on the
// secondary axis, and the chart moved below the counters.
TEST_F(AnswerTest, TwoReadingsPerAnswer) {
  // The dual-reading models are settings of the engine; this meter is one of them.
  dualModel_ = "W9-90/2";
  Open("+1.500000E+00,+2.500000E-01", 1, true, "TOLVEX,W9-90/2,TW1,Q7110 1.05", "\"VOLT:AC\"");
  Tick(2);
  EXPECT_EQ(Cell("B3"), Value{1.5});
  EXPECT_EQ(Cell("C3"), Value{0.25});
  EXPECT_EQ(Must(Must(Must(Must(sheet_->Names())->Item("Dmmy2Axis"))->RefersToRange())->Address()),
            "$C$2:$C$3");
  const auto chart = Must(Must(book_->Charts())->Item(1));
  const auto second = Must(Must(chart->SeriesCollection())->Item(2));
  EXPECT_EQ(Must(second->Values()), "=Sheet1!Dmmy2Axis");
  EXPECT_EQ(Must(second->AxisGroup()), automation::xlSecondary);
  const auto shape = Must(Must(sheet_->Shapes())->Item(3));
  EXPECT_EQ(Must(shape->Type()), automation::msoChart);
  EXPECT_EQ(Must(shape->Top()), Must(Must(sheet_->Rows(10))->Top()));
  EXPECT_EQ(Must(shape->Left()), Must(Must(sheet_->Columns(5))->Left()));
}

}  // namespace
}  // namespace vx::addin::test
