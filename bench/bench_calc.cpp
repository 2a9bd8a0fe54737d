// Writing into LibreOffice Calc over UNO: a headless office of the benchmark's own, with a
// private profile and pipe, ended with its process group when the program ends.
//   BM_CalcRoundTrip                  one call that goes to the office and back (a cell read):
//                                     the unit every other figure is made of.
//   BM_LoggingTickIntoCalcStripChart  the engine's host calls for one reading of a 20-point
//     /Batched                        strip chart run: the row as one block, the counters in
//                                     F4 and F6, the chart re-pointed at its new block, in one
//                                     batch as the engine makes them, timed until the batch
//                                     has ended and every value is in Calc. Each tick is
//                                     timed: median_ms and p95_ms are over the ticks.
//   BM_LoggingTickIntoCalcStripChart  the same calls without a batch, one after another.
//     /CallByCall
//   .../BatchedEvery10ms, .../CallByCallEvery10ms: the same with 10 ms between two ticks, as
//                                     a run with a short interval has them: the office's and
//                                     the host's threads have gone to sleep by the next tick.
//   BM_AddCalcWorkbook                a new document and its first sheet: what any export
//                                     costs before it writes a cell.
//   BM_ScanExportIntoCalc/Blocks      the scan export of 2000 rows x 21 columns into a new
//                                     document, through the export's own writing: the bold
//                                     header, the data as one block, the columns fitted
//                                     (rows per second).
//   BM_ScanExportIntoCalc/CellByCell  the same rows written one cell per call (fewer rows: a
//                                     call costs a round trip).
//   BM_StartCalcWithWarmProfile       starting an office on a profile used before, connecting
//                                     and opening the first document.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "automation/calc/calc_host.h"
#include "automation/calc/office_connection.h"
#include "automation/calc/office_process.h"
#include "automation/charts.h"
#include "automation/spreadsheet.h"
#include "automation/unknown.h"
#include "scanner/results_grid.h"
#include "scanner/scan_export.h"

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

// The office the writing benchmarks share, started once. The hosts only connect to it: a
// host that found it not yet accepting would start a second office on its profile, which
// hands its arguments to the first and makes it end in the middle of a benchmark.
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
    options.mayStart = false;
    // Connecting waits until the office accepts; the bridge stays for the hosts to use.
    if (auto connected = calc::OfficeConnection::Open(options); !connected) {
      problem = connected.error().description;
    }
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
  auto made = calc::NewCalcHost(office.options);
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

