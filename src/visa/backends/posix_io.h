#pragma once
// Small POSIX helpers shared by the backends that talk to file descriptors: an owning
// descriptor, a deadline derived from a VISA time-out, waiting for readiness until that
// deadline, and errno texts.

#include <poll.h>

#include <chrono>
#include <string>

#include "visa/visa.h"

namespace vx::visa::posix {

// Owns a file descriptor and closes it once.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// The moment a VISA time-out (milliseconds from now, VI_TMO_INFINITE for never) runs out.
class Deadline {
 public:
  explicit Deadline(ViUInt32 timeoutMs);
  bool Infinite() const { return infinite_; }
  // Milliseconds left, rounded up so that a wait never ends just before the deadline;
  // -1 when infinite (poll's "for ever"), 0 once passed. Capped at what poll takes.
  int RemainingMs() const;
  bool Passed() const { return !infinite_ && std::chrono::steady_clock::now() >= end_; }

 private:
  bool infinite_ = false;
  std::chrono::steady_clock::time_point end_;
};

enum class WaitResult { Ready, TimedOut, Failed };

// Waits until `fd` signals one of `events` (POLLIN, POLLOUT) (or an error or hang-up) or the
// deadline passes. Interrupted waits are resumed with the time left. `revents` receives poll's
// result bits; on Failed errno says why.
WaitResult WaitFor(int fd, short events, const Deadline& deadline, short* revents = nullptr);

// strerror's text for `error`, safe to call from any thread.
std::string ErrnoText(int error);

}  // namespace vx::visa::posix
