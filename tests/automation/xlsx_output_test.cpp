// Workbooks saved as .xlsx files and read back by an independent reader; handing a workbook
// to the user; the scan export and the logging engine's strip chart end to end through the
// registry's "Excel.Application".

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "automation/object_registry.h"
#include "host_test_util.h"
#include "xlsx_reader.h"

namespace vx::automation {
namespace {

using test::Must;
namespace fs = std::filesystem;

QJsonArray SeriesOf(const QJsonObject& chart, int group = 0) {
  return chart["groups"].toArray()[group].toArray();
}

class XlsxOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = test::MakeHost(folder_ / "host-state.ini");
    book_ = Must(Must(app_->Workbooks())->Add());
    sheet_ = Must(Must(book_->Sheets())->Item(1));
  }
  void Set(const char* cell, Value value) { Must(Must(sheet_->Range(cell))->SetValue(value)); }

  test::TempFolder folder_;
  ApplicationPtr app_;
  WorkbookPtr book_;
  WorksheetPtr sheet_;
};

TEST_F(XlsxOutput, CellTypesFormatsAndStyles) {
  Set("A1", std::string("Time"));
  Set("B1", std::string("CH1(DCV)"));
  for (const char* header : {"A1", "B1"}) {
    const RangePtr cell = Must(sheet_->Range(header));
    Must(Must(cell->Font())->SetBold(true));
    Must(cell->SetVerticalAlignment(xlCenter));
  }
  Must(Must(Must(sheet_->Range("A1", "B1"))->EntireColumn())->AutoFit());
  Set("A2", std::string("14:3:27"));
  Set("B2", std::string("0.00600000"));
  Set("C2", std::string("OVLD"));
  Set("D2", Value{true});
  Must(Must(sheet_->Range("E2"))->SetNumberFormat("hh:mm:ss.000"));
  Set("E2", Value{DateValue{46363.5 + 0.125 / 86400}});
  Set("F2", std::string("bad \xFF byte"));
  const std::string path = folder_ / "types.xlsx";
  Must(book_->SaveAs(path));
  EXPECT_EQ(Must(book_->FullName()), path);

  const QJsonObject read = test::ReadXlsx(path);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "A1")["type"].toString(), "s");
  EXPECT_TRUE(test::CellOf(read, "Sheet1", "A1")["bold"].toBool());
  EXPECT_EQ(test::CellOf(read, "Sheet1", "B1")["valign"].toString(), "center");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "A2")["type"].toString(), "d");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "A2")["format"].toString(), "h:mm:ss");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "B2")["type"].toString(), "n");
  EXPECT_DOUBLE_EQ(test::CellOf(read, "Sheet1", "B2")["value"].toDouble(), 0.006);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "C2")["type"].toString(), "s");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "C2")["value"].toString(), "OVLD");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "D2")["type"].toString(), "b");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "E2")["format"].toString(), "hh:mm:ss.000");
  EXPECT_EQ(test::CellOf(read, "Sheet1", "F2")["value"].toString(), "bad \uFFFD byte");
  const QJsonObject widths = read["sheets"]["Sheet1"]["widths"].toObject();
  EXPECT_GT(widths["B"].toDouble(), widths["A"].toDouble());
}

