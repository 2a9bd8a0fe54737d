// The TCP socket backend against a scripted server on 127.0.0.1 in a thread of the test.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "loopback_listener.h"
#include "visa/backends.h"

namespace vx::visa {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Accepts one connection and runs `script` on it in its own thread.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<void(int)> script) : script_(std::move(script)) {
    listener_ = test::ListenOnLoopback(port_, 1);
    if (listener_ < 0) ADD_FAILURE() << "cannot set up the test server";
    thread_ = std::thread([this] {
      const int connection = ::accept(listener_, nullptr, nullptr);
      if (connection < 0) return;
      // A script that waits for the client never waits longer than this.
      timeval limit{5, 0};
      ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      script_(connection);
      ::close(connection);
    });
  }
  ~ScriptedServer() {
    // Unblocks an accept that never got a connection.
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }

  std::string Descriptor() const {
    return "TCPIP0::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
  }

 private:
  std::function<void(int)> script_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (::recv(fd, &c, 1, 0) == 1) {
    line += c;
    if (c == '\n') break;
  }
  return line;
}

void Send(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent <= 0) return;
    data.remove_prefix(static_cast<size_t>(sent));
  }
}

class TcpSocketBackendTest : public ::testing::Test {
 protected:
  std::unique_ptr<Session> Open(const std::string& descriptor, ViUInt32 timeoutMs = 2000) {
    const auto name = ParseResourceName(descriptor);
    EXPECT_TRUE(name.has_value()) << descriptor;
    std::unique_ptr<Session> session;
    const ViStatus status = backend_->Open(*name, descriptor, timeoutMs, session);
    EXPECT_EQ(status, VI_SUCCESS) << backend_->Diagnostic();
    return session;
  }

  static ViStatus Write(Session& session, std::string_view text) {
    size_t written = 0;
    const ViStatus status = session.Write(text.data(), text.size(), written);
    EXPECT_EQ(written, status == VI_SUCCESS ? text.size() : written);
    return status;
  }

  // Reads once into a buffer of `capacity` bytes.
  static std::pair<ViStatus, std::string> Read(Session& session, size_t capacity = 256) {
    std::string buffer(capacity, '\xEE');
    size_t received = 0;
    const ViStatus status = session.Read(buffer.data(), capacity, received);
    EXPECT_LE(received, capacity);
    buffer.resize(received);
    return {status, buffer};
  }

  std::unique_ptr<Backend> backend_ = MakeTcpSocketBackend();
};

TEST_F(TcpSocketBackendTest, ClaimsSocketResourcesOnlyAndDiscoversNothing) {
  EXPECT_TRUE(backend_->Claims(*ParseResourceName("TCPIP0::10.0.0.2::5025::SOCKET"), ""));
  EXPECT_FALSE(backend_->Claims(*ParseResourceName("TCPIP0::10.0.0.2::inst0::INSTR"), ""));
  EXPECT_FALSE(backend_->Claims(*ParseResourceName("USB0::0x1F3A::0x0C21::X::INSTR"), ""));
  std::vector<std::string> found;
  EXPECT_EQ(backend_->Find(*MatchExpression::Compile("?*"), found), VI_SUCCESS);
  EXPECT_TRUE(found.empty());
}

TEST_F(TcpSocketBackendTest, QueryRoundTrips) {
  ScriptedServer server([](int fd) {
    for (int i = 0; i < 3; ++i) {
      const std::string command = ReadLine(fd);
      Send(fd, command == "*IDN?\n" ? "MAKER,MODEL,SN1,1.0\n" : "?\n");
    }
  });
  auto session = Open(server.Descriptor());
  ASSERT_TRUE(session);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(Write(*session, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("MAKER,MODEL,SN1,1.0\n")));
  }
}

TEST_F(TcpSocketBackendTest, MessageFramingFollowsTheLineFeedNotTheSegments) {
  ScriptedServer server([](int fd) {
    ReadLine(fd);
    // One answer in three segments, then two answers in one segment.
    Send(fd, "+1.2");
    std::this_thread::sleep_for(20ms);
    Send(fd, "345E");
    std::this_thread::sleep_for(20ms);
    Send(fd, "+00\n");
    ReadLine(fd);
    Send(fd, "FIRST\nSECOND\n");
  });
  auto session = Open(server.Descriptor());
  ASSERT_TRUE(session);
  Write(*session, "read?\n");
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("+1.2345E+00\n")));
  Write(*session, "two?\n");
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("FIRST\n")));
  // The second answer is already here: it must not wait for the socket.
  session->SetTimeout(0);
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("SECOND\n")));
}

