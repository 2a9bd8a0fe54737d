#include "visa/backends/posix_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace vx::visa::posix {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) Reset(other.Release());
  return *this;
}

int UniqueFd::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::Reset(int fd) {
  // close() is not retried on EINTR: on Linux the descriptor is released either way.
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

Deadline::Deadline(ViUInt32 timeoutMs) : infinite_(timeoutMs == VI_TMO_INFINITE) {
  if (!infinite_) end_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

int Deadline::RemainingMs() const {
  if (infinite_) return -1;
  const auto left = end_ - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

WaitResult WaitFor(int fd, short events, const Deadline& deadline, short* revents) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int waitMs = deadline.RemainingMs();
    const int ready = ::poll(&entry, 1, waitMs);
    if (ready > 0) {
      if (revents) *revents = entry.revents;
      return WaitResult::Ready;
    }
    if (ready == 0) {
      // A wait capped at INT_MAX milliseconds is not the end of a longer time-out.
      if (waitMs != 0 && !deadline.Infinite() && !deadline.Passed()) continue;
      if (revents) *revents = 0;
      return WaitResult::TimedOut;
    }
    if (errno != EINTR) return WaitResult::Failed;
  }
}

std::string ErrnoText(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text, which may or may not be in `buffer`.
  const char* text = ::strerror_r(error, buffer, sizeof buffer);
  return text ? std::string(text) : "error " + std::to_string(error);
}

}  // namespace vx::visa::posix
