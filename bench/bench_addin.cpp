// Speed of the logging engine: one reading tick on the in-process simulator (and the bare
// exchange with the meter it contains), and saving a logged workbook of 100,000 rows with
// its strip chart as vxlink saves it.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