TEST_F(TcpSocketBackendTest, FullBufferEndsWithSuccessOnlyWhenTheMessageEndedInIt) {
  const std::string exact = std::string(1023, 'x') + "\n";
  const std::string longer = std::string(1500, 'y') + "\n";
  ScriptedServer server([&](int fd) {
    ReadLine(fd);
    Send(fd, exact);
    ReadLine(fd);
    Send(fd, longer);
  });
  auto session = Open(server.Descriptor());
  ASSERT_TRUE(session);
  Write(*session, "a?\n");
  EXPECT_EQ(Read(*session, 1024), std::make_pair(VI_SUCCESS, exact));

  Write(*session, "b?\n");
  auto [first, part1] = Read(*session, 1024);
  EXPECT_EQ(first, VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(part1, longer.substr(0, 1024));
  auto [second, part2] = Read(*session, 1024);
  EXPECT_EQ(second, VI_SUCCESS);
  EXPECT_EQ(part2, longer.substr(1024));
}

TEST_F(TcpSocketBackendTest, UnterminatedAnswerTimesOutWithThePartialCount) {
  ScriptedServer server([](int fd) {
    ReadLine(fd);
    Send(fd, "+1.25");
    ReadLine(fd);  // holds the connection open until the client has gone
  });
  auto session = Open(server.Descriptor(), 50);
  ASSERT_TRUE(session);
  Write(*session, "read?\n");
  const auto start = Clock::now();
  const auto [status, data] = Read(*session);
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(status, VI_ERROR_TMO);
  EXPECT_EQ(data, "+1.25");
  EXPECT_FALSE(session->Detail().empty());
  EXPECT_GE(elapsed, 45ms);
  EXPECT_LT(elapsed, 1s);
}

TEST_F(TcpSocketBackendTest, BinaryAnswersKeepTheirNulBytes) {
  const std::string answer("#16\0\x01\xFF\0ab\n", 10);
  ScriptedServer server([&](int fd) {
    ReadLine(fd);
    Send(fd, answer);
  });
  auto session = Open(server.Descriptor());
  ASSERT_TRUE(session);
  Write(*session, "data?\n");
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, answer));
}

TEST_F(TcpSocketBackendTest, PeerClosingDeliversWhatCameThenReportsTheLostConnection) {
  ScriptedServer server([](int fd) {
    ReadLine(fd);
    Send(fd, "LAST\nPARTIAL");
  });
  auto session = Open(server.Descriptor());
  ASSERT_TRUE(session);
  Write(*session, "bye?\n");
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("LAST\n")));
  EXPECT_EQ(Read(*session), std::make_pair(VI_ERROR_CONN_LOST, std::string("PARTIAL")));
  EXPECT_NE(session->Detail().find("closed"), std::string::npos) << session->Detail();
  EXPECT_EQ(Read(*session), std::make_pair(VI_ERROR_CONN_LOST, std::string()));
  // Writing to the closed connection fails (and does not kill the process with SIGPIPE).
  ViStatus status = VI_SUCCESS;
  for (int i = 0; i < 100 && status == VI_SUCCESS; ++i) {
    status = Write(*session, "more\n");
    if (status == VI_SUCCESS) std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(status, VI_ERROR_CONN_LOST);
}

TEST_F(TcpSocketBackendTest, WriteGivesUpAfterTheTimeOutWhenThePeerStopsReading) {
  std::atomic<bool> done{false};
  ScriptedServer server([&done](int) {
    // Reads nothing until the client has given up.
    for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(10ms);
  });
  auto session = Open(server.Descriptor(), 100);
  ASSERT_TRUE(session);
  const std::string flood(64 * 1024 * 1024, 'z');
  size_t written = 0;
  const auto start = Clock::now();
  EXPECT_EQ(session->Write(flood.data(), flood.size(), written), VI_ERROR_TMO);
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, flood.size());
  done = true;
}

TEST_F(TcpSocketBackendTest, ClearDropsBufferedAndPendingInput) {
  ScriptedServer server([](int fd) {
    ReadLine(fd);
    Send(fd, "OLD\nSTALE\nSTALER");
    ReadLine(fd);
    Send(fd, "NEW\n");
  });
  auto session = Open(server.Descriptor());
  ASSERT_TRUE(session);
  Write(*session, "first?\n");
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("OLD\n")));
  EXPECT_EQ(session->Clear(), VI_SUCCESS);
  Write(*session, "second?\n");
  EXPECT_EQ(Read(*session), std::make_pair(VI_SUCCESS, std::string("NEW\n")));
}

TEST_F(TcpSocketBackendTest, UnreachableInstrumentsAreNotFoundWithTheReason) {
  // A port that was just free: nobody listens there.
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ::close(probe);
  const std::string refused =
      "TCPIP0::127.0.0.1::" + std::to_string(ntohs(address.sin_port)) + "::SOCKET";

  std::unique_ptr<Session> session;
  EXPECT_EQ(backend_->Open(*ParseResourceName(refused), refused, 2000, session),
            VI_ERROR_RSRC_NFOUND);
  EXPECT_FALSE(session);
  EXPECT_NE(backend_->Diagnostic().find(std::strerror(ECONNREFUSED)), std::string::npos)
      << backend_->Diagnostic();

  const std::string unknown = "TCPIP0::no-such-host.invalid::5025::SOCKET";
  EXPECT_EQ(backend_->Open(*ParseResourceName(unknown), unknown, 2000, session),
            VI_ERROR_RSRC_NFOUND);
  EXPECT_NE(backend_->Diagnostic().find("no-such-host.invalid"), std::string::npos)
      << backend_->Diagnostic();
}

}  // namespace
}  // namespace vx::visa
