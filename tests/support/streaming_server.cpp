#include "streaming_server.h"

#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace vx::test {

using namespace std::chrono_literals;

StreamingServer::StreamingServer(Pace pace) {
  listener_ = ListenOnLoopback(port_, 1);
  if (listener_ < 0) throw std::runtime_error("cannot set up the streaming server");
  thread_ = std::thread([this, pace] { Serve(pace); });
}

StreamingServer::~StreamingServer() {
  stop_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  if (const int connection = connection_.load(); connection >= 0) ::shutdown(connection, SHUT_RDWR);
  thread_.join();
  if (connection_ >= 0) ::close(connection_);
  ::close(listener_);
}

std::string StreamingServer::Resource() const {
  return "TCPIP0::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
}

void StreamingServer::Serve(Pace pace) {
  const int connection = ::accept(listener_, nullptr, nullptr);
  if (connection < 0) return;
  connection_ = connection;
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
}

}  // namespace vx::test
