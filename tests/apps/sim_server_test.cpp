// k9sim's server in the test's own process: its connection limit and a thread that cannot be
// started, neither of which may cost the other clients their meter.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "line_reader.h"
#include "sim_server.h"

namespace vx::k9sim {
namespace {

using namespace std::chrono_literals;

sim::MeterConfig Meter() {
  sim::MeterConfig config;
  config.descriptor = "GPIB0::22::INSTR";
  config.identity = "TOLVEX,W9-90/1,TW22,Q7110 1.05";
  config.noise = 0;
  return config;
}

// A raw TCP client of one port.
class Client {
 public:
  explicit Client(std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { ::close(fd_); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool Connected() const { return connected_; }
  void Send(const std::string& line) {
    ASSERT_EQ(::send(fd_, line.data(), line.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(line.size()));
  }
  // The next line, "<closed>" when the server closed the connection, "" when nothing came.
  std::string Line(std::chrono::milliseconds timeout = 2000ms) {
    std::string line;
    switch (test::NextLine(fd_, pending_, timeout, line)) {
      case test::LineWait::Line:
        return line;
      case test::LineWait::Silence:
        return "";
      case test::LineWait::Closed:
        return "<closed>";
    }
    return "";
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  std::string pending_;
};

class SimServerTest : public ::testing::Test {
 protected:
  void Start(SimServer::ThreadStarter starter = {}) {
    server_ = std::make_unique<SimServer>(
        [this](const std::string& line) {
          std::lock_guard lock(logMutex_);
          log_.push_back(line);
        },
        std::move(starter));
    std::string error;
    ASSERT_TRUE(server_->Listen({Meter()}, 0, error)) << error;
    ASSERT_EQ(::pipe2(control_, O_CLOEXEC), 0);
    runner_ = std::thread([this] { server_->Run(control_[0]); });
  }
  void TearDown() override {
    if (runner_.joinable()) {
      const char stop = SimServer::kStop;
      ASSERT_EQ(::write(control_[1], &stop, 1), 1);
      runner_.join();
      ::close(control_[0]);
      ::close(control_[1]);
    }
  }
  std::uint16_t Port() const { return server_->Endpoints().front().port; }
  std::vector<std::string> Log() {
    std::lock_guard lock(logMutex_);
    return log_;
  }
  bool Logged(const std::string& text) {
    for (const std::string& line : Log()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::unique_ptr<SimServer> server_;
  int control_[2] = {-1, -1};
  std::thread runner_;
  std::mutex logMutex_;
  std::vector<std::string> log_;
};

TEST_F(SimServerTest, APortRefusesConnectionsBeyondItsLimitAndTakesNewOnesLater) {
  Start();
  std::vector<std::unique_ptr<Client>> clients;
  for (size_t i = 0; i < SimServer::kMaxConnectionsPerPort; ++i) {
    clients.push_back(std::make_unique<Client>(Port()));
    clients.back()->Send("*IDN?\n");
    ASSERT_EQ(clients.back()->Line(), Meter().identity) << i;
  }
  Client extra(Port());
  ASSERT_TRUE(extra.Connected());  // the kernel queued it; the server closes it
  EXPECT_EQ(extra.Line(), "<closed>");
  EXPECT_TRUE(Logged("already serves 32 connections")) << ::testing::PrintToString(Log());

  clients.pop_back();
  // The freed place is taken once the server noticed the end of that connection.
  bool served = false;
  for (int attempt = 0; attempt < 50 && !served; ++attempt) {
    Client next(Port());
    next.Send("func?\n");
    served = next.Line() == "\"VOLT\"";
    if (!served) std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(served);
  clients.front()->Send("*IDN?\n");
  EXPECT_EQ(clients.front()->Line(), Meter().identity);
}

TEST_F(SimServerTest, AThreadThatCannotStartCostsOnlyItsOwnConnection) {
  int started = 0;
  Start([&started](std::function<void()> body) {
    if (++started == 2) throw std::system_error(EAGAIN, std::generic_category(), "no thread");
    return std::thread(std::move(body));
  });
  Client first(Port());
  first.Send("*IDN?\n");
  EXPECT_EQ(first.Line(), Meter().identity);
  Client refused(Port());
  EXPECT_EQ(refused.Line(), "<closed>");
  EXPECT_TRUE(Logged("cannot serve a new connection")) << ::testing::PrintToString(Log());
  Client third(Port());
  third.Send("*IDN?\n");
  EXPECT_EQ(third.Line(), Meter().identity);
  first.Send("func?\n");
  EXPECT_EQ(first.Line(), "\"VOLT\"");
}

}  // namespace
}  // namespace vx::k9sim
