#pragma once
// Reading a whole answer block by block, within bounds. An instrument that streams without
// ever ending its message (or a hostile server posing as one) cannot make a caller read for
// ever or fill the memory: every multi-block read of the system goes through here.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "visa/visa.h"

namespace vx::visa {

// The most one answer may hold.
inline constexpr size_t kMaxMessageBytes = size_t{64} << 20;
// An answer must end within this many times the session's time-out.
inline constexpr unsigned kMessageTimeoutFactor = 10;

// Reads blocks of `blockBytes` with viRead while a read fills its block before the end of the
// message (VI_SUCCESS_MAX_CNT), so that an answer of exactly one block ends after one read.
// Each block is handed to `sink` as it arrives. Returns the status of the last read, or, past
// a bound, an error whose status text (viStatusDesc on the session) names the bound:
//  - VI_ERROR_IO once `maxBytes` have come without the end of the message;
//  - VI_ERROR_TMO when a read brings nothing within the session's time-out (no progress), or
//    when the answer has not ended within kMessageTimeoutFactor times the time-out (at least
//    100 ms) in all, measured on the clock the library runs on.
ViStatus ReadMessage(ViSession session, ViUInt32 blockBytes,
                     const std::function<void(std::string_view block)>& sink,
                     size_t maxBytes = kMaxMessageBytes);

// The same into `message` (emptied first).
ViStatus ReadMessage(ViSession session, ViUInt32 blockBytes, std::string& message,
                     size_t maxBytes = kMaxMessageBytes);

}  // namespace vx::visa
