// Calendar dates to Modified Julian Days and days of the week.
#include <gtest/gtest.h>

#include "support/day_numbers.h"

using namespace jps;

TEST(DayNumbers, ModifiedJulianDaysAndWeekdays) {
  EXPECT_EQ(DateToMjd(1980, 1, 6), 44244);
  EXPECT_EQ(DateToDayOfWeek(1980, 1, 6), 0);
  EXPECT_EQ(DateToMjd(2004, 6, 10), 53166);
  EXPECT_EQ(DateToDayOfWeek(2004, 6, 10), 4);
  EXPECT_EQ(DateToMjd(2004, 2, 29), 53064);
  EXPECT_EQ(DateToMjd(2004, 3, 1), 53065);
  EXPECT_EQ(DateToDayOfWeek(2014, 8, 29), 5);   // a Friday
  EXPECT_EQ(FloatRemainder(14.0, 7.0), 0);
}
