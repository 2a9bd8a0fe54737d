#pragma once
// Reading a peer's output line by line with a deadline: a program's standard output, or a
// server's answers on a socket.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace vx::test {

enum class LineWait { Line, Silence, Closed };

// Takes the next line, without its line feed, from `pending`, reading more of `fd` into it
// as needed. Silence when no whole line came within `timeout`, Closed at end of file.
inline LineWait NextLine(int fd, std::string& pending, std::chrono::milliseconds timeout,
                         std::string& line) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (const size_t end = pending.find('\n'); end != std::string::npos) {
      line = pending.substr(0, end);
      pending.erase(0, end + 1);
      return LineWait::Line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
      return LineWait::Silence;
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return LineWait::Closed;
    pending.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace vx::test
