#include "sim_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>

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
  // Quick bursts of connections must not overflow the queue: a dropped SYN costs the client
  // a second before it tries again.
  const int backlog = std::max(SimServer::kMinimumBacklog, SOMAXCONN);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, backlog) != 0) {
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

void ToStandardError(const std::string& line) {
  std::fprintf(stderr, "k9sim: %s\n", line.c_str());
}

std::thread StartThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

}  // namespace

std::string SimServer::Endpoint::SocketResource() const {
  return "TCPIP0::127.0.0.1::" + std::to_string(port) + "::SOCKET";
}

SimServer::SimServer(Log log, ThreadStarter starter)
    : log_(log ? std::move(log) : Log(ToStandardError)),
      starter_(starter ? std::move(starter) : ThreadStarter(StartThread)) {}

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

void SimServer::Run(int controlFd) {
  std::vector<pollfd> fds;
  fds.push_back(pollfd{controlFd, POLLIN, 0});
  for (const int fd : listeners_) fds.push_back(pollfd{fd, POLLIN, 0});
  while (true) {
    // While backing off, the listeners are left out of the poll: a pending connection would
    // keep them readable and the loop would spin.
    int timeoutMs = -1;
    const bool backingOff = std::chrono::steady_clock::now() < resumeAt_;
    if (backingOff) {
      timeoutMs = static_cast<int>(
          std::chrono::ceil<std::chrono::milliseconds>(resumeAt_ - std::chrono::steady_clock::now())
              .count());
    }
    for (size_t i = 1; i < fds.size(); ++i) fds[i].events = backingOff ? 0 : POLLIN;
    if (poll(fds.data(), fds.size(), timeoutMs) < 0) {
      if (errno == EINTR) continue;
      log_(std::string("poll: ") + std::strerror(errno));
      break;
    }
    if (fds[0].revents != 0 && HandleControl(controlFd)) break;
    for (size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents & POLLIN) Accept(i - 1);
    }
  }
  StopAll();
}

void SimServer::Accept(size_t port) {
  const int connection = accept4(listeners_[port], nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) {
    AcceptFailed(errno, port);
    return;
  }
  if (backoff_.count() != 0) {
    log_("port " + std::to_string(endpoints_[port].port) + ": accepting connections again");
    backoff_ = std::chrono::milliseconds(0);
  }
  ReapFinishedWorkers();
  const std::string where = "port " + std::to_string(endpoints_[port].port);
  if (ConnectionsOn(port) >= kMaxConnectionsPerPort) {
    log_(where + " already serves " + std::to_string(kMaxConnectionsPerPort) +
         " connections: refused one more");
    close(connection);
    return;
  }
  const int yes = 1;
  setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  timeval idle{0, static_cast<suseconds_t>(kIdlePoll.count() * 1000)};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
  {
    std::lock_guard lock(connectionsMutex_);
    connections_.push_back(connection);
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  try {
    std::shared_ptr<sim::MeterConnection> link = meters_[port]->Connect();
    std::thread thread = starter_([this, connection, done, link]() mutable {
      Serve(connection, std::move(link));
      *done = true;
    });
    workers_.push_back(Worker{std::move(thread), done, port});
  } catch (const std::exception& e) {
    {
      std::lock_guard lock(connectionsMutex_);
      connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                         connections_.end());
    }
    log_(where + ": cannot serve a new connection (" + e.what() + "): refused it");
    close(connection);
  }
}

void SimServer::AcceptFailed(int error, size_t port) {
  switch (error) {
    case EINTR:
    case EAGAIN:
    case ECONNABORTED:
    case EPROTO:
      return;  // that connection is gone; the next may come
    default:
      break;
  }
  // Out of file descriptors or memory: the connection stays queued and the listener readable.
  // Wait a little, longer each time, until a connection ends and frees what accept needs.
  // One line when it starts, and one when it ends, however long it lasts.
  if (backoff_.count() == 0) {
    log_("port " + std::to_string(endpoints_[port].port) + ": cannot accept a connection (" +
         std::strerror(error) + "): waiting for connections to end");
  }
  backoff_ = backoff_.count() == 0 ? kFirstBackoff : std::min(backoff_ * 2, kLongestBackoff);
  resumeAt_ = std::chrono::steady_clock::now() + backoff_;
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

size_t SimServer::ConnectionsOn(size_t port) const {
  return static_cast<size_t>(
      std::count_if(workers_.begin(), workers_.end(),
                    [port](const Worker& w) { return w.port == port && !*w.done; }));
}

size_t SimServer::OpenConnections() {
  std::lock_guard lock(connectionsMutex_);
  return connections_.size();
}

// Sends every answer the connection has, each when it is due (late answers wait on the clock).
bool SimServer::SendOutputs(int connection, sim::MeterConnection& link) {
  while (auto message = link.PopOutput()) {
    while (!stopping_ && std::chrono::steady_clock::now() < message->readyAt) {
      const auto wait = std::min<std::chrono::steady_clock::duration>(
          message->readyAt - std::chrono::steady_clock::now(), kIdlePoll);
      std::this_thread::sleep_for(wait);
    }
    if (stopping_ || !SendAll(connection, message->bytes)) return false;
  }
  return true;
}

void SimServer::Serve(int connection, std::shared_ptr<sim::MeterConnection> link) {
  // One connection's failure (even running out of memory) ends that connection only.
  try {
    if (link) ServeConnection(connection, *link);
  } catch (const std::exception& e) {
    log_(std::string("a connection failed: ") + e.what());
  } catch (...) {
    log_("a connection failed");
  }
  link.reset();  // what the client left unread goes with its connection
  std::lock_guard lock(connectionsMutex_);
  connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                     connections_.end());
  close(connection);
}

void SimServer::ServeConnection(int connection, sim::MeterConnection& link) {
  char buffer[4096];
  while (!stopping_) {
    const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
    if (n == 0) break;  // the client closed the connection
    if (n < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
      // Idle: answers that became due meanwhile (a trigger, a late answer) still go out.
      if (!SendOutputs(connection, link)) break;
      continue;
    }
    // A meter that lost its connection closes the socket, as an unplugged one would.
    // A stop ends even a long command line between two of its commands.
    if (!link.Write(std::string_view(buffer, static_cast<size_t>(n)), &stopping_)) break;
    if (!SendOutputs(connection, link)) break;
    // A client on this machine sends its next command within microseconds, sooner than a
    // sleeping thread is woken: look for it for a short while before sleeping in recv.
    const auto until = std::chrono::steady_clock::now() + kSpinBeforeSleep;
    while (std::chrono::steady_clock::now() < until) {
      pollfd ready{connection, POLLIN, 0};
      if (poll(&ready, 1, 0) > 0) break;
    }
  }
}

}  // namespace vx::k9sim
