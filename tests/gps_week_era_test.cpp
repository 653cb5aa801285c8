// Broadcast week numbers (modulo 1024) made whole against the time they are read.
#include "support/gps_week_era.h"

#include <gtest/gtest.h>

using namespace jps;

namespace {

constexpr double kWeek = 604800.0;

}  // namespace

TEST(WholeGpsWeek, TheLatestEraThatHasBegun) {
  // 1980-01-06 is GPS second 0; 2019-04-07, the second rollover, is week 2048
  // (14336 days later).
  EXPECT_EQ(CalendarToGpsSeconds(80, 0, 6, 0, 0, 0), 0.0);
  EXPECT_EQ(CalendarToGpsSeconds(119, 3, 7, 0, 0, 0), 2048 * kWeek);
  // 2014-08-29 lies in week 1807 (began 2014-08-24, 12649 days after the GPS
  // epoch), broadcast as 783; read in 2026 it is week 1807, not 783 (1995).
  double y2026 = CalendarToGpsSeconds(126, 11, 9, 4, 40, 0);
  EXPECT_EQ(CalendarToGpsSeconds(114, 7, 24, 0, 0, 0), 1807 * kWeek);
  EXPECT_EQ(WholeGpsWeek(783, y2026), 1807);
  EXPECT_EQ(WholeGpsWeek(830, y2026), 1854);
  EXPECT_EQ(WholeGpsWeek(1807, y2026), 1807);  // a whole week stays whole
  // The week's first second decides.
  EXPECT_EQ(WholeGpsWeek(783, 1807 * kWeek), 1807);
  EXPECT_EQ(WholeGpsWeek(783, 1807 * kWeek - 1), 783);
  EXPECT_EQ(WholeGpsWeek(0, 2048 * kWeek), 2048);
  EXPECT_EQ(WholeGpsWeek(0, 2048 * kWeek - 1), 1024);
  // A reference before the week's first era leaves the broadcast number.
  EXPECT_EQ(WholeGpsWeek(783, 10 * kWeek), 783);
  EXPECT_EQ(WholeGpsWeek(783, -1.0), 783);
}
