#include "common/local_time.h"

#include <gtest/gtest.h>

#include "common/clock.h"

namespace vx {
namespace {

TEST(OleDate, CountsDaysFromTheThirtiethOfDecember1899) {
  EXPECT_EQ(ToOleDate(LocalDateTime{1899, 12, 30}), 0.0);
  EXPECT_EQ(ToOleDate(LocalDateTime{1900, 1, 1}), 2.0);
  EXPECT_EQ(ToOleDate(LocalDateTime{2000, 1, 1}), 36526.0);
  EXPECT_DOUBLE_EQ(ToOleDate(LocalDateTime{2026, 12, 6, 18, 0, 0}), 46362.75);
}

TEST(OleDate, DaysBeforeTheEpochKeepAForwardTimeOfDay) {
  // 1899-12-29 06:00 is -1.25: the day counts backwards, the time forwards.
  EXPECT_DOUBLE_EQ(ToOleDate(LocalDateTime{1899, 12, 29, 6, 0, 0}), -1.25);
  EXPECT_EQ(FromOleDate(-1.25), (LocalDateTime{1899, 12, 29, 6, 0, 0, 0}));
}

TEST(OleDate, RoundTripsToTheMillisecond) {
  const LocalDateTime samples[] = {{2026, 12, 6, 22, 45, 7, 0},
                                   {1999, 2, 28, 23, 59, 59, 999},
                                   {2024, 2, 29, 0, 0, 0, 1},
                                   {1899, 12, 30, 14, 3, 27, 0}};
  for (const LocalDateTime& t : samples) EXPECT_EQ(FromOleDate(ToOleDate(t)), t);
}

TEST(OleDate, TimeOfDayLiesOnDayZero) {
  const double t = OleTimeOfDay(14, 3, 27);
  EXPECT_LT(t, 1.0);
  const LocalDateTime back = FromOleDate(t);
  EXPECT_EQ(back, (LocalDateTime{1899, 12, 30, 14, 3, 27, 0}));
  EXPECT_EQ(FormatLocal(back, "%H : %M : %S"), "14 : 03 : 27");
}

TEST(OleDate, RoundingUpToMidnightMovesToTheNextDay) {
  const double justBeforeMidnight = 1.0 - 0.0001 / 86400.0;
  EXPECT_EQ(FromOleDate(justBeforeMidnight), (LocalDateTime{1899, 12, 31, 0, 0, 0, 0}));
}

TEST(FormatLocal, WritesTheRecordStampFormat) {
  EXPECT_EQ(FormatLocal(LocalDateTime{2026, 12, 6, 22, 45, 7}, "%y / %m / %d -- %H : %M : %S"),
            "26 / 12 / 06 -- 22 : 45 : 07");
}

TEST(ManualClock, MovesOnlyWhenToldAndSleepsWithoutWaiting) {
  ManualClock clock(LocalDateTime{2026, 12, 6, 23, 59, 59});
  const auto steady = clock.Steady();
  clock.SleepFor(std::chrono::seconds(20));  // a meter's time-out, at no real cost
  EXPECT_EQ(clock.Steady() - steady, std::chrono::seconds(20));
  EXPECT_EQ(clock.LocalNow(), (LocalDateTime{2026, 12, 7, 0, 0, 19}));
  clock.SetLocal(LocalDateTime{2026, 12, 7, 1, 0, 19});
  EXPECT_EQ(clock.Steady() - steady, std::chrono::seconds(3620));
}

TEST(LocalTime, ConvertsInstantsBothWays) {
  const LocalDateTime t{2026, 7, 1, 12, 30, 15, 250};
  EXPECT_EQ(ToLocal(FromLocal(t)), t);
}

}  // namespace
}  // namespace vx
