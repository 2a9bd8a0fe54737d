// Whole answers read block by block, and the bounds that stop an answer without end: its
// size, its time in all, and a read that brings nothing.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "simulated_visa.h"
#include "visa/read_message.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx::visa {
namespace {

using namespace std::chrono_literals;
using test::SimulatedVisa;

std::string Desc(ViObject object, ViStatus status) {
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(object, status, text);
  return text;
}

class SimulatedMessageTest : public ::testing::Test {
 protected:
  SimulatedMessageTest() {
    auto overlong = SimulatedVisa::UsbMeter("LONG");
    overlong.fault.kind = sim::FaultKind::Overlong;
    overlong.fault.overlongBytes = 5000;
    overlong.fault.onlyFor = "READ?";
    auto unterminated = SimulatedVisa::GpibMeter(5);
    unterminated.fault.kind = sim::FaultKind::Unterminated;
    unterminated.fault.onlyFor = "READ?";
    visa_ = std::make_unique<SimulatedVisa>(std::vector<sim::MeterConfig>{overlong, unterminated});
    viOpenDefaultRM(&rm_);
    viOpen(rm_, "USB0::0x1F3A::0x0C21::LONG::INSTR", VI_NO_LOCK, 0, &long_);
    viOpen(rm_, "GPIB0::5::INSTR", VI_NO_LOCK, 0, &unterminated_);
  }
  ~SimulatedMessageTest() override { viClose(rm_); }

  std::unique_ptr<SimulatedVisa> visa_;
  ViSession rm_ = VI_NULL;
  ViSession long_ = VI_NULL;
  ViSession unterminated_ = VI_NULL;
};

TEST_F(SimulatedMessageTest, ReadsBlocksUntilTheMessageEnds) {
  viPrintf(long_, "read?\n");
  std::string answer;
  int blocks = 0;
  EXPECT_EQ(ReadMessage(long_, 1024,
                        [&](std::string_view block) {
                          ++blocks;
                          answer += block;
                        }),
            VI_SUCCESS);
  EXPECT_EQ(answer.size(), 5001u);
  EXPECT_EQ(blocks, 5);
  // A message of exactly one block takes one read ("TOLVEX,W9-90/1,LONG,Q7110 1.05\n").
  viPrintf(long_, "*IDN?\n");
  blocks = 0;
  EXPECT_EQ(ReadMessage(long_, 31, [&](std::string_view) { ++blocks; }), VI_SUCCESS);
  EXPECT_EQ(blocks, 1);
}

TEST_F(SimulatedMessageTest, StopsAtTheSizeBoundAndSaysSo) {
  viPrintf(long_, "read?\n");
  std::string answer;
  EXPECT_EQ(ReadMessage(long_, 1024, answer, 3000), VI_ERROR_IO);
  EXPECT_EQ(answer.size(), 3000u);
  EXPECT_NE(Desc(long_, VI_ERROR_IO).find("did not end within 3000 bytes"), std::string::npos)
      << Desc(long_, VI_ERROR_IO);
}

TEST_F(SimulatedMessageTest, AnAnswerThatStopsWithoutItsEndTimesOutOnce) {
  viSetAttribute(unterminated_, VI_ATTR_TMO_VALUE, 500);
  viPrintf(unterminated_, "read?\n");
  std::string answer;
  const auto before = visa_->Clock().Steady();
  EXPECT_EQ(ReadMessage(unterminated_, 8, answer), VI_ERROR_TMO);
  EXPECT_EQ(answer, "+1.23456700E+00");
  EXPECT_EQ(visa_->Clock().Steady() - before, 500ms);
}

// A server on 127.0.0.1 that answers its first command with bytes and never a line feed.
class StreamingServer {
 public:
  enum class Pace { AsFastAsItCan, OneKilobytePer20Ms, TwoKilobytesThenSilence };

  explicit StreamingServer(Pace pace) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "cannot set up the test server";
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, pace] { Serve(pace); });
  }
  ~StreamingServer() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  std::string Resource() const {
    return "TCPIP0::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
  }

 private:
  void Serve(Pace pace) {
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    char command[64];
    if (::recv(connection, command, sizeof command, 0) > 0) {
      const std::string chunk(1024, 'x');
      int sent = 0;
      while (!stop_) {
        if (pace == Pace::TwoKilobytesThenSilence && sent == 2) {
          std::this_thread::sleep_for(10ms);
          continue;
        }
        if (::send(connection, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0) break;
        ++sent;
        if (pace == Pace::OneKilobytePer20Ms) std::this_thread::sleep_for(20ms);
      }
    }
    ::close(connection);
  }

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class StreamTest : public ::testing::Test {
 protected:
  StreamTest() {
    VisaConfig config;  // the real clock: these bounds are in real time
    config.vendorLibrary.clear();
    config.hardwareBackends = false;
    EXPECT_EQ(ConfigureVisa(config), VI_SUCCESS);
    viOpenDefaultRM(&rm_);
  }
  ~StreamTest() override { viClose(rm_); }

  ViSession Query(const StreamingServer& server, ViUInt32 timeoutMs) {
    ViSession session = VI_NULL;
    EXPECT_EQ(viOpen(rm_, server.Resource().c_str(), VI_NO_LOCK, 0, &session), VI_SUCCESS);
    viSetAttribute(session, VI_ATTR_TMO_VALUE, timeoutMs);
    viPrintf(session, "read?\n");
    return session;
  }

  ViSession rm_ = VI_NULL;
};

TEST_F(StreamTest, AnEndlessAnswerStopsAt64MiB) {
  StreamingServer server(StreamingServer::Pace::AsFastAsItCan);
  const ViSession session = Query(server, 1000);
  size_t total = 0;
  EXPECT_EQ(ReadMessage(session, 4096, [&total](std::string_view block) { total += block.size(); }),
            VI_ERROR_IO);
  EXPECT_EQ(total, kMaxMessageBytes);
  EXPECT_NE(Desc(session, VI_ERROR_IO).find("did not end within 64 MiB"), std::string::npos)
      << Desc(session, VI_ERROR_IO);
}

TEST_F(StreamTest, ASlowAnswerStopsAtTenTimesTheTimeOut) {
  StreamingServer server(StreamingServer::Pace::OneKilobytePer20Ms);
  const ViSession session = Query(server, 100);
  std::string answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadMessage(session, 1024, answer), VI_ERROR_TMO);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 1000ms);
  EXPECT_LT(took, 3000ms);
  EXPECT_GT(answer.size(), 10'000u);
  EXPECT_NE(Desc(session, VI_ERROR_TMO).find("10 times the time-out of 100 ms"), std::string::npos)
      << Desc(session, VI_ERROR_TMO);
}

TEST_F(StreamTest, AnAnswerThatStallsStopsAfterOneTimeOutWithoutProgress) {
  StreamingServer server(StreamingServer::Pace::TwoKilobytesThenSilence);
  const ViSession session = Query(server, 300);
  std::string answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadMessage(session, 512, answer), VI_ERROR_TMO);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 300ms);
  EXPECT_LT(took, 2000ms);
  EXPECT_EQ(answer.size(), 2048u);
  // The words count every byte of the message, not only the last read's.
  EXPECT_NE(Desc(session, VI_ERROR_TMO).find("2048 bytes came without"), std::string::npos)
      << Desc(session, VI_ERROR_TMO);
}

}  // namespace
}  // namespace vx::visa