// The engine's growing chart on a chart sheet of its own, with a second reading on the
// secondary axis, and a strip chart in the sheet.
TEST_F(XlsxOutput, NamesAndChartsInBothPlaces) {
  Set("B1", std::string("DCV"));
  Set("C1", std::string("ACV"));
  for (int row = 2; row <= 81; ++row) {
    Must(Must(sheet_->Cells(row, 2))->SetValue(Value{row * 0.5}));
    Must(Must(sheet_->Cells(row, 3))->SetValue(Value{-row * 0.5}));
  }
  Must(Must(sheet_->Range("F6"))->SetName("Sheet1!DmmCount"));
  Must(Must(sheet_->Range("F8"))->SetName("Sheet1!DmmPoints"));
  Set("F6", Value{80.0});
  Set("F8", Value{50.0});
  const NamesPtr names = Must(sheet_->Names());
  Must(names->Add("Sheet1!DmmisStripChart", "=Sheet1!DmmPoints<=Sheet1!DmmCount"));
  Must(names->Add("Sheet1!DmmyAxis",
                  "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,"
                  "1,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1))"));
  Must(names->Add("Sheet1!Dmmy2Axis", "=OFFSET(Sheet1!R2C3,0,0,Sheet1!DmmCount,1)"));

  const ChartPtr growing = Must(Must(book_->Charts())->Add());
  Must(growing->SetSourceData(Must(sheet_->Range("A1"))));
  Must(Must(Must(growing->SeriesCollection())->Item(1))->SetValues("=Sheet1!Dmmy2Axis"));
  const SeriesPtr second = Must(Must(growing->SeriesCollection())->NewSeries());
  Must(second->SetName("=Sheet1!R1C3"));
  Must(second->SetValues("=Sheet1!Dmmy2Axis"));
  Must(second->SetAxisGroup(xlSecondary));
  Must(growing->SetHasAxis(xlCategory, xlPrimary, false));
  Must(Must(growing->ChartTitle())->SetText("Growing"));
  Must(growing->Location(xlLocationAsNewSheet, "Sheet1Chart1"));

  const ChartPtr strip = Must(Must(book_->Charts())->Add());
  Must(strip->SetSourceData(Must(sheet_->Range("A1"))));
  const SeriesPtr first = Must(Must(strip->SeriesCollection())->Item(1));
  Must(first->SetName("=Sheet1!R1C2"));
  Must(first->SetValues("=Sheet1!DmmyAxis"));
  Must(Must(strip->Axes(xlCategory, xlPrimary))->SetTickLabelPosition(xlTickLabelPositionLow));
  Must(strip->Location(xlLocationAsObject, "Sheet1"));
  Must(Must(sheet_->Shapes())->AddFormControl(xlScrollBar, 10, 10, 15, 100));

  const std::string path = folder_ / "charts.xlsx";
  Must(book_->SaveAs(path));
  const QJsonObject read = test::ReadXlsx(path);

  bool foundAxisName = false;
  for (const QJsonValue name : read["names"].toArray()) {
    if (name["name"].toString() == "DmmyAxis") {
      foundAxisName = true;
      EXPECT_EQ(name["scope"].toString(), "Sheet1");
      EXPECT_EQ(name["refers_to"].toString(),
                "IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!$A$2,Sheet1!DmmCount-Sheet1!DmmPoints,1,"
                "Sheet1!DmmPoints,1),OFFSET(Sheet1!$A$2,0,1,Sheet1!DmmCount,1))");
    }
    if (name["name"].toString() == "DmmCount") {
      EXPECT_EQ(name["refers_to"].toString(), "Sheet1!$F$6");
    }
  }
  EXPECT_TRUE(foundAxisName);

  const QJsonArray charts = read["charts"].toArray();
  ASSERT_EQ(charts.size(), 2);
  // Embedded charts come first in the file, chart sheets after.
  const QJsonObject inSheet = charts[0].toObject();
  EXPECT_EQ(inSheet["owner"]["sheet"].toString(), "Sheet1");
  EXPECT_EQ(inSheet["owner"]["kind"].toString(), "worksheet");
  EXPECT_EQ(SeriesOf(inSheet).at(0)["values"].toString(), "Sheet1!$B$32:$B$81");
  EXPECT_EQ(SeriesOf(inSheet).at(0)["name"].toString(), "Sheet1!$B$1");
  EXPECT_EQ(SeriesOf(inSheet).at(0)["marker"].toString(), "diamond");
  EXPECT_EQ(inSheet["axes"].toArray().at(0)["labels"].toString(), "low");
  EXPECT_TRUE(inSheet["title"].isNull());

  const QJsonObject onSheet = charts[1].toObject();
  EXPECT_EQ(onSheet["owner"]["sheet"].toString(), "Sheet1Chart1");
  EXPECT_EQ(onSheet["owner"]["kind"].toString(), "chartsheet");
  EXPECT_EQ(onSheet["title"].toString(), "Growing");
  ASSERT_EQ(onSheet["groups"].toArray().size(), 2);
  EXPECT_EQ(SeriesOf(onSheet, 0).at(0)["values"].toString(), "Sheet1!$C$2:$C$81");
  EXPECT_EQ(SeriesOf(onSheet, 1).at(0)["name"].toString(), "Sheet1!$C$1");
  int valueAxesOnTheRight = 0;
  for (const QJsonValue axis : onSheet["axes"].toArray()) {
    if (axis["kind"].toString() == "valAx" && axis["position"].toString() == "r") {
      ++valueAxesOnTheRight;
    }
    if (axis["kind"].toString() == "catAx" && axis["position"].toString() == "b") {
      EXPECT_TRUE(axis["deleted"].toBool());
    }
  }
  EXPECT_EQ(valueAxesOnTheRight, 1);
  EXPECT_EQ(read["chartsheets"].toArray()[0].toString(), "Sheet1Chart1");
}

