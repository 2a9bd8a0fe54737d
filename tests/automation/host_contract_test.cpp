// The object model's contract, against the in-memory host and the LibreOffice Calc host
// alike (Calc headless, with a profile and pipe of this program's own): typed input and
// formats, blocks of values, ranges and their places, names and what they cover, scroll bars,
// charts and their series, toolbars, status line, saving. Where a host cannot do a thing the
// test says so for that host; for the Calc host it also checks, through a UNO bridge of its
// own, that Calc itself holds what the host says.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/cell_reference.h"
#include "host_contract.h"
#include "xlsx_reader.h"

namespace vx::automation {
namespace {

using test::Must;

[[maybe_unused]] auto* const kOffice =
    ::testing::AddGlobalTestEnvironment(test::TestOffice::Instance());

INSTANTIATE_TEST_SUITE_P(Hosts, HostContract, ::testing::Values(HostKind::Memory, HostKind::Calc),
                         HostName);

TEST_P(HostContract, ValuesKeepTheirTypes) {
  Must(Cell("B2")->SetValue(std::string("0.00600000")));
  Must(Cell("C2")->SetValue(std::string("OVLD")));
  Must(Cell("A2")->SetValue(std::string("14:3:27")));
  Must(Cell("D2")->SetValue(Value{DateValue{46000.5}}));
  Must(Cell("E2")->SetValue(Value{42.0}));
  Must(Cell("G2")->SetValue(std::string("2026/12/07 14:03:27")));
  Must(Cell("H2")->SetValue(std::string("TRUE")));
  // Text that a spreadsheet program would take for something else stays text.
  Must(Cell("I2")->SetValue(std::string("=1+1")));
  Must(Cell("J2")->SetValue(std::string("1/2")));
  EXPECT_EQ(Must(Cell("B2")->Value()), Value{0.006});
  EXPECT_EQ(Must(Cell("C2")->Value()), Value{std::string("OVLD")});
  EXPECT_TRUE(std::holds_alternative<DateValue>(Must(Cell("A2")->Value())));
  EXPECT_NEAR(std::get<DateValue>(Must(Cell("A2")->Value())).oleDate,
              (14 * 3600 + 3 * 60 + 27) / 86400.0, 1e-9);
  EXPECT_EQ(Must(Cell("A2")->NumberFormat()), "h:mm:ss");
  EXPECT_EQ(Must(Cell("D2")->Value()), Value{DateValue{46000.5}});
  EXPECT_EQ(Must(Cell("E2")->NumberFormat()), "General");
  EXPECT_TRUE(std::holds_alternative<DateValue>(Must(Cell("G2")->Value())));
  EXPECT_EQ(Must(Cell("H2")->Value()), Value{true});
  EXPECT_EQ(Must(Cell("I2")->Value()), Value{std::string("=1+1")});
  EXPECT_EQ(Must(Cell("J2")->Value()), Value{std::string("1/2")});
  EXPECT_TRUE(IsEmpty(Must(Cell("Z99")->Value())));
  // A format set before the value is the one kept.
  Must(Cell("A3")->SetNumberFormat("hh:mm:ss.000"));
  Must(Cell("A3")->SetValue(Value{DateValue{0.25}}));
  EXPECT_EQ(Must(Cell("A3")->NumberFormat()), "hh:mm:ss.000");
  // An empty value empties the cell.
  Must(Cell("C2")->SetValue(Value{}));
  EXPECT_TRUE(IsEmpty(Must(Cell("C2")->Value())));
  if (Calc()) {
    const test::ProbedCell time = Probe().Cell(Title(), "Sheet1", "A2");
    EXPECT_EQ(time.kind, test::ProbedCell::Kind::Number);
    EXPECT_TRUE(time.dateFormat);
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "C2").kind, test::ProbedCell::Kind::Empty);
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "I2").kind, test::ProbedCell::Kind::Text);
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "B2").number, 0.006);
  }
}

