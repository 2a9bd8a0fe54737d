#pragma once
// Serves simulated meters over TCP on the loopback address, one listening port per meter,
// so that any VISA client reaches them as TCPIP0::127.0.0.1::<port>::SOCKET resources.
// Each connection has its own thread; a meter's state is shared by its connections.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/meter_config.h"
#include "sim/simulated_meter.h"

namespace vx::k9sim {

class SimServer {
 public:
  struct Endpoint {
    std::string descriptor;  // the meter's own descriptor
    std::uint16_t port = 0;
    std::string SocketResource() const;
  };

  SimServer() = default;
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Opens the listening sockets: port `basePort` + i for meter i, or ports the system picks
  // when `basePort` is 0. Returns false with `error` set when a port cannot be opened.
  bool Listen(const std::vector<sim::MeterConfig>& meters, std::uint16_t basePort,
              std::string& error);
  const std::vector<Endpoint>& Endpoints() const { return endpoints_; }

  // Accepts connections until a stop byte arrives on `controlFd`, then closes every
  // connection and waits for their threads. A kFireTrigger byte fires the external trigger
  // input of every meter instead.
  void Run(int controlFd);
  static constexpr char kStop = 'S';
  static constexpr char kFireTrigger = 'T';

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void Serve(int connection, std::shared_ptr<sim::SimulatedMeter> meter,
             std::shared_ptr<std::atomic<bool>> done);
  void ReapFinishedWorkers();
  bool SendOutputs(int connection, sim::SimulatedMeter& meter);
  void StopAll();
  // Carries out the control bytes waiting on `controlFd`; true when the server must stop.
  bool HandleControl(int controlFd);

  std::vector<Endpoint> endpoints_;
  std::vector<int> listeners_;
  std::vector<std::shared_ptr<sim::SimulatedMeter>> meters_;
  std::atomic<bool> stopping_{false};
  std::mutex connectionsMutex_;
  std::vector<int> connections_;
  std::vector<Worker> workers_;
};

}  // namespace vx::k9sim
