#pragma once
// A listening TCP socket on 127.0.0.1 on a port the system chooses, for the test servers
// that play instruments on the network.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace vx::test {

// The listening socket, with its port in `port`; -1 when it cannot be set up.
inline int ListenOnLoopback(std::uint16_t& port, int backlog = 4) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, backlog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) ::close(listener);
    return -1;
  }
  port = ntohs(address.sin_port);
  return listener;
}

}  // namespace vx::test
