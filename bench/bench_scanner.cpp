// Speed of the scanner's results: filling the grid from one long fetch answer, and exporting
// a full grid through the spreadsheet host into a saved workbook.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/c_number.h"
#include "scanner/results_fill.h"
#include "scanner/scan_export.h"

namespace {

using namespace vx::scanner;

constexpr int kRows = 2000;
constexpr int kChannels = 20;

PassLayout TwentyChannels(int readings) {
  PassLayout pass;
  pass.timing = RunTiming::StopAfterN;
  pass.channels = kChannels;
  pass.total = readings;
  pass.perPass = kChannels;
  for (int k = 0; k < kChannels; ++k) pass.active.push_back(k);
  pass.channelSettings.assign(kChannels, ChannelSetting{ScanFunction::Dcv});
  // Two current channels, so that the shunt arithmetic is part of the cost.
  pass.channelSettings[1] = {ScanFunction::Dci, 100, 0.001};
  pass.channelSettings[2] = {ScanFunction::Aci, 0.5, 0};
  pass.startTime = {2026, 12, 6, 14, 3, 27};
  return pass;
}

// A fetch answer as the card sends it: "%+.8E" readings, one in 97 an overload.
std::string FetchAnswer(int readings) {
  std::string answer;
  answer.reserve(static_cast<size_t>(readings) * 16);
  for (int i = 0; i < readings; ++i) {
    if (i > 0) answer += ',';
    answer +=
        i % 97 == 0 ? std::string("+9.90000000E+37") : vx::FormatC("%+.8E", 1.2345 + i * 1e-4);
  }
  return answer;
}

void BM_FillResultRowsOf20ChannelsFromOneFetchAnswer(benchmark::State& state) {
  const PassLayout pass = TwentyChannels(kRows * kChannels);
  const std::string answer = FetchAnswer(kRows * kChannels);
  for (auto _ : state) {
    ResultsGrid grid;
    GridState gridState;
    benchmark::DoNotOptimize(FillResults(grid, gridState, pass, answer));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel("2000 rows x 20 channels per iteration; items are rows");
}
BENCHMARK(BM_FillResultRowsOf20ChannelsFromOneFetchAnswer)->Unit(benchmark::kMillisecond);

void BM_ExportResultsOf2000RowsBy21ColumnsToSavedXlsx(benchmark::State& state) {
  ResultsGrid grid;
  GridState gridState;
  FillResults(grid, gridState, TwentyChannels(kRows * kChannels), FetchAnswer(kRows * kChannels));
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("vx_bench_scan_" + std::to_string(::getpid()) + ".xlsx"))
                               .string();
  for (auto _ : state) {
    const ExportResult result = ExportResults(grid, {ExportTarget::Kind::SaveAs, path});
    if (!result.Ok()) {
      state.SkipWithError(result.detail.c_str());
      break;
    }
  }
  std::error_code error;
  std::filesystem::remove(path, error);
  state.SetItemsProcessed(state.iterations() * kRows * (kChannels + 1));
  state.SetLabel("2000 rows x 21 columns per iteration; items are cells");
}
BENCHMARK(BM_ExportResultsOf2000RowsBy21ColumnsToSavedXlsx)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