TEST_F(XlsxOutput, AFolderThatIsMissingOrLockedIsReportedAndTheWorkbookKept) {
  Set("A1", Value{1.0});
  const std::string missing = folder_ / "no/such/folder/book.xlsx";
  const Status failed = book_->SaveAs(missing);
  ASSERT_FALSE(failed);
  EXPECT_NE(failed.error().description.find(missing), std::string::npos);
  EXPECT_NE(failed.error().description.find("does not exist"), std::string::npos);
  if (::geteuid() != 0) {
    const std::string locked = folder_ / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const Status refused = book_->SaveAs(locked + "/book.xlsx");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().description.find("cannot be written"), std::string::npos);
    fs::permissions(locked, fs::perms::owner_all);
  }
  EXPECT_EQ(Must(Must(sheet_->Range("A1"))->Value()), Value{1.0});
  Must(book_->SaveAs(folder_ / "book.xlsx"));
  // No temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(folder_.Path())) {
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
}

// A chart placed in a sheet stays over the cells it was placed over when columns to its left
// are widened, as a spreadsheet program's objects move with their cells.
TEST_F(XlsxOutput, AChartInASheetMovesWithItsCellsWhenColumnsWiden) {
  Set("B1", std::string("Reading"));
  Set("B2", Value{1.5});
  const ChartPtr chart = Must(Must(book_->Charts())->Add());
  Must(chart->SetSourceData(Must(sheet_->Range("A1"))));
  Must(Must(Must(chart->SeriesCollection())->Item(1))->SetValues("=Sheet1!R2C2:R2C2"));
  Must(chart->Location(xlLocationAsObject, "Sheet1"));
  const ShapePtr shape = Must(Must(sheet_->Shapes())->Item(1));
  const double columnH = Must(Must(sheet_->Columns(8))->Left());
  EXPECT_EQ(Must(shape->Left()), columnH);
  Set("A2", std::string("a text far wider than the column it starts in"));
  Must(Must(Must(sheet_->Range("A1", "F1"))->EntireColumn())->AutoFit());
  EXPECT_GT(Must(Must(sheet_->Columns(8))->Left()), columnH);
  EXPECT_EQ(Must(shape->Left()), Must(Must(sheet_->Columns(8))->Left()));
  const std::string path = folder_ / "moved.xlsx";
  Must(book_->SaveAs(path));
  const QJsonObject read = test::ReadXlsx(path);
  const QJsonObject anchor = read["charts"].toArray().at(0)["anchor"].toObject();
  EXPECT_EQ(anchor["col"].toInt(), 7);
  EXPECT_EQ(anchor["row"].toInt(), 1);
}

// A chart whose series covers no cells cannot go into the file: the file holds the rest, and
// the save says what it left out instead of reporting success.
TEST_F(XlsxOutput, AChartTheFileCannotHoldMakesTheSaveFail) {
  Set("B2", Value{1.5});
  const ChartPtr chart = Must(Must(book_->Charts())->Add());
  Must(chart->SetSourceData(Must(sheet_->Range("A1"))));
  Must(Must(Must(chart->SeriesCollection())->Item(1))->SetValues("=Sheet1!NoSuchName"));
  Must(chart->Location(xlLocationAsObject, "Sheet1"));
  const std::string path = folder_ / "without.xlsx";
  const Status saved = book_->SaveAs(path);
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().description.rfind("The workbook was saved as " + path +
                                                " without the chart \"Chart1\" (its series of "
                                                "=Sheet1!NoSuchName: ",
                                            0),
            0u)
      << saved.error().description;
  const QJsonObject read = test::ReadXlsx(path);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "B2")["value"].toDouble(), 1.5);
  EXPECT_EQ(read["charts"].toArray().size(), 0);
}

