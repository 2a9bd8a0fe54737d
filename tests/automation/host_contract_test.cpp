// The in-memory host through its automation objects: cells, styles, names, shapes and
// controls, charts, toolbars, add-ins and documents.

#include <gtest/gtest.h>

#include <fstream>

#include "automation/host/cell_reference.h"
#include "host_test_util.h"

namespace vx::automation {
namespace {

using test::Must;

class HostObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = test::MakeHost(folder_ / "host-state.ini");
    ASSERT_TRUE(app_);
    book_ = Must(Must(app_->Workbooks())->Add());
    sheet_ = Must(Must(book_->Sheets())->Item(1));
  }

  RangePtr Cell(const char* name) { return Must(sheet_->Range(name)); }

  test::TempFolder folder_;
  ApplicationPtr app_;
  WorkbookPtr book_;
  WorksheetPtr sheet_;
};

TEST_F(HostObjects, ValuesKeepTheirTypes) {
  Must(Cell("B2")->SetValue(std::string("0.00600000")));
  Must(Cell("C2")->SetValue(std::string("OVLD")));
  Must(Cell("A2")->SetValue(std::string("14:3:27")));
  Must(Cell("D2")->SetValue(Value{DateValue{46000.5}}));
  Must(Cell("E2")->SetValue(Value{42.0}));
  EXPECT_EQ(Must(Cell("B2")->Value()), Value{0.006});
  EXPECT_EQ(Must(Cell("C2")->Value()), Value{std::string("OVLD")});
  EXPECT_TRUE(std::holds_alternative<DateValue>(Must(Cell("A2")->Value())));
  EXPECT_EQ(Must(Cell("A2")->NumberFormat()), "h:mm:ss");
  EXPECT_EQ(Must(Cell("D2")->Value()), Value{DateValue{46000.5}});
  EXPECT_EQ(Must(Cell("E2")->NumberFormat()), "General");
  EXPECT_TRUE(IsEmpty(Must(Cell("Z99")->Value())));
  // A format set before the value is the one kept.
  Must(Cell("A3")->SetNumberFormat("hh:mm:ss.000"));
  Must(Cell("A3")->SetValue(Value{DateValue{0.25}}));
  EXPECT_EQ(Must(Cell("A3")->NumberFormat()), "hh:mm:ss.000");
}

TEST_F(HostObjects, RangesCellsAndTheirPlaces) {
  Must(Must(sheet_->Range("A1", "C1"))->SetValue(std::string("x")));
  EXPECT_EQ(Must(Cell("B1")->Value()), Value{std::string("x")});
  EXPECT_EQ(Must(Must(sheet_->Cells(6, 6))->Address()), "$F$6");
  EXPECT_EQ(Must(Must(sheet_->Range("U1", "A1"))->Address()), "$A$1:$U$1");
  EXPECT_EQ(Must(Must(sheet_->Rows(10))->Top()), 135.0);
  EXPECT_EQ(Must(Must(sheet_->Columns(5))->Left()), 4 * 48.0);
  EXPECT_FALSE(sheet_->Range("XFE1"));
  EXPECT_FALSE(sheet_->Cells(host::kMaxRows + 1, 1));
  EXPECT_FALSE(sheet_->Range("A1", "B"));
  EXPECT_EQ(sheet_->Range("A0").error().number, static_cast<uint32_t>(ErrorNumber::ObjectDefined));
  // A change too large for one call is refused rather than exhausting memory.
  EXPECT_FALSE(Must(sheet_->Range("A1", "XFD1048576"))->SetValue(Value{1.0}));
}

TEST_F(HostObjects, HeaderStylesAndFittedColumns) {
  const RangePtr header = Cell("B1");
  Must(header->SetValue(std::string("CH10(DCV)")));
  Must(Must(header->Font())->SetBold(true));
  Must(header->SetVerticalAlignment(xlCenter));
  EXPECT_TRUE(Must(Must(header->Font())->Bold()));
  EXPECT_EQ(Must(header->VerticalAlignment()), xlCenter);
  Must(Cell("A1")->SetValue(std::string("Time")));
  Must(Must(Must(sheet_->Range("A1", "B1"))->EntireColumn())->AutoFit());
  // A fitted column is wider for the longer text; an empty one gets the standard width.
  EXPECT_GT(Must(Must(sheet_->Columns(3))->Left()) - Must(Must(sheet_->Columns(2))->Left()),
            Must(Must(sheet_->Columns(2))->Left()) - Must(Must(sheet_->Columns(1))->Left()));
  Must(Must(Must(sheet_->Range("D1"))->EntireColumn())->AutoFit());
  EXPECT_EQ(Must(Must(sheet_->Columns(5))->Left()) - Must(Must(sheet_->Columns(4))->Left()), 48.0);
}

TEST_F(HostObjects, NamesOfCellsAndFormulas) {
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
  EXPECT_FALSE(names->Add("Sheet7!X", "=1"));
  EXPECT_FALSE(names->Item("NoSuchName"));
  Must(names->Add("Sheet1!Odd", "=FOO(1)"));
  const auto covered = Must(names->Item("Odd"))->RefersToRange();
  ASSERT_FALSE(covered);
  EXPECT_NE(covered.error().description.find("FOO is not known"), std::string::npos);
}