TEST_P(HostContract, BlocksOfValuesGoInAndOutInOneCall) {
  const ValueRows rows{{std::string("Time"), std::string("CH1(DCV)"), std::string("CH2(DCI)")},
                       {std::string("14:3:27"), std::string("1.5"), std::string("OVLD")},
                       {Value{DateValue{0.5}}, Value{-2.25}, Value{}}};
  const RangePtr block = Must(sheet_->Range("A1", "C3"));
  Must(block->SetValues(rows));
  const ValueRows read = Must(block->Values());
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0][1], Value{std::string("CH1(DCV)")});
  EXPECT_TRUE(std::holds_alternative<DateValue>(read[1][0]));
  EXPECT_EQ(read[1][1], Value{1.5});
  EXPECT_EQ(read[1][2], Value{std::string("OVLD")});
  EXPECT_EQ(read[2][0], Value{DateValue{0.5}});
  EXPECT_EQ(read[2][1], Value{-2.25});
  EXPECT_TRUE(IsEmpty(read[2][2]));
  EXPECT_EQ(Must(Cell("A2")->NumberFormat()), "h:mm:ss");
  EXPECT_EQ(Must(Cell("B2")->NumberFormat()), "General");
  // A block of the wrong size is refused whole: nothing of it is written.
  const Status tooFew = Must(sheet_->Range("E1", "F2"))->SetValues({{Value{1.0}, Value{2.0}}});
  ASSERT_FALSE(tooFew);
  EXPECT_NE(tooFew.error().description.find("$E$1:$F$2"), std::string::npos);
  EXPECT_FALSE(Must(sheet_->Range("E1", "F1"))->SetValues({{Value{1.0}}}));
  EXPECT_TRUE(IsEmpty(Must(Cell("E1")->Value())));
}

// A log writes row after row; other blocks, of other shapes, come in between.
TEST_P(HostContract, RowsAndBlocksWrittenOneAfterAnotherLandWhereTheyAreAddressed) {
  const auto row = [&](int number) {
    const std::string n = std::to_string(number);
    Must(Must(sheet_->Range("A" + n, "C" + n))
             ->SetValues({{Value{1.0 * number}, Value{10.0 * number}, Value{"r" + n}}}));
  };
  row(2);
  row(3);
  row(5);  // a row left out
  Must(Must(sheet_->Range("E2", "F3"))
           ->SetValues({{Value{1.0}, Value{2.0}}, {Value{3.0}, Value{}}}));
  row(4);
  Must(Cell("H1")->SetValue(Value{std::string("one")}));
  row(6);
  Must(Must(sheet_->Range("A1", "C1"))
           ->SetValues({{Value{std::string("n")}, Value{std::string("x10")}, Value{}}}));
  const ValueRows read = Must(Must(sheet_->Range("A1", "F6"))->Values());
  ASSERT_EQ(read.size(), 6u);
  EXPECT_EQ(read[0][0], Value{std::string("n")});
  EXPECT_TRUE(IsEmpty(read[0][2]));
  for (int number = 2; number <= 6; ++number) {
    const auto& line = read[static_cast<size_t>(number - 1)];
    EXPECT_EQ(line[0], Value{1.0 * number}) << "row " << number;
    EXPECT_EQ(line[1], Value{10.0 * number}) << "row " << number;
    EXPECT_EQ(line[2], Value{"r" + std::to_string(number)}) << "row " << number;
  }
  EXPECT_EQ(read[1][4], Value{1.0});
  EXPECT_EQ(read[2][5], Value{});
  EXPECT_TRUE(IsEmpty(read[3][4]));
  EXPECT_EQ(Must(Cell("H1")->Value()), Value{std::string("one")});
  if (Calc()) {
    // What Calc holds, read by a client of its own.
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "B5").number, 50.0);
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "C4").text, "r4");
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "F2").number, 2.0);
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "A7").kind, test::ProbedCell::Kind::Empty);
  }
}

TEST_P(HostContract, AWholeColumnsFormatHoldsForTheCellsWrittenLater) {
  Must(Cell("A1")->SetValue(std::string("Time")));
  Must(Must(sheet_->Columns(1))->SetNumberFormat("hh:mm:ss.000"));
  Must(Must(sheet_->Range("A5", "B5"))->SetValues({{Value{DateValue{0.75}}, Value{3.0}}}));
  EXPECT_EQ(Must(Cell("A5")->NumberFormat()), "hh:mm:ss.000");
  EXPECT_EQ(Must(Cell("A5")->Value()), Value{DateValue{0.75}});
  EXPECT_EQ(Must(Cell("A9")->NumberFormat()), "hh:mm:ss.000");
  EXPECT_EQ(Must(Cell("B5")->NumberFormat()), "General");
  EXPECT_EQ(Must(Cell("A1")->Value()), Value{std::string("Time")});
  if (Calc()) {
    EXPECT_EQ(Probe().Cell(Title(), "Sheet1", "A5").format, "HH:MM:SS.000");
  }
}

