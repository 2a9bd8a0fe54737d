// Writing into LibreOffice Calc over UNO: a headless office of the benchmark's own, with a
// private profile and pipe, ended with its process group when the program ends.
//   BM_LoggingTickIntoCalcStripChart  the engine's host calls for one reading of a 20-point
//                                     strip chart run: the row as one block, the counters in
//                                     F4 and F6, the chart re-pointed at its new block.
//   BM_ScanExportIntoCalc/OneBlock    the scan export's calls for 2000 rows x 21 columns into
//                                     a new document: the bold header, the data as one block,
//                                     the columns fitted (rows per second).
//   BM_ScanExportIntoCalc/CellByCell  the same rows written one cell per call (fewer rows: a
//                                     call costs a round trip).
//   BM_StartCalcWithWarmProfile       starting an office on a profile used before, connecting
//                                     and opening the first document.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "automation/calc/calc_host.h"
#include "automation/calc/office_process.h"
#include "automation/charts.h"
#include "automation/spreadsheet.h"
#include "automation/unknown.h"

namespace {

using namespace vx::automation;
namespace fs = std::filesystem;

constexpr auto kStartTimeout = std::chrono::seconds(90);

// A folder of this run's own, for profiles and host state.
const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path path = fs::temp_directory_path() / ("vx_bench_calc_" + std::to_string(::getpid()));
    fs::create_directories(path);
    return path;
  }();
  return folder;
}

calc::OfficeOptions OptionsFor(const std::string& name) {
  calc::OfficeOptions options = calc::OfficeOptions::FromEnvironment();
  options.pipeName = "vx-bench-" + name + "-" + std::to_string(::getpid());
  options.profileFolder = (Folder() / ("profile-" + name)).string();
  options.headless = true;
  options.timeout = kStartTimeout;
  return options;
}

// The office the writing benchmarks share, started once.
struct SharedOffice {
  calc::OfficeOptions options = OptionsFor("shared");
  std::unique_ptr<calc::OfficeProcess> process;
  std::string problem;

  SharedOffice() {
    auto started = calc::OfficeProcess::Start(options, /*tied=*/true);
    if (!started) {
      problem = started.error().description;
      return;
    }
    process = std::move(*started);
  }
  ~SharedOffice() {
    if (process) process->End();
  }
};

// Made by the first benchmark that needs it, ended by main().
std::unique_ptr<SharedOffice>& SharedOfficeSlot() {
  static std::unique_ptr<SharedOffice> office;
  return office;
}

SharedOffice& Office() {
  if (!SharedOfficeSlot()) SharedOfficeSlot() = std::make_unique<SharedOffice>();
  return *SharedOfficeSlot();
}

// A host on the shared office; its documents go with it.
ApplicationPtr NewHost(benchmark::State& state) {
  SharedOffice& office = Office();
  if (!office.problem.empty()) {
    state.SkipWithError(office.problem.c_str());
    return nullptr;
  }
  auto made = calc::NewCalcHost(office.options, (Folder() / "host-state.ini").string());
  if (!made) {
    state.SkipWithError(made.error().description.c_str());
    return nullptr;
  }
  return QueryInterface<Application>(std::shared_ptr<Unknown>(std::move(*made)));
}

template <typename T>
T Must(Result<T> result) {
  if (!result) throw std::runtime_error(result.error().description);
  return std::move(*result);
}
void Must(const Status& status) {
  if (!status) throw std::runtime_error(status.error().description);
}

WorksheetPtr FirstSheetOfNewWorkbook(Application& host) {
  const WorkbookPtr book = Must(Must(host.Workbooks())->Add());
  return Must(Must(book->Sheets())->Item(1));
}

RangePtr Cell(Worksheet& sheet, int row, int column) {
  return Must(sheet.Cells(row, column));
}

std::string Row(int row) {
  return std::to_string(row);
}