TEST_F(XlsxOutput, VisibleUnderUserControlHandsTheWorkbookOver) {
  const std::string documents = folder_ / "Documents";
  fs::create_directories(documents);
  const std::string opened = folder_ / "opened.txt";
  // The opener runs on its own: it writes aside and renames, so that the file the test waits
  // for holds the whole line once it is there.
  const std::string opener =
      folder_.Write("opener.sh", "#!/bin/sh\necho \"$1\" > " + opened + ".part && mv " + opened +
                                     ".part " + opened + "\n");
  fs::permissions(opener, fs::perms::owner_all);
  test::ScopedEnvironment documentsFolder("VX_DOCUMENTS", documents);
  test::ScopedEnvironment display("DISPLAY", ":77");
  test::ScopedEnvironment openWith("VX_OPENER", opener);

  Set("A1", std::string("Time"));
  Must(book_->SetTitle("Scan 2026-12-07 14.03.27"));
  Must(app_->SetVisible(true));
  EXPECT_EQ(Must(book_->FullName()), "");
  Must(app_->SetUserControl(true));
  const std::string expected = documents + "/Scan 2026-12-07 14.03.27.xlsx";
  EXPECT_EQ(Must(book_->FullName()), expected);
  EXPECT_TRUE(fs::exists(expected));
  for (int i = 0; i < 200 && !fs::exists(opened); ++i) ::usleep(10000);
  std::ifstream in(opened);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, expected);

  // A second workbook with the same title gets a name of its own.
  const WorkbookPtr again = Must(Must(app_->Workbooks())->Add());
  Must(again->SetTitle("Scan 2026-12-07 14.03.27"));
  Must(app_->SetUserControl(true));
  EXPECT_EQ(Must(again->FullName()), documents + "/Scan 2026-12-07 14.03.27 (2).xlsx");
}

TEST_F(XlsxOutput, WithoutADesktopTheWorkbookIsStillSaved) {
  test::ScopedEnvironment documentsFolder("VX_DOCUMENTS", folder_.Path());
  test::ScopedEnvironment display("DISPLAY", "");
  test::ScopedEnvironment wayland("WAYLAND_DISPLAY", "");
  Must(app_->SetVisible(true));
  Must(app_->SetUserControl(true));
  EXPECT_EQ(Must(book_->FullName()), folder_ / "Book1.xlsx");
  EXPECT_TRUE(fs::exists(folder_ / "Book1.xlsx"));
}

