// TCPIP<n>::host::port::SOCKET resources: a raw TCP stream whose messages end with the
// termination character (a line feed unless the session says otherwise).
//
// This is the path of LAN meters and of the meter simulator, which the tests and the
// benchmark drive at tens of thousands of queries a second, so the read path avoids
// allocations and needless system calls: the socket stays non-blocking, a read first
// serves what the receive buffer holds, then tries recv and waits in poll only when recv
// would block.

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "visa/backends.h"
#include "visa/backends/backend_base.h"
#include "visa/backends/posix_io.h"

namespace vx::visa {
namespace {

using posix::Deadline;
using posix::ErrnoText;
using posix::UniqueFd;
using posix::WaitFor;
using posix::WaitResult;

// The connection time-out when the caller gives none.
constexpr ViUInt32 kDefaultConnectTimeoutMs = 5000;
// Bytes taken from the socket at a time; what follows a message's end waits here for the
// next Read.
constexpr size_t kReceiveBufferSize = 64 * 1024;
constexpr auto kSpinBeforeSleep = std::chrono::microseconds(100);

class TcpSocketSession final : public Session {
 public:
  TcpSocketSession(UniqueFd socket, std::string peer)
      : socket_(std::move(socket)), peer_(std::move(peer)), buffer_(kReceiveBufferSize) {}

  // A raw socket has no END indication: a write made with send-END ends with the line feed.
  bool NeedsTermCharForEnd() const override { return true; }

