// Speed of the front panel: one reading tick and one redraw of the traces.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "common/scripted_prompter.h"
#include "instrument/device_table.h"
#include "panel/panel_window.h"
#include "panel/reading_loop.h"
#include "panel/trace_display.h"
#include "simulated_visa.h"

namespace {

using vx::test::SimulatedVisa;

std::vector<vx::sim::MeterConfig> FourMeters() {
  std::vector<vx::sim::MeterConfig> meters;
  for (int address = 1; address <= 4; ++address) {
    auto meter = SimulatedVisa::GpibMeter(address);
    meter.noise = 2e-6;
    meters.push_back(meter);
  }
  return meters;
}

// The reading tick of four meters in multi-device mode: four "read?" exchanges, parsing,
// classification, history and logging hand-off.
void BM_ReadingTickFourMeters(benchmark::State& state) {
  SimulatedVisa visa(FourMeters());
  vx::instrument::DeviceTable table;
  table.ScanMeters(vx::instrument::kPanelScan);
  vx::panel::ReadingLoop loop;
  loop.SetListedMeters(table.MeterCount());
  loop.SetMultiDevice(true);
  const auto query = [&table](int device, std::string_view command) {
    return table.SendQuery(device, command);
  };
  double sum = 0;
  const auto log = [&sum](int, double value) { sum += value; };
  for (auto _ : state) benchmark::DoNotOptimize(loop.Tick(query, log));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadingTickFourMeters)->Unit(benchmark::kMicrosecond);

// A whole tick of the front panel window reading one meter: the exchange, the reading label
// and, every second tick at 100 dots, the redraw of the trace.
void BM_PanelTickOneMeter(benchmark::State& state) {
  SimulatedVisa visa({SimulatedVisa::UsbMeter("TW1")});
  vx::ScriptedPrompter prompter;
  vx::panel::PanelWindow panel(prompter, "en_US");
  panel.Open();
  panel.StartReading();
  for (auto _ : state) panel.Tick();
  panel.StopReading();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PanelTickOneMeter)->Unit(benchmark::kMicrosecond);

// Drawing four traces of 2000 samples each on the display's off-screen picture.
void BM_RedrawFourTracesOf2000Samples(benchmark::State& state) {
  vx::panel::TraceDisplay display;
  display.resize(640, 400);
  std::vector<std::vector<vx::panel::LogicalPoint>> points(4);
  for (int device = 0; device < 4; ++device) {
    for (int k = 0; k < 2000; ++k) {
      points[static_cast<size_t>(device)].push_back(
          {static_cast<double>(k), 300.0 * std::sin(k * 0.01 + device)});
    }
  }
  const QColor colours[] = {Qt::blue, Qt::green, Qt::red, Qt::black};
  std::vector<vx::panel::TraceDisplay::Trace> traces;
  for (int device = 0; device < 4; ++device) {
    traces.push_back({&points[static_cast<size_t>(device)], colours[device]});
  }
  for (auto _ : state) display.Draw(traces, 2000);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RedrawFourTracesOf2000Samples)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
