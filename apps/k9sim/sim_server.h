#pragma once
// Serves simulated meters over TCP on the loopback address, one listening port per meter,
// so that any VISA client reaches them as TCPIP0::127.0.0.1::<port>::SOCKET resources.
//
// Each connection has its own thread and its own exchange with the meter (its input line and
// its answers); the meter's settings, readings, scan and trigger are shared by all of them.
// The server stays up whatever its clients do: a port takes at most kMaxConnectionsPerPort
// connections at a time and refuses the next by closing it, a failed accept (no file
// descriptor left) makes it back off instead of spinning, and a connection whose thread
// cannot start, or that fails, ends alone. Each refusal is reported by a line on the log.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
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
  static constexpr size_t kMaxConnectionsPerPort = 32;
  static constexpr int kMinimumBacklog = 128;
  // Back-off after a failed accept: doubles from the first to the longest.
  static constexpr auto kFirstBackoff = std::chrono::milliseconds(20);
  static constexpr auto kLongestBackoff = std::chrono::milliseconds(1000);

  struct Endpoint {
    std::string descriptor;  // the meter's own descriptor
    std::uint16_t port = 0;
    std::string SocketResource() const;
  };
  // Starts the thread that serves one connection; throws std::system_error as std::thread's
  // constructor does when no thread can be made.
  using ThreadStarter = std::function<std::thread(std::function<void()>)>;
  using Log = std::function<void(const std::string& line)>;

  // `log` receives one line per event worth telling (standard error by default).
  explicit SimServer(Log log = {}, ThreadStarter starter = {});
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

  // Connections being served now, on every port.
  size_t OpenConnections();

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
    size_t port = 0;  // index into endpoints_
  };

  void Accept(size_t port);
  // Backs off after a failure that would recur at once (no file descriptor left).
  void AcceptFailed(int error, size_t port);
  void Serve(int connection, std::shared_ptr<sim::MeterConnection> link);
  void ServeConnection(int connection, sim::MeterConnection& link);
  void ReapFinishedWorkers();
  size_t ConnectionsOn(size_t port) const;
  bool SendOutputs(int connection, sim::MeterConnection& link);
  void StopAll();
  // Carries out the control bytes waiting on `controlFd`; true when the server must stop.
  bool HandleControl(int controlFd);

  Log log_;
  ThreadStarter starter_;
  std::vector<Endpoint> endpoints_;
  std::vector<int> listeners_;
  std::vector<std::shared_ptr<sim::SimulatedMeter>> meters_;
  std::atomic<bool> stopping_{false};
  std::chrono::milliseconds backoff_{0};
  std::chrono::steady_clock::time_point resumeAt_;
  std::mutex connectionsMutex_;
  std::vector<int> connections_;
  std::vector<Worker> workers_;  // touched by Run's thread only
};

}  // namespace vx::k9sim
