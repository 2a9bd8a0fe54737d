#include "sim/output_queue.h"

#include <algorithm>
#include <cstring>

namespace vx::sim {

void OutputQueue::Push(std::string_view bytes, TimePoint readyAt, bool endOfMessage, int tag) {
  // Reclaim the space of answers already read before the buffer grows further.
  if (head_ > 0 && (Empty() || head_ >= 64)) {
    const std::size_t consumed = messages_[head_ - 1].end;
    bytes_.erase(0, consumed);
    for (std::size_t i = head_; i < messages_.size(); ++i) messages_[i].end -= consumed;
    messages_.erase(messages_.begin(), messages_.begin() + static_cast<std::ptrdiff_t>(head_));
    readPos_ -= consumed;
    head_ = 0;
  }
  bytes_.append(bytes);
  messages_.push_back(Message{bytes_.size(), readyAt, endOfMessage, tag});
}

bool OutputQueue::HasTag(int tag) const {
  for (std::size_t i = head_; i < messages_.size(); ++i) {
    if (messages_[i].tag == tag) return true;
  }
  return false;
}

OutputQueue::Copied OutputQueue::CopyFront(char* buffer, std::size_t capacity) {
  Copied copied;
  if (Empty()) return copied;
  const Message& front = messages_[head_];
  const std::size_t available = front.end - readPos_;
  copied.count = std::min(available, capacity);
  if (copied.count > 0) std::memcpy(buffer, bytes_.data() + readPos_, copied.count);
  readPos_ += copied.count;
  if (readPos_ == front.end) {
    copied.messageFinished = true;
    copied.endOfMessage = front.endOfMessage;
    DropFront();
  }
  return copied;
}

std::optional<OutputMessage> OutputQueue::PopFront() {
  if (Empty()) return std::nullopt;
  const Message& front = messages_[head_];
  OutputMessage message;
  message.bytes.assign(bytes_, readPos_, front.end - readPos_);
  message.readyAt = front.readyAt;
  message.endOfMessage = front.endOfMessage;
  readPos_ = front.end;
  DropFront();
  return message;
}

void OutputQueue::DropFront() {
  ++head_;
  if (Empty()) {
    bytes_.clear();
    messages_.clear();
    head_ = 0;
    readPos_ = 0;
  }
}

void OutputQueue::Clear() {
  bytes_.clear();
  messages_.clear();
  head_ = 0;
  readPos_ = 0;
}

}  // namespace vx::sim
