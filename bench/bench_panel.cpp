// Speed of the front panel: one reading tick and one redraw of the traces.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <string>

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

// A whole tick of the front panel reading four meters in multi-device mode, with or without
// logging each meter into its own record file.
void PanelTickFourMeters(benchmark::State& state, bool logging) {
  char folder[] = "/tmp/vxbench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::create_directories(std::string(folder) + "/DB");
  std::filesystem::current_path(folder);
  {
    SimulatedVisa visa(FourMeters());
    vx::ScriptedPrompter prompter;
    vx::panel::PanelWindow panel(prompter, "en_US", visa.Clock());
    panel.Open();
    vx::config::ReadingModeSettings settings;
    settings.multiDevice = 1;
    if (logging) {
      settings.saveFlag = {1, 1, 1, 1};
      settings.recordNumber = {1, 2, 3, 4};
    }
    panel.ApplyReadingMode(settings);
    panel.StartReading();
    for (auto _ : state) panel.Tick();
    panel.StopReading();
    state.SetItemsProcessed(state.iterations());
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

void BM_PanelTickFourMeters(benchmark::State& state) {
  PanelTickFourMeters(state, false);
}
BENCHMARK(BM_PanelTickFourMeters)->Unit(benchmark::kMicrosecond);

void BM_PanelTickFourMetersLogging(benchmark::State& state) {
  PanelTickFourMeters(state, true);
}
BENCHMARK(BM_PanelTickFourMetersLogging)->Unit(benchmark::kMicrosecond);

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
