#pragma once
// Reads as VI_ATTR_TERMCHAR_EN makes them end. With it on, a read stops after the first
// termination character and returns VI_SUCCESS_TERM_CHAR, whatever the transport delivered
// in one go: the bytes beyond it wait for the next read, which ends as that transfer did.
// With it off, a read ends where the transport ends a message (VI_SUCCESS); a transport that
// reports VI_SUCCESS_TERM_CHAR for that end (a vendor library ending socket reads at the line
// feed) gives VI_SUCCESS too, so that callers testing for status 0 see the same on every
// transport.

#include <cstddef>
#include <string>

#include "visa/backend.h"

namespace vx::visa {

class TermCharFraming {
 public:
  ViStatus Read(Session& session, char* buffer, size_t capacity, size_t& received,
                bool termCharEnabled);
  // A device clear: what was held back is dropped with the rest of the pending input.
  void Drop();

 private:
  std::string held_;  // bytes after a termination character, not yet read
  size_t heldPos_ = 0;
  ViStatus heldStatus_ = VI_SUCCESS;  // how the transfer they came with ended
};

}  // namespace vx::visa
