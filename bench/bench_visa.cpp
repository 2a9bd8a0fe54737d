// Speed of the instrument link: the query primitive on the in-process simulator, a line of
// queries answered as one message, a query round trip over TCP to k9sim (from C++, and from PyVISA
// over libvxvisa and over pyvisa-py, on the same k9sim), and the meter scan.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
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

// A line of three queries answered as one message, on the in-process simulator.
void BM_CompoundQueryOnSimulator(benchmark::State& state) {
  SimulatedVisa visa({SimulatedVisa::UsbMeter("TW1")});
  vx::instrument::DeviceTable table;
  table.ScanMeters(vx::instrument::kPanelScan);
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.SendLongQuery(0, "*idn?;func?;read?\n",
                                                 vx::instrument::LongAnswerForm::KeepLineFeeds));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompoundQueryOnSimulator);

// k9sim on a port the system chooses, serving the meters of share/sim/default.ini; the
// socket resource of its first meter.
std::optional<std::string> StartK9sim(std::optional<vx::test::BackgroundProcess>& server) {
  server.emplace(std::vector<std::string>{std::string(VX_BIN_DIR) + "/k9sim", "--base-port", "0",
                                          std::string(VX_SOURCE_DIR) + "/share/sim/default.ini"});
  const auto line = server->ReadLine(std::chrono::seconds(10));
  std::smatch match;
  if (!line || !std::regex_search(*line, match, std::regex("TCPIP0::\\S+::SOCKET"))) {
    return std::nullopt;
  }
  return match.str();
}

void BM_QueryOverTcpToK9sim(benchmark::State& state) {
  std::optional<vx::test::BackgroundProcess> server;
  const auto socket = StartK9sim(server);
  if (!socket) {
    state.SkipWithError("k9sim did not start");
    return;
  }
  const std::string resource = *socket;
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
  server->Stop(SIGTERM);
}
BENCHMARK(BM_QueryOverTcpToK9sim)->UseRealTime();

// PyVISA's query("read?") to one meter behind k9sim, through the VISA library `backend`: a
// Python worker makes the queries in batches that this side asks for through a FIFO.
void PyvisaQueries(benchmark::State& state, const std::string& backend) {
  constexpr int kBatch = 100;
  std::optional<vx::test::BackgroundProcess> server;
  const auto socket = StartK9sim(server);
  if (!socket) {
    state.SkipWithError("k9sim did not start");
    return;
  }
  char folder[] = "/tmp/bench_visa_XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string fifo = std::string(folder) + "/batches";
  mkfifo(fifo.c_str(), 0600);
  vx::test::BackgroundProcess worker({"/usr/bin/python3",
                                      std::string(VX_SOURCE_DIR) + "/bench/pyvisa_worker.py",
                                      backend, *socket, fifo});
  const auto ready = worker.ReadLine(std::chrono::seconds(30));
  if (ready != "ready") {
    state.SkipWithError(ready ? ready->c_str() : "the PyVISA worker did not start");
  } else {
    const int batches = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    const std::string order = std::to_string(kBatch) + "\n";
    for (auto _ : state) {
      if (::write(batches, order.data(), order.size()) != static_cast<ssize_t>(order.size()) ||
          worker.ReadLine(std::chrono::seconds(30)) != "done") {
        state.SkipWithError("the PyVISA worker stopped");
        break;
      }
    }
    ::close(batches);
    state.SetItemsProcessed(state.iterations() * kBatch);
  }
  worker.Stop(SIGTERM);
  server->Stop(SIGTERM);
  std::remove(fifo.c_str());
  ::rmdir(folder);
}

void BM_PyvisaQueryOverLibvxvisa(benchmark::State& state) {
  // The library reaches sockets only: no simulated, hardware or vendor backends to ask.
  setenv("VX_VISA_NATIVE", "0", 1);
  setenv("VX_VISA_LIBRARY", "", 1);
  unsetenv("VX_VISA_SIM");
  PyvisaQueries(state, std::string(VX_BIN_DIR) + "/libvxvisa.so");
}
BENCHMARK(BM_PyvisaQueryOverLibvxvisa)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_PyvisaQueryOverPyvisaPy(benchmark::State& state) {
  PyvisaQueries(state, "@py");
}
BENCHMARK(BM_PyvisaQueryOverPyvisaPy)->UseRealTime()->Unit(benchmark::kMicrosecond);

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
