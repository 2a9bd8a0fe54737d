// The query primitives against instruments that misbehave on the wire: one that streams an
// answer without end, and a GPIB meter that is no longer on the bus.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "instrument/device_table.h"
#include "loopback_listener.h"
#include "simulated_visa.h"
#include "visa/read_message.h"
#include "visa/visa_config.h"

namespace vx::instrument {
namespace {

using namespace std::chrono_literals;

// A meter on 127.0.0.1 that identifies itself and answers "read?" with digits for ever.
class StreamingMeter {
 public:
  StreamingMeter() {
    listener_ = test::ListenOnLoopback(port_);
    if (listener_ < 0) ADD_FAILURE() << "cannot set up the streaming meter";
    thread_ = std::thread([this] { Serve(); });
  }
  ~StreamingMeter() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  std::string Resource() const {
    return "TCPIP0::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
  }

 private:
  void Serve() {
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    std::string line;
    const std::string digits(4096, '7');
    bool streaming = false;
    while (!stop_) {
      pollfd ready{connection, POLLIN, 0};
      const int waiting = ::poll(&ready, 1, streaming ? 0 : 20);
      if (waiting > 0) {
        char buffer[256];
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = line.find('\n')) != std::string::npos; line.erase(0, end + 1)) {
          const std::string command = line.substr(0, end);
          if (command == "*IDN?") {
            const std::string identity = "TOLVEX,W9-90/1,STREAM,Q7110 1.05\n";
            ::send(connection, identity.data(), identity.size(), MSG_NOSIGNAL);
          } else if (command == "read?") {
            streaming = true;
          }
        }
      }
      if (streaming &&
          ::send(connection, digits.data(), digits.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
          errno != EAGAIN) {
        break;
      }
    }
    ::close(connection);
  }

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class StreamingMeterTest : public ::testing::Test {
 protected:
  StreamingMeterTest() {
    visa::VisaConfig config;  // the real clock: the bounds are in real time here
    config.vendorLibrary.clear();
    config.hardwareBackends = false;
    config.aliases = {{"USB0::0x1F3A::0x0C21::STREAM::INSTR", meter_.Resource()}};
    EXPECT_EQ(visa::ConfigureVisa(config), VI_SUCCESS);
  }
  ~StreamingMeterTest() override {
    visa::VisaConfig none;
    none.vendorLibrary.clear();
    none.hardwareBackends = false;
    visa::ConfigureVisa(none);
  }

  StreamingMeter meter_;
};

TEST_F(StreamingMeterTest, SendQueryStopsDrainingAnEndlessAnswerAtItsBound) {
  DeviceTable table;
  ASSERT_EQ(table.ScanMeters(kPanelScan), std::vector<std::string>{"W9-90/1-USBTMC-STREAM"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(table.SendQuery(0, "read?\n"), std::string(60, '7'));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);  // the session time-out is 20 s
  EXPECT_EQ(table.LastStatus(0), VI_ERROR_IO);
}

TEST_F(StreamingMeterTest, SendLongQueryKeepsAtMostTheBoundOfAnEndlessAnswer) {
  DeviceTable table;
  ASSERT_EQ(table.ScanMeters(kScannerScan).size(), 1u);
  const std::string answer = table.SendLongQuery(0, "read?\n", LongAnswerForm::RemoveLineFeeds);
  EXPECT_EQ(answer.size(), visa::kMaxMessageBytes);
  EXPECT_EQ(table.LastStatus(0), VI_ERROR_IO);
}

TEST(GpibMeterOffTheBus, SendQueryDoesNotWaitForAnAnswerNoOneWillGive) {
  auto meter = test::SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.lostAfterCommands = 2;
  test::SimulatedVisa visa({meter});
  DeviceTable table;
  table.ScanMeters(kPanelScan);
  ASSERT_EQ(table.MeterCount(), 1);
  EXPECT_FALSE(table.ConnectionChanged());
  const auto before = visa.Clock().Steady();
  EXPECT_EQ(table.SendQuery(0, "read?\n"), "");
  EXPECT_EQ(table.SendLongQuery(0, "read?\n", LongAnswerForm::KeepLineFeeds), "");
  EXPECT_EQ(visa.Clock().Steady(), before);  // no 20 s time-out was waited
  EXPECT_EQ(table.LastStatus(0), VI_ERROR_NLISTENERS);
  EXPECT_TRUE(table.ConnectionChanged());
}

}  // namespace
}  // namespace vx::instrument