void BM_LoggingTickIntoCalcStripChart(benchmark::State& state, bool batched,
                                      std::chrono::milliseconds pause) {
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
      if (batched) Must(host->BeginBatch());
      Must(Must(sheet->Range("A" + Row(count + 1), "B" + Row(count + 1)))
               ->SetValues({{Value{DateValue{0.5 + count / 86400.0}}, Value{1e-3 * count}}}));
      Must(Cell(*sheet, 4, 6)->SetValue(Value{1.0 * count}));
      Must(Cell(*sheet, 6, 6)->SetValue(Value{1.0 * count}));
      if (batched) Must(host->EndBatch());
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
    // Tick after tick, as fast as the office takes them, or with a pause between two as the
    // engine's interval gives: then the office's threads have gone to sleep and each call
    // pays their waking.
    std::vector<double> ticks;
    for (auto _ : state) {
      if (pause.count() > 0) std::this_thread::sleep_for(pause);
      const auto start = std::chrono::steady_clock::now();
      tick();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      state.SetIterationTime(took.count());
      ticks.push_back(took.count() * 1e3);
    }
    state.SetItemsProcessed(state.iterations());
    std::sort(ticks.begin(), ticks.end());
    if (!ticks.empty()) {
      state.counters["median_ms"] = ticks[ticks.size() / 2];
      state.counters["p95_ms"] = ticks[ticks.size() * 95 / 100];
    }
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK_CAPTURE(BM_LoggingTickIntoCalcStripChart, Batched, true, std::chrono::milliseconds(0))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_LoggingTickIntoCalcStripChart, CallByCall, false, std::chrono::milliseconds(0))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_LoggingTickIntoCalcStripChart, BatchedEvery10ms, true,
                  std::chrono::milliseconds(10))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_LoggingTickIntoCalcStripChart, CallByCallEvery10ms, false,
                  std::chrono::milliseconds(10))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_CalcRoundTrip(benchmark::State& state) {
  const ApplicationPtr host = NewHost(state);
  if (!host) return;
  try {
    const WorksheetPtr sheet = FirstSheetOfNewWorkbook(*host);
    const RangePtr cell = Cell(*sheet, 1, 1);
    Must(cell->SetValue(Value{std::string("Time")}));
    for (auto _ : state) benchmark::DoNotOptimize(Must(cell->Value()));
    state.SetItemsProcessed(state.iterations());
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK(BM_CalcRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

// At each iteration `write` into the first sheet of a new document of a new host; making
// the host and letting it go (its documents with it) are not timed.
template <typename Write>
void IntoNewDocuments(benchmark::State& state, Write write) {
  for (auto _ : state) {
    state.PauseTiming();
    ApplicationPtr host = NewHost(state);
    if (!host) return;
    state.ResumeTiming();
    write(*FirstSheetOfNewWorkbook(*host));
    state.PauseTiming();
    host.reset();
    state.ResumeTiming();
  }
}

void BM_AddCalcWorkbook(benchmark::State& state) {
  try {
    IntoNewDocuments(state, [](Worksheet&) {});
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK(BM_AddCalcWorkbook)->Unit(benchmark::kMillisecond)->UseRealTime();

// The results grid of a scan as the scanner window holds it: the header, then per pass its
// time and the readings as texts (one in overload); column 0 holds the row numbers.
vx::scanner::ResultsGrid Results(int rows, int columns) {
  vx::scanner::ResultsGrid grid;
  grid.SetRows(rows + 1);
  grid.SetColumns(columns + 1);
  grid.SetCell(0, 1, "Time");
  for (int c = 2; c <= columns; ++c) grid.SetCell(0, c, "CH" + Row(c - 1) + "(DCV)");
  for (int r = 1; r <= rows; ++r) {
    grid.SetCell(r, 0, Row(r));
    grid.SetCell(r, 1, "14:" + Row(r / 60 % 60) + ":" + Row(r % 60));
    for (int c = 2; c <= columns; ++c) {
      grid.SetCell(r, c, r == 1 && c == 7 ? std::string("OVLD") : "+5.0" + Row(c) + "E-01");
    }
  }
  return grid;
}

// The rows written one cell per call, the header too, each header cell made bold and
// centred on its own.
void WriteCellByCell(Worksheet& sheet, const vx::scanner::ResultsGrid& grid) {
  for (int r = 0; r < grid.Rows(); ++r) {
    for (int c = 1; c < grid.Columns(); ++c) {
      const RangePtr cell = Cell(sheet, r + 1, c);
      Must(cell->SetValue(Value{grid.Cell(r, c)}));
      if (r > 0) continue;
      Must(Must(cell->Font())->SetBold(true));
      Must(cell->SetVerticalAlignment(xlCenter));
    }
  }
  const std::string last = vx::scanner::ColumnLetter(grid.Columns() - 1);
  Must(Must(Must(sheet.Range("A1", last + "1"))->EntireColumn())->AutoFit());
}

void BM_ScanExportIntoCalc(benchmark::State& state, bool blocks) {
  const int rows = static_cast<int>(state.range(0));
  constexpr int kColumns = 21;
  const vx::scanner::ResultsGrid grid = Results(rows, kColumns);
  try {
    IntoNewDocuments(state, [&](Worksheet& sheet) {
      if (blocks) {
        Must(vx::scanner::WriteResults(sheet, grid));
      } else {
        WriteCellByCell(sheet, grid);
      }
    });
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["cells"] = rows * kColumns;
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK_CAPTURE(BM_ScanExportIntoCalc, Blocks, true)
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
    auto host = calc::NewCalcHost(options);
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
