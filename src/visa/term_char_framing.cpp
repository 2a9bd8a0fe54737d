#include "visa/term_char_framing.h"

#include <algorithm>
#include <cstring>

namespace vx::visa {
namespace {

// Bytes up to and including the first `term` among the first `count`, or 0 when there is none.
size_t ThroughTermChar(const char* data, size_t count, char term) {
  const void* found = std::memchr(data, static_cast<unsigned char>(term), count);
  return found ? static_cast<size_t>(static_cast<const char*>(found) - data) + 1 : 0;
}

}  // namespace

ViStatus TermCharFraming::Read(Session& session, char* buffer, size_t capacity, size_t& received,
                               bool termCharEnabled) {
  received = 0;
  const char term = session.TermChar();
  if (!held_.empty()) {
    size_t n = std::min(held_.size() - heldPos_, capacity);
    const size_t through = termCharEnabled ? ThroughTermChar(held_.data() + heldPos_, n, term) : 0;
    if (through > 0) n = through;
    std::memcpy(buffer, held_.data() + heldPos_, n);
    heldPos_ += n;
    received = n;
    const bool exhausted = heldPos_ == held_.size();
    if (exhausted) Drop();
    if (through > 0) return VI_SUCCESS_TERM_CHAR;
    if (!exhausted) return VI_SUCCESS_MAX_CNT;
    if (heldStatus_ != VI_SUCCESS_MAX_CNT) return heldStatus_;
    if (received == capacity) return VI_SUCCESS_MAX_CNT;
    // The message goes on at the transport: read on into the rest of the buffer.
  }
  size_t got = 0;
  ViStatus status = session.Read(buffer + received, capacity - received, got);
  if (termCharEnabled && got > 0) {
    const size_t through = ThroughTermChar(buffer + received, got, term);
    if (through > 0) {
      if (through < got) {
        held_.assign(buffer + received + through, got - through);
        heldPos_ = 0;
        heldStatus_ = status;
      }
      received += through;
      return VI_SUCCESS_TERM_CHAR;
    }
  }
  received += got;
  if (status == VI_SUCCESS_TERM_CHAR && !termCharEnabled) status = VI_SUCCESS;
  return status;
}

void TermCharFraming::Drop() {
  held_.clear();
  heldPos_ = 0;
}

}  // namespace vx::visa