TEST_P(HostContract, RangesCellsAndTheirPlaces) {
  Must(Must(sheet_->Range("A1", "C1"))->SetValue(std::string("x")));
  EXPECT_EQ(Must(Cell("B1")->Value()), Value{std::string("x")});
  EXPECT_EQ(Must(Must(sheet_->Cells(6, 6))->Address()), "$F$6");
  EXPECT_EQ(Must(Must(sheet_->Range("U1", "A1"))->Address()), "$A$1:$U$1");
  // Rows go down and columns right, one standard height and width apart.
  const double row2 = Must(Must(sheet_->Rows(2))->Top());
  EXPECT_EQ(Must(Must(sheet_->Rows(1))->Top()), 0.0);
  EXPECT_NEAR(Must(Must(sheet_->Rows(10))->Top()), 9 * row2, 0.5);
  EXPECT_GT(Must(Must(sheet_->Columns(5))->Left()), 0.0);
  EXPECT_NEAR(Must(Must(sheet_->Columns(5))->Left()), 4 * ColumnWidth(1), 0.5);
  if (!Calc()) {
    EXPECT_EQ(Must(Must(sheet_->Rows(10))->Top()), 135.0);
    EXPECT_EQ(Must(Must(sheet_->Columns(5))->Left()), 4 * 48.0);
  }
  EXPECT_FALSE(sheet_->Range("XFE1"));
  EXPECT_FALSE(sheet_->Cells(kMaxRows + 1, 1));
  EXPECT_FALSE(sheet_->Range("A1", "B"));
  EXPECT_EQ(sheet_->Range("A0").error().number, static_cast<uint32_t>(ErrorNumber::ObjectDefined));
  // A change too large for one call is refused rather than exhausting memory.
  EXPECT_FALSE(Must(sheet_->Range("A1", "XFD1048576"))->SetValue(Value{1.0}));
  EXPECT_EQ(Must(Must(sheet_->Parent())->Title()), Title());
}

TEST_P(HostContract, HeaderStylesAndFittedColumns) {
  const RangePtr header = Cell("B1");
  Must(header->SetValue(std::string("CH10(DCV)")));
  Must(Must(header->Font())->SetBold(true));
  Must(header->SetVerticalAlignment(xlCenter));
  EXPECT_TRUE(Must(Must(header->Font())->Bold()));
  EXPECT_FALSE(Must(Must(Cell("C1")->Font())->Bold()));
  EXPECT_EQ(Must(header->VerticalAlignment()), xlCenter);
  Must(Cell("A1")->SetValue(std::string("Time")));
  Must(Must(Must(sheet_->Range("A1", "B1"))->EntireColumn())->AutoFit());
  // A fitted column is wider for the longer text; an empty one gets the standard width.
  EXPECT_GT(ColumnWidth(2), ColumnWidth(1));
  Must(Must(Must(sheet_->Range("D1"))->EntireColumn())->AutoFit());
  EXPECT_NEAR(ColumnWidth(4), ColumnWidth(5), 0.5);
  if (!Calc()) {
    EXPECT_EQ(ColumnWidth(4), 48.0);
  }
  if (Calc()) {
    EXPECT_TRUE(Probe().Cell(Title(), "Sheet1", "B1").bold);
    EXPECT_FALSE(Probe().Cell(Title(), "Sheet1", "A1").bold);
  }
}

TEST_P(HostContract, NamesOfCellsAndFormulas) {
  Must(Cell("F6")->SetName("Sheet1!DmmCount"));
  Must(Cell("F6")->SetValue(Value{3.0}));
  for (int row = 2; row <= 4; ++row) Must(Must(sheet_->Cells(row, 2))->SetValue(Value{1.0 * row}));
  const NamesPtr names = Must(sheet_->Names());
  Must(names->Add("Sheet1!DmmyAxis", "=OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1)"));
  const NamePtr axis = Must(names->Item("DmmyAxis"));
  EXPECT_EQ(Must(axis->Name()), "Sheet1!DmmyAxis");
  EXPECT_EQ(Must(axis->RefersToR1C1()), "=OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1)");
  EXPECT_EQ(Must(axis->RefersTo()), "=OFFSET(Sheet1!$A$2,0,1,Sheet1!DmmCount,1)");
  EXPECT_EQ(Must(Must(axis->RefersToRange())->Address()), "$B$2:$B$4");
  // The name follows the count.
  Must(Cell("F6")->SetValue(Value{2.0}));
  EXPECT_EQ(Must(Must(axis->RefersToRange())->Address()), "$B$2:$B$3");
  EXPECT_EQ(Must(names->Count()), 2);
  EXPECT_FALSE(names->Add("Sheet7!X", "=1"));
  EXPECT_FALSE(names->Add("Sheet1!1bad", "=1"));
  // A formula the host cannot read: Calc is never given it; the in-memory host keeps it, and
  // says so when asked what it covers.
  if (Calc()) {
    EXPECT_FALSE(names->Add("Sheet1!Broken", "=OFFSET("));
  } else {
    EXPECT_FALSE(Must(names->Add("Sheet1!Broken", "=OFFSET("))->RefersToRange());
  }
  EXPECT_FALSE(names->Item("NoSuchName"));
  Must(names->Add("Sheet1!Odd", "=FOO(1)"));
  const auto covered = Must(names->Item("Odd"))->RefersToRange();
  ASSERT_FALSE(covered);
  EXPECT_NE(covered.error().description.find("FOO is not known"), std::string::npos);
  if (Calc()) {
    // Calc holds each name local to the sheet, in its own syntax.
    EXPECT_EQ(Probe().Name(Title(), "Sheet1", "DmmyAxis"),
              std::optional<std::string>("OFFSET($Sheet1.$A$2;0;1;DmmCount;1)"));
    EXPECT_EQ(Probe().Name(Title(), "Sheet1", "DmmCount"),
              std::optional<std::string>("$Sheet1.$F$6"));
    EXPECT_EQ(Probe().Name(Title(), "", "DmmyAxis"), std::nullopt);
  }
}

