#pragma once
// Local calendar time and OLE automation dates.
//
// Record files and worksheets store dates as OLE automation dates: the number of days since
// 1899-12-30 00:00 as a double, the time of day as the fraction. Before that day the integer
// part counts days backwards while the fraction still counts the time forwards, so -1.25 is
// 1899-12-29 06:00.

#include <chrono>
#include <compare>
#include <string>

namespace vx {

struct LocalDateTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  auto operator<=>(const LocalDateTime&) const = default;
};

double ToOleDate(const LocalDateTime& time);
// Rounded to the nearest millisecond.
LocalDateTime FromOleDate(double oleDate);
// A time of day on day zero, as record files keep reading times.
double OleTimeOfDay(int hour, int minute, int second);

LocalDateTime ToLocal(std::chrono::system_clock::time_point instant);
std::chrono::system_clock::time_point FromLocal(const LocalDateTime& time);

// strftime-style formatting ("%y / %m / %d -- %H : %M : %S", "%H:%M:%S") in the C locale;
// milliseconds are not part of any pattern the system uses.
std::string FormatLocal(const LocalDateTime& time, const char* pattern)
    __attribute__((format(strftime, 2, 0)));

}  // namespace vx
