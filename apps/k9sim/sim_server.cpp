#include "sim_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/clock.h"

namespace vx::k9sim {
namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(50);
constexpr auto kSpinBeforeSleep = std::chrono::microseconds(100);

int OpenListener(std::uint16_t port, std::uint16_t& bound, std::string& error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  bound = ntohs(address.sin_port);
  return fd;
}

bool SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string SimServer::Endpoint::SocketResource() const {
  return "TCPIP0::127.0.0.1::" + std::to_string(port) + "::SOCKET";
}

SimServer::~SimServer() {
  StopAll();
  for (const int fd : listeners_) close(fd);
}

bool SimServer::Listen(const std::vector<sim::MeterConfig>& meters, std::uint16_t basePort,
                       std::string& error) {
  for (size_t i = 0; i < meters.size(); ++i) {
    const unsigned wanted = basePort == 0 ? 0u : basePort + static_cast<unsigned>(i);
    if (wanted > 65535) {
      error = "port " + std::to_string(wanted) + " is beyond 65535";
      return false;
    }
    std::uint16_t bound = 0;
    const int fd = OpenListener(static_cast<std::uint16_t>(wanted), bound, error);
    if (fd < 0) return false;
    listeners_.push_back(fd);
    endpoints_.push_back(Endpoint{meters[i].descriptor, bound});
    meters_.push_back(std::make_shared<sim::SimulatedMeter>(meters[i], RealClock()));
  }
  return true;
}

void SimServer::Run(int stopFd) {
  std::vector<pollfd> fds;
  fds.push_back(pollfd{stopFd, POLLIN, 0});
  for (const int fd : listeners_) fds.push_back(pollfd{fd, POLLIN, 0});
  while (true) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0 && HandleControl(stopFd)) break;
    for (size_t i = 1; i < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      const int connection = accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      const int yes = 1;
      setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
      timeval idle{0, static_cast<suseconds_t>(kIdlePoll.count() * 1000)};
      setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
      ReapFinishedWorkers();
      auto done = std::make_shared<std::atomic<bool>>(false);
      std::lock_guard lock(connectionsMutex_);
      connections_.push_back(connection);
      workers_.push_back(
          Worker{std::thread(&SimServer::Serve, this, connection, meters_[i - 1], done), done});
    }
  }
  StopAll();
}

bool SimServer::HandleControl(int controlFd) {
  char commands[64];
  const ssize_t n = read(controlFd, commands, sizeof commands);
  if (n <= 0) return true;  // the controlling side is gone: stop
  bool stop = false;
  for (ssize_t i = 0; i < n; ++i) {
    if (commands[i] == kFireTrigger) {
      for (const auto& meter : meters_) meter->FireExternalTrigger();
    } else {
      stop = true;
    }
  }
  return stop;
}

void SimServer::StopAll() {
  stopping_ = true;
  {
    // Wakes the connection threads out of their receive calls.
    std::lock_guard lock(connectionsMutex_);
    for (const int fd : connections_) shutdown(fd, SHUT_RDWR);
  }
  for (Worker& worker : workers_) {
    if (worker.thread.joinable()) worker.thread.join();
  }
  workers_.clear();
}

// Joins the threads of connections that have ended, so a long-running server does not
// collect them.
void SimServer::ReapFinishedWorkers() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (*it->done) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

// Sends every answer the meter has, each when it is due (late answers wait on the clock).
bool SimServer::SendOutputs(int connection, sim::SimulatedMeter& meter) {
  while (auto message = meter.PopOutput()) {
    while (!stopping_ && std::chrono::steady_clock::now() < message->readyAt) {
      const auto wait = std::min<std::chrono::steady_clock::duration>(
          message->readyAt - std::chrono::steady_clock::now(), kIdlePoll);
      std::this_thread::sleep_for(wait);
    }
    if (stopping_ || !SendAll(connection, message->bytes)) return false;
  }
  return true;
}

void SimServer::Serve(int connection, std::shared_ptr<sim::SimulatedMeter> meter,
                      std::shared_ptr<std::atomic<bool>> done) {
  char buffer[4096];
  while (!stopping_) {
    const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
    if (n == 0) break;  // the client closed the connection
    if (n < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
      // Idle: answers that became due meanwhile (a trigger, a late answer) still go out.
      if (!SendOutputs(connection, *meter)) break;
      continue;
    }
    // A meter that lost its connection closes the socket, as an unplugged one would.
    if (!meter->Write(std::string_view(buffer, static_cast<size_t>(n)))) break;
    if (!SendOutputs(connection, *meter)) break;
    // A client on this machine sends its next command within microseconds, sooner than a
    // sleeping thread is woken: look for it for a short while before sleeping in recv.
    const auto until = std::chrono::steady_clock::now() + kSpinBeforeSleep;
    while (std::chrono::steady_clock::now() < until) {
      pollfd ready{connection, POLLIN, 0};
      if (poll(&ready, 1, 0) > 0) break;
    }
  }
  std::lock_guard lock(connectionsMutex_);
  connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                     connections_.end());
  close(connection);
  *done = true;
}

}  // namespace vx::k9sim