TEST_P(HostContract, ScrollBarsKeepTheirLinkedCells) {
  const ShapesPtr shapes = Must(sheet_->Shapes());
  Must(shapes->AddFormControl(xlScrollBar, 300, 20, 15, 150));
  Must(shapes->AddFormControl(xlScrollBar, 330, 20, 15, 150));
  EXPECT_EQ(Must(Must(shapes->Item(1))->Name()), "Scroll Bar 1");
  const ShapePtr bar = Must(shapes->Item("Scroll Bar 2"));
  EXPECT_EQ(Must(bar->Type()), msoFormControl);
  EXPECT_NEAR(Must(bar->Left()), 330, 0.5);
  const ControlFormatPtr control = Must(bar->ControlFormat());
  Must(control->SetMax(30));
  Must(control->SetMin(1));
  Must(control->SetValue(50));
  EXPECT_EQ(Must(control->Value()), 30);
  // A newly linked cell gives the control its value, within the control's range.
  Must(Cell("F8")->SetValue(Value{12.0}));
  Must(control->SetLinkedCell("$F$8"));
  EXPECT_EQ(Must(control->LinkedCell()), "$F$8");
  EXPECT_EQ(Must(control->Value()), 12);
  EXPECT_EQ(Must(Cell("F8")->Value()), Value{12.0});
  // A new value of the control goes into the cell; limits only move the control.
  Must(control->SetValue(20));
  EXPECT_EQ(Must(Cell("F8")->Value()), Value{20.0});
  Must(control->SetMax(1));
  EXPECT_EQ(Must(control->Value()), 1);
  Must(control->SetValue(50));
  EXPECT_EQ(Must(control->Value()), 1);
  EXPECT_EQ(Must(Cell("F8")->Value()), Value{20.0});
  Must(control->SetSmallChange(1));
  Must(control->SetLargeChange(5));
  EXPECT_EQ(Must(control->LargeChange()), 5);
  EXPECT_FALSE(control->SetLinkedCell("F1:F2"));
  EXPECT_FALSE(shapes->Item(3));
  EXPECT_FALSE(shapes->AddFormControl(99, 0, 0, 1, 1));
  if (Calc()) {
    // In Calc the control is live, bound to its cell.
    const auto bars = Probe().ScrollBars(Title(), "Sheet1");
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[1].name, "Scroll Bar 2");
    EXPECT_EQ(bars[1].boundCell, "F8");
    EXPECT_EQ(bars[1].max, 1);
    EXPECT_EQ(bars[0].boundCell, "");
  }
}

