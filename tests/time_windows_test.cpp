// Windows and overlaps within the GPS week, plain and wrapping over its end.
#include <gtest/gtest.h>

#include "support/time_windows.h"

using namespace jps;

TEST(InWeekWindow, PlainWrappingSwappedAndOpen) {
  EXPECT_EQ(InWeekWindow(10, 600000, 100, 0, 0), 1);   // wraps over the week's end
  EXPECT_EQ(InWeekWindow(10, 600000, 100, 0, 1), 0);   // absolute: a plain interval
  EXPECT_EQ(InWeekWindow(300000, 600000, 100, 0, 0), 0);
  EXPECT_EQ(InWeekWindow(600000, 600000, 100, 0, 0), 1);
  EXPECT_EQ(InWeekWindow(50, 100, 10, 1, 0), 1);       // swapped into 10..100
  EXPECT_EQ(InWeekWindow(100, 10, 100, 0, 0), 1);
  EXPECT_EQ(InWeekWindowOpen(100, 10, 100, 0, 0), 0);  // the end excluded
  EXPECT_EQ(InWeekWindowOpen(99.5, 10, 100, 0, 0), 1);
  EXPECT_EQ(InWeekWindowOpen(100, 600000, 100, 0, 0), 0);
  EXPECT_EQ(InWeekWindowOpen(99, 600000, 100, 0, 0), 1);
}

TEST(OverlapTimes, PlainIntervals) {
  double start = -1, end = -1;
  EXPECT_EQ(OverlapTimes(10, 20, 15, 30, 1, &start, &end), 1);
  EXPECT_EQ(start, 15);
  EXPECT_EQ(end, 20);
  EXPECT_EQ(OverlapTimes(10, 20, 21, 30, 1, &start, &end), 0);
  // Without the absolute flag the times are reduced to times of week first.
  EXPECT_EQ(OverlapTimes(604800 * 3 + 10.0, 604800 * 3 + 20.0, 15, 30, 0, &start, &end), 1);
  EXPECT_EQ(start, 15);
  EXPECT_EQ(end, 20);
  // Null outputs are not written.
  EXPECT_EQ(OverlapTimes(10, 20, 15, 30, 1, nullptr, nullptr), 1);
}

TEST(OverlapTimes, IntervalsOverTheWeeksEnd) {
  double start = -1, end = -1;
  EXPECT_EQ(OverlapTimes(500000, 100000, 450000, 150000, 0, &start, &end), 1);
  EXPECT_EQ(start, 500000);
  EXPECT_EQ(end, 100000);
  EXPECT_EQ(OverlapTimes(300000, 100000, 450000, 150000, 0, &start, &end), 0);  // starts too early

  // A plain interval inside the wrapping one's Sunday part.
  EXPECT_EQ(OverlapTimes(50000, 150000, 500000, 100000, 0, &start, &end), 1);
  EXPECT_EQ(start, 50000);
  EXPECT_EQ(end, 100000);
  // Inside its Saturday part; the order of the two does not matter.
  start = end = -1;
  EXPECT_EQ(OverlapTimes(500000, 100000, 450000, 600000, 0, &start, &end), 1);
  EXPECT_EQ(start, 500000);
  EXPECT_EQ(end, 600000);
  EXPECT_EQ(OverlapTimes(200000, 300000, 500000, 100000, 0, &start, &end), 0);  // between them
  EXPECT_EQ(OverlapTimes(50000, 50000, 500000, 100000, 0, &start, &end), 0);    // empty
  EXPECT_EQ(OverlapTimes(50000, 150000, 500000, 250000, 0, &start, &end), 0);   // ends too late
}