// The scan export's calls and the logging engine's strip chart over 80 readings, through the
// registry, read back from the saved file.
TEST(HostEndToEnd, ScanExportAndStripChartThroughTheRegistry) {
  test::TempFolder folder;
  test::ScopedEnvironment state("VX_HOST_STATE", folder / "host-state.ini");
  const auto created = CreateObjectAs<Application>("Excel.Application");
  ASSERT_TRUE(created) << created.error().description;
  const ApplicationPtr app = *created;
  const WorkbookPtr book = Must(Must(app->Workbooks())->Add());
  const WorksheetPtr sheet = Must(Must(book->Sheets())->Item(1));

  const std::vector<std::string> header{"Time", "CH1(DCV)", "CH2(DCI)", "CH3(4W)"};
  for (size_t c = 0; c < header.size(); ++c) {
    const std::string name = std::string(1, static_cast<char>('A' + c)) + "1";
    const RangePtr cell = Must(sheet->Range(name, name));
    Must(cell->SetValue(header[c]));
    Must(Must(cell->Font())->SetBold(true));
    Must(cell->SetVerticalAlignment(xlCenter));
  }
  Must(Must(Must(sheet->Range("A1", "D1"))->EntireColumn())->AutoFit());
  const std::vector<std::string> row{"14:3:27", "1.00000012", "0.00600000", "OVLD"};
  for (size_t c = 0; c < row.size(); ++c) {
    const std::string name = std::string(1, static_cast<char>('A' + c)) + "2";
    Must(Must(sheet->Range(name, name))->SetValue(row[c]));
  }

  // The logging sheet: readings from row 3 of a second sheet would do as well; the engine
  // logs into its own sheet, so a second workbook plays it.
  const WorkbookPtr logBook = Must(Must(app->Workbooks())->Add());
  const WorksheetPtr log = Must(Must(logBook->Sheets())->Item(1));
  Must(Must(log->Range("B1"))->SetValue(std::string("Reading")));
  for (int r = 2; r <= 81; ++r) {
    const RangePtr time = Must(log->Cells(r, 1));
    Must(time->SetValue(Value{DateValue{46363.5 + r / 86400.0}}));
    Must(time->SetNumberFormat("hh:mm:ss.000"));
    Must(Must(log->Cells(r, 2))->SetValue(Value{r * 1e-3}));
  }
  Must(Must(log->Range("F6"))->SetValue(Value{80.0}));
  Must(Must(log->Range("F8"))->SetValue(Value{50.0}));
  Must(Must(log->Range("F6"))->SetName("Sheet1!DmmCount"));
  Must(Must(log->Range("A1"))->SetName("Sheet1!DmmDataRef"));
  Must(Must(log->Range("F8"))->SetName("Sheet1!DmmPoints"));
  const NamesPtr names = Must(log->Names());
  Must(names->Add("Sheet1!DmmyAxis",
                  "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,"
                  "1,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1))"));
  Must(names->Add("Sheet1!DmmxAxis",
                  "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,"
                  "0,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,0,Sheet1!DmmCount,1))"));
  Must(names->Add("Sheet1!DmmisStripChart", "=Sheet1!DmmPoints<=Sheet1!DmmCount"));
  const ChartPtr chart = Must(Must(logBook->Charts())->Add());
  Must(chart->SetChartType(xlLineMarkers));
  Must(chart->SetSourceData(Must(log->Range("A1"))));
  const SeriesPtr series = Must(Must(chart->SeriesCollection())->Item(1));
  Must(series->SetName("=Sheet1!R1C2"));
  Must(series->SetValues("=Sheet1!DmmyAxis"));
  Must(chart->SetHasAxis(xlCategory, xlPrimary, false));
  Must(chart->SetHasTitle(true));
  Must(chart->SetHasAxis(xlValue, xlPrimary, true));
  Must(Must(chart->ChartTitle())->SetText("2026/12/07 12:00:00"));
  Must(chart->Location(xlLocationAsObject, "Sheet1"));

  const std::string exported = folder / "export.xlsx";
  const std::string logged = folder / "log.xlsx";
  Must(book->SaveAs(exported));
  Must(logBook->SaveAs(logged));

  const QJsonObject scan = test::ReadXlsx(exported);
  EXPECT_EQ(test::CellOf(scan, "Sheet1", "A2")["type"].toString(), "d");
  EXPECT_EQ(test::CellOf(scan, "Sheet1", "B2")["type"].toString(), "n");
  EXPECT_DOUBLE_EQ(test::CellOf(scan, "Sheet1", "C2")["value"].toDouble(), 0.006);
  EXPECT_EQ(test::CellOf(scan, "Sheet1", "D2")["value"].toString(), "OVLD");
  EXPECT_TRUE(test::CellOf(scan, "Sheet1", "D1")["bold"].toBool());

  const QJsonObject strip = test::ReadXlsx(logged);
  EXPECT_EQ(test::CellOf(strip, "Sheet1", "A81")["format"].toString(), "hh:mm:ss.000");
  EXPECT_DOUBLE_EQ(test::CellOf(strip, "Sheet1", "B81")["value"].toDouble(), 0.081);
  QStringList names_read;
  for (const QJsonValue name : strip["names"].toArray()) names_read << name["name"].toString();
  for (const char* name :
       {"DmmCount", "DmmDataRef", "DmmPoints", "DmmyAxis", "DmmxAxis", "DmmisStripChart"}) {
    EXPECT_TRUE(names_read.contains(name)) << name;
  }
  const QJsonObject written = strip["charts"].toArray()[0].toObject();
  EXPECT_EQ(SeriesOf(written).at(0)["values"].toString(), "Sheet1!$B$32:$B$81");
  EXPECT_EQ(written["title"].toString(), "2026/12/07 12:00:00");
}

}  // namespace
}  // namespace vx::automation