TEST_P(HostContract, ChartsMoveBetweenTheirOwnSheetAndAWorksheet) {
  Must(Cell("B1")->SetValue(std::string("DCV")));
  const ChartsPtr charts = Must(book_->Charts());
  const ChartPtr chart = Must(charts->Add());
  EXPECT_EQ(Must(chart->Name()), "Chart1");
  EXPECT_EQ(Must(charts->Count()), 1);
  Must(chart->SetChartType(xlLineMarkers));
  Must(chart->SetSourceData(Cell("A1")));
  const SeriesCollectionPtr series = Must(chart->SeriesCollection());
  EXPECT_EQ(Must(series->Count()), 1);
  const SeriesPtr first = Must(series->Item(1));
  Must(first->SetName("=Sheet1!R1C2"));
  Must(first->SetValues("=Sheet1!DmmyAxis"));
  EXPECT_EQ(Must(first->Values()), "=Sheet1!DmmyAxis");
  EXPECT_FALSE(first->SetValues("=OFFSET("));
  const SeriesPtr second = Must(series->NewSeries());
  Must(second->SetAxisGroup(xlSecondary));
  EXPECT_TRUE(Must(chart->HasAxis(xlValue, xlSecondary)));
  EXPECT_FALSE(chart->HasAxis(3, 1));
  Must(Must(chart->Axes(xlCategory, xlPrimary))->SetTickLabelPosition(xlTickLabelPositionLow));
  Must(Must(chart->ChartTitle())->SetText("2026/12/07 10:00:00"));
  EXPECT_TRUE(Must(chart->HasTitle()));
  // A chart sheet is no worksheet.
  EXPECT_EQ(Must(Must(book_->Sheets())->Count()), 1);

  const ChartPtr inSheet = Must(chart->Location(xlLocationAsObject, "Sheet1"));
  const ShapesPtr shapes = Must(sheet_->Shapes());
  ASSERT_EQ(Must(shapes->Count()), 1);
  EXPECT_EQ(Must(Must(shapes->Item(1))->Type()), msoChart);
  EXPECT_FALSE(Must(shapes->Item(1))->ControlFormat());
  if (Calc()) {
    // Calc has no chart sheets: a sheet held the chart until it moved, and went with it.
    EXPECT_EQ(Probe().SheetNames(Title()), std::vector<std::string>{"Sheet1"});
    const auto drawn = Probe().Charts(Title(), "Sheet1");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].hasMainTitle);
    EXPECT_EQ(drawn[0].title, "2026/12/07 10:00:00");
    EXPECT_NEAR(drawn[0].left, Probe().ColumnLeft(Title(), "Sheet1", "H1"), 2);
    // The chart keeps to its cell: a column before it fitted to a long text pushes it on,
    // instead of the chart covering what the column holds.
    Must(Cell("F1")->SetValue(std::string("a text far wider than the column was")));
    Must(Must(Cell("F1")->EntireColumn())->AutoFit());
    EXPECT_NEAR(Probe().Charts(Title(), "Sheet1").at(0).left,
                Probe().ColumnLeft(Title(), "Sheet1", "H1"), 2);
  }
  const ChartPtr onSheet = Must(inSheet->Location(xlLocationAsNewSheet, "Sheet1Chart1"));
  EXPECT_EQ(Must(onSheet->Name()), "Sheet1Chart1");
  EXPECT_EQ(Must(shapes->Count()), 0);
  if (Calc()) {
    EXPECT_EQ(Probe().SheetNames(Title()), (std::vector<std::string>{"Sheet1", "Sheet1Chart1"}));
    EXPECT_EQ(Probe().Charts(Title(), "Sheet1Chart1").size(), 1u);
  }
  EXPECT_FALSE(onSheet->Location(xlLocationAsNewSheet, "Sheet1"));
  EXPECT_FALSE(onSheet->Location(xlLocationAsObject, "NoSheet"));
  EXPECT_FALSE(onSheet->Location(3, "x"));
}

// The logging engine's strip chart: the series follows a name of OFFSET formulas. The
// in-memory host resolves it when it saves; Calc draws plain ranges only, so the host points
// the series at the block the name covers whenever the count changes.
TEST_P(HostContract, AStripChartFollowsItsNameAsTheCountGrows) {
  Must(Cell("B1")->SetValue(std::string("DCV")));
  Must(Cell("C1")->SetValue(std::string("ACV")));
  const NamesPtr names = DefineStripChartNames(5.0);
  Must(names->Add("Sheet1!Dmmy2Axis",
                  "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C3,Sheet1!DmmCount-Sheet1!DmmPoints,"
                  "0,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C3,0,0,Sheet1!DmmCount,1))"));
  const auto log = [&](int count) {
    Must(Must(sheet_->Range("A" + std::to_string(count + 1), "C" + std::to_string(count + 1)))
             ->SetValues({{Value{DateValue{0.5}}, Value{1.0 * count}, Value{-1.0 * count}}}));
    Must(Cell("F6")->SetValue(Value{1.0 * count}));
  };
  log(1);
  const ChartPtr chart = Must(Must(book_->Charts())->Add());
  Must(chart->SetSourceData(Cell("A1")));
  const SeriesPtr first = Must(Must(chart->SeriesCollection())->Item(1));
  Must(first->SetName("=Sheet1!R1C2"));
  Must(first->SetValues("=Sheet1!DmmyAxis"));
  const SeriesPtr second = Must(Must(chart->SeriesCollection())->NewSeries());
  Must(second->SetName("=Sheet1!R1C3"));
  Must(second->SetValues("=Sheet1!Dmmy2Axis"));
  Must(second->SetAxisGroup(xlSecondary));
  Must(chart->Location(xlLocationAsObject, "Sheet1"));
  const auto drawn = [&] {
    const auto charts = Probe().Charts(Title(), "Sheet1");
    return charts.empty() ? test::ProbedChart{} : charts[0];
  };
  if (Calc()) {
    EXPECT_EQ(drawn().seriesValues, (std::vector<std::string>{"$Sheet1.$B$2", "$Sheet1.$C$2"}));
  }
  for (int count = 2; count <= 3; ++count) log(count);
  if (Calc()) {
    EXPECT_EQ(drawn().seriesValues,
              (std::vector<std::string>{"$Sheet1.$B$2:$B$4", "$Sheet1.$C$2:$C$4"}));
  }
  for (int count = 4; count <= 12; ++count) log(count);
  EXPECT_EQ(Must(Must(Must(names->Item("DmmyAxis"))->RefersToRange())->Address()), "$B$9:$B$13");
  EXPECT_EQ(Must(first->Values()), "=Sheet1!DmmyAxis");
  if (Calc()) {
    const test::ProbedChart now = drawn();
    EXPECT_EQ(now.seriesValues,
              (std::vector<std::string>{"$Sheet1.$B$9:$B$13", "$Sheet1.$C$9:$C$13"}));
    // The second series stays on the secondary axis as the ranges move.
    EXPECT_EQ(now.seriesAxes, (std::vector<int>{0, 1}));
  }
  // A longer strip shows more points at once.
  Must(Cell("F8")->SetValue(Value{8.0}));
  EXPECT_EQ(Must(Must(Must(names->Item("DmmyAxis"))->RefersToRange())->Address()), "$B$6:$B$13");
  if (Calc()) {
    EXPECT_EQ(drawn().seriesValues.at(0), "$Sheet1.$B$6:$B$13");
    // The user shortens the strip in Calc itself: the next reading draws the shorter one.
    Probe().SetCell(Title(), "Sheet1", "F8", 3.0);
    log(13);
    EXPECT_EQ(drawn().seriesValues,
              (std::vector<std::string>{"$Sheet1.$B$12:$B$14", "$Sheet1.$C$12:$C$14"}));
    EXPECT_EQ(Must(Must(Must(names->Item("DmmyAxis"))->RefersToRange())->Address()), "$B$12:$B$14");
    // and longer again, with readings of its own in between.
    Probe().SetCell(Title(), "Sheet1", "F8", 4.0);
    log(14);
    log(15);
    EXPECT_EQ(drawn().seriesValues.at(0), "$Sheet1.$B$13:$B$16");
  }
}