TEST_F(HostObjects, ScrollBarsKeepTheirLinkedCells) {
  const ShapesPtr shapes = Must(sheet_->Shapes());
  Must(shapes->AddFormControl(xlScrollBar, 300, 20, 15, 150));
  Must(shapes->AddFormControl(xlScrollBar, 330, 20, 15, 150));
  EXPECT_EQ(Must(Must(shapes->Item(1))->Name()), "Scroll Bar 1");
  const ShapePtr bar = Must(shapes->Item("Scroll Bar 2"));
  EXPECT_EQ(Must(bar->Type()), msoFormControl);
  const ControlFormatPtr control = Must(bar->ControlFormat());
  Must(control->SetMax(30));
  Must(control->SetMin(1));
  Must(control->SetValue(50));
  EXPECT_EQ(Must(control->Value()), 30);
  // A newly linked cell gives the control its value, within the control's range.
  Must(Cell("F8")->SetValue(Value{12.0}));
  Must(control->SetLinkedCell("$F$8"));
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
  EXPECT_FALSE(control->SetLinkedCell("F1:F2"));
  EXPECT_FALSE(shapes->Item(3));
  EXPECT_FALSE(shapes->AddFormControl(99, 0, 0, 1, 1));
}

TEST_F(HostObjects, ChartsMoveBetweenTheirOwnSheetAndAWorksheet) {
  Must(Cell("B1")->SetValue(std::string("DCV")));
  const ChartsPtr charts = Must(book_->Charts());
  const ChartPtr chart = Must(charts->Add());
  EXPECT_EQ(Must(chart->Name()), "Chart1");
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

  const ChartPtr inSheet = Must(chart->Location(xlLocationAsObject, "Sheet1"));
  const ShapesPtr shapes = Must(sheet_->Shapes());
  ASSERT_EQ(Must(shapes->Count()), 1);
  EXPECT_EQ(Must(Must(shapes->Item(1))->Type()), msoChart);
  EXPECT_FALSE(Must(shapes->Item(1))->ControlFormat());
  const ChartPtr onSheet = Must(inSheet->Location(xlLocationAsNewSheet, "Sheet1Chart1"));
  EXPECT_EQ(Must(onSheet->Name()), "Sheet1Chart1");
  EXPECT_EQ(Must(shapes->Count()), 0);
  EXPECT_FALSE(onSheet->Location(xlLocationAsNewSheet, "Sheet1"));
  EXPECT_FALSE(onSheet->Location(xlLocationAsObject, "NoSheet"));
  EXPECT_FALSE(onSheet->Location(3, "x"));
}

TEST_F(HostObjects, TheWordProcessorAndTheSpreadsheetOfferTheirOwnMembers) {
  EXPECT_EQ(app_->Documents().error().number, static_cast<uint32_t>(ErrorNumber::MemberNotFound));
  const ApplicationPtr word =
      test::MakeHost(folder_ / "host-state.ini", host::HostKind::WordProcessor);
  EXPECT_FALSE(word->Workbooks());
  EXPECT_FALSE(word->AddIns());
  const DocumentsPtr documents = Must(word->Documents());
  EXPECT_FALSE(documents->Add(folder_ / "missing.dot"));
  const DocumentPtr document = Must(documents->Add(folder_.Write("VX.dot", "template")));
  EXPECT_EQ(Must(document->Name()), "Document1");
  EXPECT_EQ(Must(documents->Count()), 1);
}

TEST_F(HostObjects, OpeningFilesTheHostCannotRead) {
  const WorkbooksPtr books = Must(app_->Workbooks());
  const auto missing = books->Open(folder_ / "nothing.xla");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().number, static_cast<uint32_t>(ErrorNumber::FileNotFound));
  const std::string addIn = folder_.Write("QVK990LINK.xla", "not a workbook");
  const WorkbookPtr opened = Must(books->Open(addIn));
  EXPECT_EQ(Must(opened->Name()), "QVK990LINK.xla");
  // An add-in is not one of the workbooks the user sees.
  EXPECT_EQ(Must(books->Count()), 1);
  const std::string data = folder_.Write("data.xlsx", "precious");
  const WorkbookPtr other = Must(books->Open(data));
  EXPECT_EQ(Must(books->Count()), 2);
  // Saving it over its own file would destroy what the host could not read.
  EXPECT_FALSE(other->SaveAs(data));
  std::ifstream in(data);
  std::string kept;
  std::getline(in, kept);
  EXPECT_EQ(kept, "precious");
}

TEST_F(HostObjects, StatusLineAndVersion) {
  Must(app_->SetStatusBar("Reading..."));
  EXPECT_EQ(Must(app_->StatusBar()), "Reading...");
  EXPECT_EQ(Must(app_->Version()), "12.0");
}

}  // namespace
}  // namespace vx::automation