  ViStatus Write(const char* data, size_t length, size_t& written) override {
    written = 0;
    // Once the instrument has hung up, a command could only vanish into a dead connection.
    if (peerClosed_) {
      return Fail(VI_ERROR_CONN_LOST, "the instrument at " + peer_ + " closed the connection");
    }
    std::optional<Deadline> deadline;
    while (written < length) {
      const ssize_t sent =
          ::send(socket_.Get(), data + written, length - written, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent > 0) {
        written += static_cast<size_t>(sent);
        continue;
      }
      const int error = sent < 0 ? errno : EAGAIN;
      if (error == EINTR) continue;
      if (error != EAGAIN && error != EWOULDBLOCK) return LostOrFailed(error, "send to");
      if (!deadline) deadline.emplace(timeoutMs_);
      const WaitResult wait = WaitFor(socket_.Get(), POLLOUT, *deadline);
      if (wait == WaitResult::TimedOut) {
        return Fail(VI_ERROR_TMO, "the instrument at " + peer_ + " took no data for " +
                                      TimeoutText() + " (" + std::to_string(written) + " of " +
                                      std::to_string(length) + " bytes sent)");
      }
      if (wait == WaitResult::Failed)
        return Fail(VI_ERROR_SYSTEM_ERROR, "poll: " + ErrnoText(errno));
    }
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus Read(char* out, size_t capacity, size_t& received) override {
    received = 0;
    if (capacity == 0) return VI_SUCCESS_MAX_CNT;
    std::optional<Deadline> deadline;
    for (;;) {
      if (begin_ < end_) {
        const size_t available = end_ - begin_;
        const size_t room = capacity - received;
        const size_t span = available < room ? available : room;
        const char* start = buffer_.data() + begin_;
        const void* term = std::memchr(start, static_cast<unsigned char>(termChar_), span);
        if (term) {
          const size_t n = static_cast<size_t>(static_cast<const char*>(term) - start) + 1;
          std::memcpy(out + received, start, n);
          received += n;
          begin_ += n;
          messageBytes_ = 0;
          ClearDetail();
          return VI_SUCCESS;
        }
        std::memcpy(out + received, start, span);
        received += span;
        begin_ += span;
      }
      if (received == capacity) {
        messageBytes_ += received;
        ClearDetail();
        return VI_SUCCESS_MAX_CNT;
      }
      // The buffer is empty from here on.
      begin_ = end_ = 0;
      if (peerClosed_) {
        return Fail(VI_ERROR_CONN_LOST, "the instrument at " + peer_ + " closed the connection");
      }
      const ssize_t got = ::recv(socket_.Get(), buffer_.data(), buffer_.size(), MSG_DONTWAIT);
      if (got > 0) {
        end_ = static_cast<size_t>(got);
        continue;
      }
      if (got == 0) {
        peerClosed_ = true;
        continue;
      }
      const int error = errno;
      if (error == EINTR) continue;
      if (error != EAGAIN && error != EWOULDBLOCK) return LostOrFailed(error, "receive from");
      if (!deadline) {
        deadline.emplace(timeoutMs_);
        // An instrument on the same machine answers within microseconds, faster than a
        // sleeping thread is woken: look again for a short while before sleeping in poll.
        if (SpinForData()) continue;
      }
      const WaitResult wait = WaitFor(socket_.Get(), POLLIN, *deadline);
      if (wait == WaitResult::TimedOut) {
        // Bytes that earlier reads took of the same message count too: after ten megabytes
        // without a line feed, "no answer" would be wrong.
        const size_t came = messageBytes_ + received;
        messageBytes_ = 0;
        if (came == 0) {
          return Fail(VI_ERROR_TMO,
                      "no answer from the instrument at " + peer_ + " within " + TimeoutText());
        }
        return Fail(VI_ERROR_TMO, "the answer of the instrument at " + peer_ +
                                      " did not end within " + TimeoutText() + " (" +
                                      std::to_string(came) +
                                      " bytes came without the termination character)");
      }
      if (wait == WaitResult::Failed)
        return Fail(VI_ERROR_SYSTEM_ERROR, "poll: " + ErrnoText(errno));
    }
  }

  ViStatus Clear() override {
    // A socket has no device clear: drop what has arrived and what the socket holds, without
    // waiting for more.
    begin_ = end_ = 0;
    messageBytes_ = 0;
    while (!peerClosed_) {
      const ssize_t got = ::recv(socket_.Get(), buffer_.data(), buffer_.size(), MSG_DONTWAIT);
      if (got > 0) continue;
      if (got == 0) {
        peerClosed_ = true;
        break;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      return LostOrFailed(errno, "clear the connection to");
    }
    if (peerClosed_) {
      return Fail(VI_ERROR_CONN_LOST, "the instrument at " + peer_ + " closed the connection");
    }
    ClearDetail();
    return VI_SUCCESS;
  }

 private:
  ViStatus LostOrFailed(int error, const char* action) {
    const std::string text = std::string("could not ") + action + " the instrument at " + peer_ +
                             ": " + ErrnoText(error);
    switch (error) {
      case ECONNRESET:
      case EPIPE:
      case ENOTCONN:
      case ETIMEDOUT:
      case EHOSTUNREACH:
      case ENETUNREACH:
      case ENETDOWN:
      case ECONNABORTED:
        return Fail(VI_ERROR_CONN_LOST, text);
      default:
        return Fail(VI_ERROR_IO, text);
    }
  }

  // Polls the socket without sleeping for at most kSpinBeforeSleep; true when data (or the
  // end of the connection) arrived meanwhile.
  bool SpinForData() {
    const auto until = std::chrono::steady_clock::now() + kSpinBeforeSleep;
    do {
      pollfd ready{socket_.Get(), POLLIN, 0};
      if (::poll(&ready, 1, 0) > 0) return true;
    } while (std::chrono::steady_clock::now() < until);
    return false;
  }

  std::string TimeoutText() const {
    return timeoutMs_ == VI_TMO_INFINITE ? std::string("the time-out")
                                         : std::to_string(timeoutMs_) + " ms";
  }

  UniqueFd socket_;
  std::string peer_;
  std::vector<char> buffer_;
  size_t begin_ = 0;  // unread bytes are buffer_[begin_, end_)
  size_t end_ = 0;
  size_t messageBytes_ = 0;  // bytes of the current message that earlier reads returned
  bool peerClosed_ = false;
};

class TcpSocketBackend final : public GuardedDiagnosticBackend {
 public:
  std::string_view Name() const override { return "TCP socket"; }

  ViStatus Find(const MatchExpression& /*expression*/,
                std::vector<std::string>& /*found*/) override {
    // A socket resource cannot be discovered: it exists once someone names it.
    return VI_SUCCESS;
  }

  bool Claims(const ResourceName& name, std::string_view /*text*/) const override {
    return name.interfaceType == InterfaceType::Tcpip &&
           name.resourceClass == ResourceClass::Socket;
  }

  ViStatus Open(const ResourceName& name, std::string_view /*text*/, ViUInt32 timeoutMs,
                std::unique_ptr<Session>& session) override {
    const std::string peer = name.host + ":" + std::to_string(name.port);
    UniqueFd socket;
    const ViStatus status = Connect(
        name.host, name.port, timeoutMs == 0 ? kDefaultConnectTimeoutMs : timeoutMs, peer, socket);
    if (status != VI_SUCCESS) return status;
    session = std::make_unique<TcpSocketSession>(std::move(socket), peer);
    session->SetTimeout(timeoutMs);
    SetDiagnostic({});
    return VI_SUCCESS;
  }

 private:
  ViStatus Connect(const std::string& host, std::uint16_t port, ViUInt32 timeoutMs,
                   const std::string& peer, UniqueFd& connected) {
    if (host.empty()) return Failure(VI_ERROR_RSRC_NFOUND, "the resource names no host");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const int lookup =
        ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses);
    if (lookup != 0) {
      const std::string reason =
          lookup == EAI_SYSTEM ? ErrnoText(errno) : std::string(::gai_strerror(lookup));
      return Failure(VI_ERROR_RSRC_NFOUND, "unknown host \"" + host + "\": " + reason);
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(addresses, &::freeaddrinfo);

    const Deadline deadline(timeoutMs);
    std::string reason = "no address";
    for (const addrinfo* a = addresses; a; a = a->ai_next) {
      UniqueFd fd(
          ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
      if (!fd.Valid()) {
        reason = "socket: " + ErrnoText(errno);
        continue;
      }
      int error = 0;
      if (::connect(fd.Get(), a->ai_addr, a->ai_addrlen) != 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
          const WaitResult wait = WaitFor(fd.Get(), POLLOUT, deadline);
          if (wait == WaitResult::TimedOut) {
            return Failure(VI_ERROR_RSRC_NFOUND, "no connection to " + peer + " within " +
                                                     std::to_string(timeoutMs) + " ms");
          }
          socklen_t length = sizeof error;
          if (wait == WaitResult::Failed) {
            error = errno;
          } else if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
          }
        }
      }
      if (error != 0) {
        reason = ErrnoText(error);
        continue;
      }
      // Queries are small and answered one at a time: send each at once.
      const int one = 1;
      ::setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      connected = std::move(fd);
      return VI_SUCCESS;
    }
    return Failure(VI_ERROR_RSRC_NFOUND, "could not connect to " + peer + ": " + reason);
  }
};

}  // namespace

std::unique_ptr<Backend> MakeTcpSocketBackend() {
  return std::make_unique<TcpSocketBackend>();
}

}  // namespace vx::visa
