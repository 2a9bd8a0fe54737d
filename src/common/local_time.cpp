#include "common/local_time.h"

#include <cmath>
#include <ctime>

#include "common/c_locale_scope.h"

namespace vx {
namespace {

// Days between 1970-01-01 and the given civil date (proleptic Gregorian calendar).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const long long kOleEpochDays = DaysFromCivil(1899, 12, 30);

// The C library's broken-down time of a local date and time (daylight saving unknown).
std::tm BrokenDown(const LocalDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return tm;
}
constexpr double kMillisecondsPerDay = 86400000.0;

}  // namespace

double ToOleDate(const LocalDateTime& t) {
  const long long days =
      DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
      kOleEpochDays;
  const double fraction =
      ((t.hour * 60.0 + t.minute) * 60.0 + t.second + t.millisecond / 1000.0) / 86400.0;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

LocalDateTime FromOleDate(double oleDate) {
  double whole = std::trunc(oleDate);
  long long millis = std::llround(std::fabs(oleDate - whole) * kMillisecondsPerDay);
  if (millis >= 86400000LL) {  // rounding carried into the next day
    millis -= 86400000LL;
    whole += oleDate >= 0 ? 1.0 : -1.0;
  }
  LocalDateTime t;
  CivilFromDays(static_cast<long long>(whole) + kOleEpochDays, t.year, t.month, t.day);
  t.millisecond = static_cast<int>(millis % 1000);
  const long long seconds = millis / 1000;
  t.second = static_cast<int>(seconds % 60);
  t.minute = static_cast<int>((seconds / 60) % 60);
  t.hour = static_cast<int>(seconds / 3600);
  return t;
}

double OleTimeOfDay(int hour, int minute, int second) {
  return ((hour * 60.0 + minute) * 60.0 + second) / 86400.0;
}

LocalDateTime ToLocal(std::chrono::system_clock::time_point instant) {
  using namespace std::chrono;
  const auto millis = duration_cast<milliseconds>(instant.time_since_epoch()).count();
  long long secs = millis / 1000;
  long long rest = millis % 1000;
  if (rest < 0) {
    rest += 1000;
    secs -= 1;
  }
  const std::time_t tt = static_cast<std::time_t>(secs);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1,         tm.tm_mday, tm.tm_hour, tm.tm_min,
                       tm.tm_sec,         static_cast<int>(rest)};
}

std::chrono::system_clock::time_point FromLocal(const LocalDateTime& t) {
  std::tm tm = BrokenDown(t);
  const std::time_t tt = mktime(&tm);
  return std::chrono::system_clock::from_time_t(tt) + std::chrono::milliseconds(t.millisecond);
}

std::string FormatLocal(const LocalDateTime& t, const char* pattern) {
  const std::tm tm = BrokenDown(t);
  char buffer[128];
  // The pattern is checked at every call site through the declaration's format attribute.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  // File names, record stamps and cell texts read the same in every locale.
  const size_t n = strftime_l(buffer, sizeof buffer, pattern, &tm, CLocale());
#pragma GCC diagnostic pop
  return std::string(buffer, n);
}

}  // namespace vx