void BM_LoggingTickIntoCalcStripChart(benchmark::State& state) {
  const ApplicationPtr host = NewHost(state);
  if (!host) return;
  try {
    const WorkbookPtr book = Must(Must(host->Workbooks())->Add());
    const WorksheetPtr sheet = Must(Must(book->Sheets())->Item(1));
    // The logging sheet as the engine lays it out for a strip chart of 20 points.
    Must(Must(sheet->Range("A1", "B1"))
             ->SetValues({{Value{std::string("Time")}, Value{std::string("DCV")}}}));
    Must(Cell(*sheet, 6, 6)->SetName("Sheet1!DmmCount"));
    Must(Cell(*sheet, 8, 6)->SetName("Sheet1!DmmPoints"));
    Must(Cell(*sheet, 8, 6)->SetValue(Value{20.0}));
    const NamesPtr names = Must(sheet->Names());
    Must(names->Add("Sheet1!DmmisStripChart", "=Sheet1!DmmPoints<=Sheet1!DmmCount"));
    Must(names->Add("Sheet1!DmmyAxis",
                    "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-"
                    "Sheet1!DmmPoints,1,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,1,"
                    "Sheet1!DmmCount,1))"));
    Must(Must(sheet->Columns(1))->SetNumberFormat("hh:mm:ss.000"));
    int count = 0;
    const auto tick = [&] {
      ++count;
      Must(Must(sheet->Range("A" + Row(count + 1), "B" + Row(count + 1)))
               ->SetValues({{Value{DateValue{0.5 + count / 86400.0}}, Value{1e-3 * count}}}));
      Must(Cell(*sheet, 4, 6)->SetValue(Value{1.0 * count}));
      Must(Cell(*sheet, 6, 6)->SetValue(Value{1.0 * count}));
    };
    tick();
    const ChartPtr chart = Must(Must(book->Charts())->Add());
    Must(chart->SetSourceData(Cell(*sheet, 1, 1)));
    const SeriesPtr series = Must(Must(chart->SeriesCollection())->Item(1));
    Must(series->SetName("=Sheet1!R1C2"));
    Must(series->SetValues("=Sheet1!DmmyAxis"));
    Must(chart->Location(xlLocationAsObject, "Sheet1"));
    // Past 20 readings the chart moves at every tick.
    for (int i = 0; i < 25; ++i) tick();
    for (auto _ : state) tick();
    state.SetItemsProcessed(state.iterations());
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK(BM_LoggingTickIntoCalcStripChart)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scan export's header: each cell set, bold and centred, as the export does.
void WriteHeader(Worksheet& sheet, int columns) {
  for (int c = 1; c <= columns; ++c) {
    const RangePtr cell = Cell(sheet, 1, c);
    Must(cell->SetValue(Value{c == 1 ? std::string("Time") : "CH" + Row(c - 1) + "(DCV)"}));
    Must(Must(cell->Font())->SetBold(true));
    Must(cell->SetVerticalAlignment(xlCenter));
  }
}

std::string ColumnLetter(int column) {
  return std::string(1, static_cast<char>('A' + column - 1));
}

// Texts as the results grid holds them: a time, then readings (one in overload).
ValueRows Results(int rows, int columns) {
  ValueRows values;
  for (int r = 0; r < rows; ++r) {
    auto& row = values.emplace_back();
    row.emplace_back(std::string("14:") + Row(r / 60 % 60) + ":" + Row(r % 60));
    for (int c = 2; c <= columns; ++c) {
      row.emplace_back(r == 0 && c == 7 ? std::string("OVLD") : "+5.0" + Row(c) + "E-01");
    }
  }
  return values;
}

void BM_ScanExportIntoCalc(benchmark::State& state, bool oneBlock) {
  const int rows = static_cast<int>(state.range(0));
  constexpr int kColumns = 21;
  const ValueRows values = Results(rows, kColumns);
  try {
    for (auto _ : state) {
      state.PauseTiming();
      ApplicationPtr host = NewHost(state);
      if (!host) return;
      state.ResumeTiming();
      const WorksheetPtr sheet = FirstSheetOfNewWorkbook(*host);
      WriteHeader(*sheet, kColumns);
      if (oneBlock) {
        Must(Must(sheet->Range("A2", ColumnLetter(kColumns) + Row(rows + 1)))->SetValues(values));
      } else {
        for (int r = 0; r < rows; ++r) {
          for (int c = 1; c <= kColumns; ++c) {
            Must(Cell(*sheet, r + 2, c)->SetValue(values[r][c - 1]));
          }
        }
      }
      Must(Must(Must(sheet->Range("A1", ColumnLetter(kColumns) + "1"))->EntireColumn())->AutoFit());
      state.PauseTiming();
      host.reset();  // its documents go with it
      state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["cells"] = rows * kColumns;
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK_CAPTURE(BM_ScanExportIntoCalc, OneBlock, true)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ScanExportIntoCalc, CellByCell, false)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_StartCalcWithWarmProfile(benchmark::State& state) {
  calc::OfficeOptions options = OptionsFor("start");
  const auto startAndOpen = [&](int round) {
    // A new pipe each round: a new bridge, as a new program makes.
    options.pipeName = "vx-bench-start-" + std::to_string(::getpid()) + "-" + Row(round);
    auto host = calc::NewCalcHost(options, (Folder() / "host-state-start.ini").string());
    if (!host) throw std::runtime_error(host.error().description);
    const ApplicationPtr application =
        QueryInterface<Application>(std::shared_ptr<Unknown>(std::move(*host)));
    FirstSheetOfNewWorkbook(*application);
    return application;
  };
  try {
    startAndOpen(0);  // makes the profile; the office ends with its host
    int round = 0;
    for (auto _ : state) {
      ApplicationPtr host = startAndOpen(++round);
      state.PauseTiming();
      host.reset();  // ends the office this host started
      state.ResumeTiming();
    }
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK(BM_StartCalcWithWarmProfile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SharedOfficeSlot().reset();
  std::error_code error;
  fs::remove_all(Folder(), error);
  return 0;
}
