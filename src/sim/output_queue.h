#pragma once
// The meter's output buffer: answers in the order they were produced, each with the time it
// becomes readable and whether it carries an end of message. Unread answers stay until they
// are read, taken whole, or dropped by a device clear. The bytes of all answers share one
// buffer, so that steady "read?" traffic allocates nothing.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/simulated_meter.h"

namespace vx::sim {

class OutputQueue {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // `tag` marks an answer that the meter needs to recognise while it is unread (0: none).
  void Push(std::string_view bytes, TimePoint readyAt, bool endOfMessage, int tag = 0);
  // True when an unread answer carries `tag`.
  bool HasTag(int tag) const;

  bool Empty() const { return head_ == messages_.size(); }
  std::size_t PendingBytes() const { return bytes_.size() - readPos_; }
  // Ready time of the first unread answer (only when not Empty()).
  TimePoint FrontReadyAt() const { return messages_[head_].readyAt; }

  struct Copied {
    std::size_t count = 0;
    bool messageFinished = false;  // the first answer has been read to its last byte
    bool endOfMessage = false;     // ... and it carried an end of message
  };
  // Copies up to `capacity` bytes of the first answer (not beyond its end).
  Copied CopyFront(char* buffer, std::size_t capacity);

  // The rest of the first answer, removed from the queue.
  std::optional<OutputMessage> PopFront();

  void Clear();

 private:
  struct Message {
    std::size_t end;  // one past its last byte in bytes_
    TimePoint readyAt;
    bool endOfMessage;
    int tag;
  };
  void DropFront();

  std::string bytes_;
  std::vector<Message> messages_;
  std::size_t head_ = 0;     // first unread message
  std::size_t readPos_ = 0;  // next unread byte in bytes_
};

}  // namespace vx::sim