// The logging engine's calls for a growing chart on a chart sheet of its own.
TEST_P(HostContract, AGrowingChartOnItsOwnSheetFollowsItsName) {
  Must(Cell("A1")->SetValue(std::string("Time")));
  Must(Cell("B1")->SetValue(std::string("DCV")));
  Must(Cell("F6")->SetName("Sheet1!DmmCount"));
  Must(Cell("A1")->SetName("Sheet1!DmmDataRef"));
  Must(Must(sheet_->Names())->Add("Sheet1!DmmyAxis", "=OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1)"));
  const auto log = [&](int count) {
    Must(Must(sheet_->Range("A" + std::to_string(count + 1), "B" + std::to_string(count + 1)))
             ->SetValues({{Value{DateValue{0.5}}, Value{1.0 * count}}}));
    Must(Cell("F6")->SetValue(Value{1.0 * count}));
  };
  log(1);
  const ChartPtr chart = Must(Must(book_->Charts())->Add());
  Must(chart->SetChartType(xlLineMarkers));
  Must(chart->SetSourceData(Cell("A1")));
  const SeriesPtr series = Must(Must(chart->SeriesCollection())->Item(1));
  Must(series->SetName("=Sheet1!R1C2"));
  Must(series->SetValues("=Sheet1!DmmyAxis"));
  Must(chart->SetHasAxis(xlCategory, xlPrimary, false));
  Must(chart->SetHasTitle(true));
  Must(chart->SetHasAxis(xlValue, xlPrimary, true));
  const AxisPtr axis = Must(chart->Axes(xlCategory, xlPrimary));
  Must(axis->SetCategoryType(xlAutomatic));
  Must(axis->SetTickLabelPosition(xlTickLabelPositionLow));
  Must(Must(chart->ChartTitle())->SetText("2026/12/07 10:00:00"));
  const ChartPtr placed =
      Must(chart->Location(xlLocationAsNewSheet, "Sheet1" + Must(chart->Name())));
  EXPECT_EQ(Must(placed->Name()), "Sheet1Chart1");
  Must(sheet_->Select());
  for (int count = 2; count <= 6; ++count) log(count);
  if (Calc()) {
    const auto drawn = Probe().Charts(Title(), "Sheet1Chart1");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].seriesValues, std::vector<std::string>{"$Sheet1.$B$2:$B$7"});
    EXPECT_EQ(drawn[0].title, "2026/12/07 10:00:00");
  }
}

