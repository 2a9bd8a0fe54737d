#pragma once
// The wait cursor for the life of the object: every exchange with a meter and every long
// record operation blocks its window until it ends.

namespace vx {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace vx
