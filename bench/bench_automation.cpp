// Speed of the in-memory spreadsheet host: typed cell input one call at a time, saving a
// large logging workbook with its chart, and resolving the strip chart's names.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "automation/charts.h"
#include "automation/host/memory_application.h"
#include "automation/host/workbook_data.h"
#include "automation/spreadsheet.h"

namespace {

using namespace vx::automation;

std::shared_ptr<Application> NewHost() {
  const std::string state =
      std::filesystem::temp_directory_path() / ("vx_bench_state_" + std::to_string(getpid()));
  std::shared_ptr<Unknown> object(host::NewMemoryHost(host::HostKind::Spreadsheet, state));
  return QueryInterface<Application>(object);
}

WorksheetPtr NewSheet(const std::shared_ptr<Application>& app, WorkbookPtr* book = nullptr) {
  WorkbookPtr added = *(*app->Workbooks())->Add();
  if (book) *book = added;
  return *(*added->Sheets())->Item(1);
}

// The scan export's pattern: one Range and one Value call per cell, the value given as text.
void BM_SetCellValueAsText(benchmark::State& state) {
  const auto app = NewHost();
  const WorksheetPtr sheet = NewSheet(app);
  const std::string texts[] = {"14:3:27", "0.00600000", "OVLD", "-1.5E-7", "1.23456789"};
  int row = 2;
  for (auto _ : state) {
    const std::string cell = "B" + std::to_string(row);
    const auto range = sheet->Range(cell, cell);
    benchmark::DoNotOptimize((*range)->SetValue(texts[row % 5]));
    if (++row > 100001) row = 2;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetCellValueAsText);

// A logging sheet of `rows` readings with the engine's strip-chart names.
void FillLoggingSheet(const WorksheetPtr& sheet, int rows) {
  (*sheet->Range("B1"))->SetValue(std::string("DCV"));
  for (int r = 2; r < rows + 2; ++r) {
    const auto time = *sheet->Cells(r, 1);
    time->SetNumberFormat("hh:mm:ss.000");
    time->SetValue(Value{DateValue{46363.5 + r / 86400.0}});
    (*sheet->Cells(r, 2))->SetValue(Value{r * 1e-6});
    (*sheet->Cells(r, 3))->SetValue(Value{-r * 1e-6});
  }
  (*sheet->Range("F6"))->SetValue(Value{static_cast<double>(rows)});
  (*sheet->Range("F8"))->SetValue(Value{50.0});
  (*sheet->Range("F6"))->SetName("Sheet1!DmmCount");
  (*sheet->Range("F8"))->SetName("Sheet1!DmmPoints");
  const NamesPtr names = *sheet->Names();
  names->Add("Sheet1!DmmisStripChart", "=Sheet1!DmmPoints<=Sheet1!DmmCount");
  names->Add("Sheet1!DmmyAxis",
             "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,1,"
             "Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1))");
  names->Add("Sheet1!DmmxAxis",
             "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,0,"
             "Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,0,Sheet1!DmmCount,1))");
}

void BM_SaveWorkbookOf100000RowsWithChart(benchmark::State& state) {
  const auto app = NewHost();
  WorkbookPtr book;
  const WorksheetPtr sheet = NewSheet(app, &book);
  FillLoggingSheet(sheet, 100000);
  const ChartPtr chart = *(*book->Charts())->Add();
  chart->SetSourceData(*sheet->Range("A1"));
  const auto series = *(*chart->SeriesCollection())->Item(1);
  series->SetName("=Sheet1!R1C2");
  series->SetValues("=Sheet1!DmmyAxis");
  chart->Location(xlLocationAsObject, "Sheet1");
  const std::string path =
      std::filesystem::temp_directory_path() / ("vx_bench_" + std::to_string(getpid()) + ".xlsx");
  for (auto _ : state) {
    const Status saved = book->SaveAs(path);
    if (!saved) state.SkipWithError(saved.error().description.c_str());
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_SaveWorkbookOf100000RowsWithChart)->Unit(benchmark::kMillisecond);

void BM_ResolveStripChartNames(benchmark::State& state) {
  host::WorkbookData book("Book1");
  book.AddSheet();
  host::SheetData& sheet = *book.Sheets()[0];
  for (int r = 2; r < 100002; ++r) sheet.At(r, 2).value = r * 1e-6;
  sheet.At(6, 6).value = 100000.0;
  sheet.At(8, 6).value = 50.0;
  book.DefineName("Sheet1!DmmCount", "=Sheet1!R6C6", -1);
  book.DefineName("Sheet1!DmmPoints", "=Sheet1!R8C6", -1);
  book.DefineName("Sheet1!DmmisStripChart", "=Sheet1!DmmPoints<=Sheet1!DmmCount", -1);
  book.DefineName("Sheet1!DmmyAxis",
                  "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,"
                  "1,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,1,Sheet1!DmmCount,1))",
                  -1);
  book.DefineName("Sheet1!DmmxAxis",
                  "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-Sheet1!DmmPoints,"
                  "0,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,0,Sheet1!DmmCount,1))",
                  -1);
  const host::DefinedNameData* names[] = {book.FindName(0, "DmmyAxis"),
                                          book.FindName(0, "DmmxAxis")};
  for (auto _ : state) {
    for (const host::DefinedNameData* name : names) {
      int sheetIndex = -1;
      CellBlock block;
      std::string error;
      benchmark::DoNotOptimize(book.ResolveName(*name, sheetIndex, block, error));
    }
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ResolveStripChartNames);

}  // namespace

BENCHMARK_MAIN();
