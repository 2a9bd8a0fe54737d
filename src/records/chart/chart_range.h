#pragma once
// Which readings a drawing of the chart covers: all of them, or those from reading m to
// reading n given in the two bound fields (1-based, in either order: 50 and 10 draw 10 to 50).

#include <string>
#include <string_view>

namespace vx::records {

enum class DrawMode { All, Range };

// The readings of one drawing: `first` is the position (from 0) of the first of them, `span`
// the number of steps from the first to the last (readings − 1).
struct DrawSpan {
  long long first = 0;
  long long span = 0;
  // The reading number of the first reading (first + 1).
  long long FirstNumber() const { return first + 1; }
};

struct RangeCheck {
  enum class Problem { None, InputError, OverRange };
  Problem problem = Problem::None;
  DrawSpan span;
  bool Ok() const { return problem == Problem::None; }
};

// The bounds m and n against the record's `count` readings: InputError when either is not
// above 0 or both are equal, OverRange when either is above the count.
RangeCheck CheckRange(long long m, long long n, long long count);

// The whole record: from the first reading to the last (a span of 0 for one reading or none).
DrawSpan AllReadings(long long count);

// A bound field's number, as Enter rewrites it ("%d" of the number it starts with).
long long BoundNumber(std::string_view text);
std::string BoundText(std::string_view text);

}  // namespace vx::records