TEST_P(HostContract, ToolbarsTheirControlsAndWhatLasts) {
  const std::string addInFile = folder_.Write("QVK990LINK.xla", "add-in");
  // In LibreOffice the add-in is the extension file of its name beside it.
  if (Calc()) {
    std::filesystem::copy_file(std::string(VX_BIN_DIR) + "/../share/addin/QVK990LINK.oxt",
                               folder_ / "QVK990LINK.oxt");
  }
  {
    const AddInPtr addIn = Must(Must(app_->AddIns())->Add(addInFile, true));
    // The office switches an extension on as it adds it.
    EXPECT_EQ(Must(addIn->Installed()), Calc());
    Must(addIn->SetInstalled(true));
    const CommandBarPtr bar =
        Must(Must(app_->CommandBars())->Add("Zemra Contract " + Title(), false));
    const CommandBarControlsPtr controls = Must(bar->Controls());
    const CommandBarControlPtr about = Must(controls->Add(msoControlButton));
    Must(about->SetOnAction("DmmAbout"));
    Must(about->SetCaption("About"));
    Must(about->SetToolTipText("About Zemra K9-90/1 VX-Link"));
    const CommandBarControlPtr start = Must(controls->Add(msoControlButton));
    Must(start->SetEnabled(false));
    Must(start->SetVisible(false));
    EXPECT_FALSE(controls->Add(99));
    Must(bar->SetVisible(true));
    Must(Must(app_->CommandBars())->Add("Only today " + Title(), true));
    EXPECT_TRUE(Must(app_->CommandBars())->Item("ONLY TODAY " + Title()));
    EXPECT_FALSE(Must(app_->CommandBars())->Add("Zemra Contract " + Title(), false));
  }
  // The lasting toolbar and the add-in are there for the next host; the temporary one went
  // with the first.
  book_.reset();
  sheet_.reset();
  app_.reset();
  const ApplicationPtr later = MakeHost();
  const AddInsPtr addIns = Must(later->AddIns());
  ASSERT_EQ(Must(addIns->Count()), 1);
  EXPECT_TRUE(Must(Must(addIns->Item(1))->Installed()));
  const CommandBarsPtr bars = Must(later->CommandBars());
  const CommandBarPtr bar = Must(bars->Item("ZEMRA CONTRACT " + Title()));
  EXPECT_TRUE(Must(bar->Visible()));
  const CommandBarControlsPtr controls = Must(bar->Controls());
  ASSERT_EQ(Must(controls->Count()), 2);
  EXPECT_EQ(Must(Must(controls->Item(1))->OnAction()), "DmmAbout");
  EXPECT_EQ(Must(Must(controls->Item(1))->Caption()), "About");
  EXPECT_EQ(Must(Must(controls->Item(1))->ToolTipText()), "About Zemra K9-90/1 VX-Link");
  EXPECT_FALSE(Must(Must(controls->Item(2))->Enabled()));
  EXPECT_FALSE(Must(Must(controls->Item(2))->Visible()));
  EXPECT_TRUE(Must(Must(controls->Item(1))->Enabled()));
  EXPECT_FALSE(bars->Item("Only today " + Title()));
  EXPECT_FALSE(controls->Item(3));
  if (Calc()) {
    // Calc keeps it in the profile, with the macro as a command address of the system's.
    const auto stored = Probe().Toolbar("Zemra Contract " + Title());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->url.rfind("private:resource/toolbar/custom_", 0), 0u);
    EXPECT_EQ(stored->commands.at(0), "vnd.vxlink.macro:DmmAbout");
    EXPECT_EQ(stored->labels.at(0), "About");
    EXPECT_FALSE(stored->visible.at(1));
  }
  // Deleting takes it away; the program's own bars stay.
  const int before = Must(bars->Count());
  Must(bar->Delete());
  EXPECT_EQ(Must(bars->Count()), before - 1);
  EXPECT_FALSE(bars->Item("Zemra Contract " + Title()));
  const CommandBarPtr own = Must(bars->Item("Standard"));
  EXPECT_FALSE(own->Delete());
  if (Calc()) {
    EXPECT_FALSE(Probe().Toolbar("Zemra Contract " + Title()));
  }
}

TEST_P(HostContract, StatusLineNameAndVersion) {
  Must(app_->SetStatusBar("Reading..."));
  EXPECT_EQ(Must(app_->StatusBar()), "Reading...");
  Must(app_->SetStatusBar("Ready"));
  EXPECT_EQ(Must(app_->StatusBar()), "Ready");
  EXPECT_EQ(Must(app_->Version()), "12.0");
  const std::string name = Must(app_->Name());
  EXPECT_EQ(name.rfind(Calc() ? "LibreOffice Calc 7." : "In-memory spreadsheet host", 0), 0u)
      << name;
  // The spreadsheet program is no word processor.
  EXPECT_EQ(app_->Documents().error().number, static_cast<uint32_t>(ErrorNumber::MemberNotFound));
}

