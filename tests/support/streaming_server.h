#pragma once
// A server on 127.0.0.1, in a thread of the test, that answers the first command it gets with
// bytes and never a line feed: the instrument whose answer has no end.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace vx::test {

class StreamingServer {
 public:
  enum class Pace { AsFastAsItCan, OneKilobytePer20Ms, TwoKilobytesThenSilence };

  explicit StreamingServer(Pace pace);
  ~StreamingServer();
  StreamingServer(const StreamingServer&) = delete;
  StreamingServer& operator=(const StreamingServer&) = delete;

  std::string Resource() const;

 private:
  void Serve(Pace pace);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  // The accepted connection, shut down on destruction: a client that stopped reading leaves
  // the server blocked in send() otherwise.
  std::atomic<int> connection_{-1};
  std::thread thread_;
};

}  // namespace vx::test
