// Speed of the instrument link: the query primitive on the in-process simulator, a query
// round trip over TCP to k9sim, and the meter scan.

#include <benchmark/benchmark.h>
#include <signal.h>

#include <regex>

#include "instrument/device_table.h"
#include "process.h"
#include "simulated_visa.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace {

using vx::test::SimulatedVisa;

void BM_SendQueryReadOnSimulator(benchmark::State& state) {
  SimulatedVisa visa({SimulatedVisa::UsbMeter("TW1")});
  vx::instrument::DeviceTable table;
  table.ScanMeters(vx::instrument::kPanelScan);
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.SendQuery(0, "read?\n"));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendQueryReadOnSimulator);

void BM_QueryOverTcpToK9sim(benchmark::State& state) {
  vx::test::BackgroundProcess server({std::string(VX_BIN_DIR) + "/k9sim", "--base-port", "0",
                                      std::string(VX_SOURCE_DIR) + "/share/sim/default.ini"});
  const auto line = server.ReadLine(std::chrono::seconds(10));
  std::smatch match;
  if (!line || !std::regex_search(*line, match, std::regex("TCPIP0::\\S+::SOCKET"))) {
    state.SkipWithError("k9sim did not start");
    return;
  }
  const std::string resource = match.str();
  vx::visa::VisaConfig config;
  config.vendorLibrary.clear();
  config.hardwareBackends = false;
  vx::visa::ConfigureVisa(config);
  ViSession rm = VI_NULL;
  ViSession session = VI_NULL;
  viOpenDefaultRM(&rm);
  if (viOpen(rm, resource.c_str(), VI_NO_LOCK, 0, &session) < VI_SUCCESS) {
    state.SkipWithError("cannot open the socket resource");
    viClose(rm);
    return;
  }
  unsigned char buffer[64];
  for (auto _ : state) {
    ViUInt32 count = 0;
    viPrintf(session, "%s", "read?\n");
    viRead(session, buffer, sizeof buffer, &count);
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations());
  viClose(rm);
  server.Stop(SIGTERM);
}
BENCHMARK(BM_QueryOverTcpToK9sim)->UseRealTime();

void BM_ScanOfSevenSimulatedResources(benchmark::State& state) {
  std::vector<vx::sim::MeterConfig> resources;
  for (int address = 1; address <= 4; ++address) {
    resources.push_back(SimulatedVisa::GpibMeter(address));
  }
  for (int address = 5; address <= 7; ++address) {
    resources.push_back(SimulatedVisa::OtherInstrument(
        "GPIB0::" + std::to_string(address) + "::INSTR", "ACME,SOURCE,1,1"));
  }
  SimulatedVisa visa(resources);
  vx::instrument::DeviceTable table;
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.ScanMeters(vx::instrument::kPanelScan));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScanOfSevenSimulatedResources)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
