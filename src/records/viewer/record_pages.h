#pragma once
// The pages of the record viewer: a record is shown 10000 readings at a time, and the range
// list names each page by its first and last reading.

#include <string>
#include <vector>

namespace vx::records {

inline constexpr long long kPageRows = 10000;

// " 1 - 10000 ", " 10001 - 20000 ", … and a last, shorter page when the count is not a
// multiple of 10000. A record without readings still gets one entry, " 1 - 0 ", so that the
// list never stands empty beside a chosen record.
std::vector<std::string> PageEntries(long long count);

// The position (from 0) of the first reading of page `page`.
inline long long PageStart(int page) {
  return kPageRows * page;
}

}  // namespace vx::records
