#include "records/chart/chart_range.h"

#include <algorithm>

#include "common/c_number.h"

namespace vx::records {

RangeCheck CheckRange(long long m, long long n, long long count) {
  if (m <= 0 || n <= 0 || m == n) return RangeCheck{RangeCheck::Problem::InputError, {}};
  if (m > count || n > count) return RangeCheck{RangeCheck::Problem::OverRange, {}};
  const long long low = std::min(m, n);
  return RangeCheck{RangeCheck::Problem::None, DrawSpan{low - 1, std::max(m, n) - low}};
}

DrawSpan AllReadings(long long count) {
  return DrawSpan{0, count > 1 ? count - 1 : 0};
}

long long BoundNumber(std::string_view text) {
  return LeadingInteger(text);
}

std::string BoundText(std::string_view text) {
  return FormatC("%lld", BoundNumber(text));
}

}  // namespace vx::records