TEST_P(HostContract, WorkbooksOpenAndSaveAsAnotherProgramReadsThem) {
  const WorkbooksPtr books = Must(app_->Workbooks());
  const int open = Must(books->Count());
  const auto missing = books->Open(folder_ / "nothing.xlsx");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().number, static_cast<uint32_t>(ErrorNumber::FileNotFound));
  // An add-in file opens as an add-in, not as one of the workbooks the user sees.
  const std::string addIn = folder_.Write("QVK990LINK.xla", "not a workbook");
  EXPECT_EQ(Must(Must(books->Open(addIn))->Name()), "QVK990LINK.xla");
  EXPECT_EQ(Must(books->Count()), open);

  Must(Must(sheet_->Range("A1", "C2"))
           ->SetValues({{std::string("Time"), std::string("CH1(DCV)"), std::string("CH2(DCV)")},
                        {std::string("14:3:27"), std::string("0.00600000"), std::string("OVLD")}}));
  Must(Must(Cell("B1")->Font())->SetBold(true));
  const std::string path = folder_ / "saved.xlsx";
  Must(book_->SaveAs(path));
  EXPECT_EQ(Must(book_->FullName()), path);
  const QJsonObject read = test::ReadXlsx(path);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "A2")["type"].toString(), "d");
  EXPECT_DOUBLE_EQ(test::CellOf(read, "Sheet1", "B2")["value"].toDouble(), 0.006);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "C2")["value"].toString(), "OVLD");
  EXPECT_TRUE(test::CellOf(read, "Sheet1", "B1")["bold"].toBool());
  const Status nowhere = book_->SaveAs(folder_ / "no/such/folder/book.xlsx");
  ASSERT_FALSE(nowhere);
  EXPECT_NE(nowhere.error().description.find("no/such/folder/book.xlsx"), std::string::npos);
}

// A copy saved while the caller goes on: the file holds the workbook as it was at the call,
// the workbook keeps the file it had, and a folder that is not there is the save's failure.
TEST_P(HostContract, ACopySavedWhileTheCallerGoesOnHoldsTheWorkbookAsItWas) {
  Must(Must(sheet_->Range("A1", "B2"))
           ->SetValues({{std::string("Time"), std::string("DCV")},
                        {std::string("14:3:27"), std::string("0.00600000")}}));
  const std::string path = folder_ / "copy.xlsx";
  const PendingSavePtr save = Must(book_->SaveCopyAsInBackground(path));
  Must(Cell("B3")->SetValue(Value{7.0}));
  Must(save->Wait());
  EXPECT_TRUE(save->Done());
  EXPECT_EQ(Must(book_->FullName()), "");
  const QJsonObject read = test::ReadXlsx(path);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "A2")["type"].toString(), "d");
  EXPECT_DOUBLE_EQ(test::CellOf(read, "Sheet1", "B2")["value"].toDouble(), 0.006);
  EXPECT_TRUE(test::CellOf(read, "Sheet1", "B3").isEmpty());
  EXPECT_EQ(Must(Cell("B3")->Value()), Value{7.0});

  const auto nowhere = book_->SaveCopyAsInBackground(folder_ / "no/such/folder/copy.xlsx");
  const Status failed = nowhere ? (*nowhere)->Wait() : Status(nowhere.error());
  ASSERT_FALSE(failed);
  EXPECT_NE(failed.error().description.find("no/such/folder"), std::string::npos);
}

// Memory only: the in-memory host is also the word processor, and keeps what it cannot read.
TEST(MemoryHost, TheWordProcessorAndFilesTheHostCannotRead) {
  test::TempFolder folder;
  const ApplicationPtr app = test::MakeHost(folder / "host-state.ini");
  const ApplicationPtr word =
      test::MakeHost(folder / "host-state.ini", host::HostKind::WordProcessor);
  EXPECT_FALSE(word->Workbooks());
  EXPECT_FALSE(word->AddIns());
  const DocumentsPtr documents = Must(word->Documents());
  EXPECT_FALSE(documents->Add(folder / "missing.dot"));
  const DocumentPtr document = Must(documents->Add(folder.Write("VX.dot", "template")));
  EXPECT_EQ(Must(document->Name()), "Document1");
  EXPECT_EQ(Must(documents->Count()), 1);

  const WorkbooksPtr books = Must(app->Workbooks());
  const std::string data = folder.Write("data.xlsx", "precious");
  const WorkbookPtr other = Must(books->Open(data));
  EXPECT_EQ(Must(books->Count()), 1);
  // Saving it over its own file would destroy what the host could not read.
  EXPECT_FALSE(other->SaveAs(data));
  std::ifstream in(data);
  std::string kept;
  std::getline(in, kept);
  EXPECT_EQ(kept, "precious");
}

}  // namespace
}  // namespace vx::automation
