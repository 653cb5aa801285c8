// Ten-bit weeks placed in their era, and calendar times from full weeks.
#include "support/gps_weeks.h"

#include <gtest/gtest.h>

using namespace jps;

TEST(GpsWeeks, TenBitWeeksGoToTheEraTheReferenceGives) {
  // 2014-08-29 lies in week 1807, broadcast as 783; a file made in 2026
  // (week 2447) is later than the data.
  EXPECT_EQ(FullWeekNotAfter(783, 2447), 1807);
  EXPECT_EQ(FullWeekNotAfter(783, 1807), 1807);
  EXPECT_EQ(FullWeekNotAfter(783, 1806), 783);
  EXPECT_EQ(FullWeekNotAfter(1023, 2448), 2047);  // the last week before the 2019 rollover
  EXPECT_EQ(FullWeekNotAfter(0, 2448), 2048);
  EXPECT_EQ(FullWeekNotAfter(1807, 100), 1807);  // a full week stays
  EXPECT_EQ(FullWeekNotAfter(-1, 2000), -1);
  EXPECT_EQ(FullWeekNear(783, 1807), 1807);
  EXPECT_EQ(FullWeekNear(1020, 2050), 2044);  // across the rollover, backward
  EXPECT_EQ(FullWeekNear(3, 2046), 2051);     // and forward
  EXPECT_EQ(FullWeekNear(2318, 5), 2318);
}

TEST(GpsWeeks, CalendarTimesOfFullWeeks) {
  // Week 1807 began on Sunday 2014-08-24; 504142 s is Friday 20:02:22.
  DateTime t = FullWeekToDateTime(1807, 504142.0);
  EXPECT_EQ(t.year, 2014);
  EXPECT_EQ(t.month, 8);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 20);
  EXPECT_EQ(t.minute, 2);
  EXPECT_EQ(t.second, 22.0);
  // A hair before the minute rounds up to it instead of showing 60 seconds;
  // the end of the week is the next week's start: Sunday 2014-08-31.
  t = FullWeekToDateTime(1807, 604799.99999999);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 0.0);
  t = FullWeekToDateTime(1808, -1.25);  // before the week: Saturday 23:59:58.75
  EXPECT_EQ(t.day, 30);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 58.75);
  // Across the end of February of a leap year and the 2019 rollover.
  t = FullWeekToDateTime(2047, 7 * 86400.0);
  EXPECT_EQ(t.year, 2019);
  EXPECT_EQ(t.month, 4);
  EXPECT_EQ(t.day, 7);
  t = FullWeekToDateTime(2094, 6 * 86400.0);  // week 2094 began on 2020-02-23
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  t = FullWeekToDateTime(2095, 0.0);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 1);

  CalendarTime c{22, 2, 20, 29, 7, 114, 0};  // 2014-08-29 20:02:22
  int64_t seconds = 0;
  EXPECT_EQ(FullWeekOfCalendar(c, &seconds), 1807);
  EXPECT_EQ(seconds, 1807LL * 604800 + 504142);
}
