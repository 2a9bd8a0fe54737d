// Speed of the logging engine: one reading tick on the in-process simulator (and the bare
// exchange with the meter it contains), saving a logged workbook of 100,000 rows with its
// strip chart as vxlink saves it, and how late the readings come while such a save runs.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "addin/logging_engine.h"
#include "addin/quorvel_application.h"
#include "automation/host/memory_application.h"
#include "common/scripted_prompter.h"
#include "linkhost/logging_workbook.h"
#include "simulated_visa.h"

namespace {

using namespace vx;

// A logging run on a simulated meter into an in-memory workbook, ready to tick.
class LoggingRun {
 public:
  LoggingRun() : visa_({test::SimulatedVisa::GpibMeter(22)}) {
    addin::ThreadLoggingState() = addin::LoggingState{};
    state_ =
        std::filesystem::temp_directory_path() / ("vx_bench_addin_" + std::to_string(getpid()));
    std::shared_ptr<automation::Unknown> object(
        automation::host::NewMemoryHost(automation::host::HostKind::Spreadsheet, state_));
    host_ = automation::QueryInterface<automation::Application>(object);
    linkhost::EnsureToolbar(host_);
    workbook_ = *linkhost::BuildLoggingWorkbook(
        host_, [](const std::string& k) { return k; }, 50, false);
    engine_ =
        std::make_unique<addin::Application>(std::make_unique<ScriptedPrompter>(), visa_.Clock());
    engine_->SetApp(host_);
    engine_->SetSheet(workbook_.sheet);
    engine_->FindDevice();
    engine_->GetIDN(0);
    engine_->put_wkSesn(engine_->get_m_IDNSesn());
    engine_->SetBegin(1);
    std::int16_t kind = 2;
    bool inSheet = false;
    engine_->AddChart(kind, inSheet);
    std::int32_t interval = 100;
    engine_->StartTimer(interval);
  }
  ~LoggingRun() {
    engine_.reset();
    addin::ThreadLoggingState() = addin::LoggingState{};
    std::filesystem::remove(state_);
  }
  void Tick() { addin::LoggingEngine(addin::ThreadLoggingState()).RunTick(); }
  ViSession Session() { return engine_->get_wkSesn(); }
  const linkhost::LoggingWorkbook& Workbook() const { return workbook_; }

 private:
  test::SimulatedVisa visa_;
  std::string state_;
  automation::ApplicationPtr host_;
  linkhost::LoggingWorkbook workbook_;
  std::unique_ptr<addin::Application> engine_;
};

void BM_ReadingTick(benchmark::State& state) {
  LoggingRun run;
  for (auto _ : state) run.Tick();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadingTick);

// The meter's own share of a tick: "read?" written and its answer read.
void BM_MeterReadExchange(benchmark::State& state) {
  LoggingRun run;
  char buffer[256];
  ViUInt32 count = 0;
  for (auto _ : state) {
    viWrite(run.Session(), reinterpret_cast<ViConstBuf>("read?"), 5, &count);
    viRead(run.Session(), reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeterReadExchange);

void BM_SaveLoggedWorkbookOf100000RowsWithStripChart(benchmark::State& state) {
  LoggingRun run;
  for (int i = 0; i < 100000; ++i) run.Tick();
  const std::string path = std::filesystem::temp_directory_path() /
                           ("vx_bench_log_" + std::to_string(getpid()) + ".xlsx");
  for (auto _ : state) {
    linkhost::FitColumns(run.Workbook().sheet);
    const automation::Status saved = run.Workbook().book->SaveAs(path);
    if (!saved) state.SkipWithError(saved.error().description.c_str());
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_SaveLoggedWorkbookOf100000RowsWithStripChart)->Unit(benchmark::kMillisecond);

// How late a reading comes while vxlink saves a log of 100,000 rows: ticks are due every
// 5 ms from the moment the save is begun until the file is written; the time of an
// iteration is the latest any of them started (the save's own hold on the thread included).
void BM_TickLatenessDuringSaveOf100000Rows(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kInterval = std::chrono::milliseconds(5);
  LoggingRun run;
  for (int i = 0; i < 100000; ++i) run.Tick();
  const std::string path = std::filesystem::temp_directory_path() /
                           ("vx_bench_log_" + std::to_string(getpid()) + ".xlsx");
  std::int64_t ticks = 0;
  for (auto _ : state) {
    const Clock::time_point begun = Clock::now();
    auto pending = run.Workbook().book->SaveCopyAsInBackground(path);
    if (!pending) {
      state.SkipWithError(pending.error().description.c_str());
      break;
    }
    Clock::duration latest{};
    for (Clock::time_point due = begun; !(*pending)->Done(); due += kInterval) {
      while (Clock::now() < due) {
      }
      latest = std::max(latest, Clock::now() - due);
      run.Tick();
      ++ticks;
    }
    if (const automation::Status saved = (*pending)->Wait(); !saved) {
      state.SkipWithError(saved.error().description.c_str());
    }
    state.SetIterationTime(std::chrono::duration<double>(latest).count());
  }
  std::filesystem::remove(path);
  state.counters["ticks_during_saves"] = static_cast<double>(ticks);
}
BENCHMARK(BM_TickLatenessDuringSaveOf100000Rows)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
