#include "answering_server.h"

#include "loopback_listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vx::test {

AnsweringServer::AnsweringServer(Answer answer) : answer_(std::move(answer)) {
  listener_ = ListenOnLoopback(port_);
  thread_ = std::thread([this] { Serve(); });
}

AnsweringServer::~AnsweringServer() {
  stopping_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  thread_.join();
  ::close(listener_);
}

std::string AnsweringServer::Descriptor() const {
  return "TCPIP0::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
}

void AnsweringServer::Serve() {
  while (!stopping_) {
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    std::string line;
    char c = 0;
    while (!stopping_) {
      pollfd ready{connection, POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      if (::recv(connection, &c, 1, 0) != 1) break;
      if (c != '\n') {
        line += c;
        continue;
      }
      const std::string reply = answer_(line);
      line.clear();
      if (!reply.empty()) ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
    }
    ::close(connection);
  }
}

}  // namespace vx::test
