#pragma once
// A TCP instrument on 127.0.0.1 for tests that need answers no simulated meter gives: each
// line it receives goes to `answer`, and what that returns (when not empty) is sent back.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace vx::test {

class AnsweringServer {
 public:
  using Answer = std::function<std::string(const std::string& line)>;
  explicit AnsweringServer(Answer answer);
  ~AnsweringServer();
  AnsweringServer(const AnsweringServer&) = delete;
  AnsweringServer& operator=(const AnsweringServer&) = delete;

  std::string Descriptor() const;

 private:
  void Serve();

  Answer answer_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace vx::test
