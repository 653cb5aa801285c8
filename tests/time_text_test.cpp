// GPS times as text and back.
#include <gtest/gtest.h>

#include "support/time_text.h"

using namespace jps;

namespace {
constexpr double kWeek = 604800.0;
}

TEST(FormatGpsTime, TimeWithDecimalsAndDate) {
  char time[32], date[16];
  double x = 1324 * kWeek + 3661.25;  // 2005-05-22 01:01:01.25
  FormatGpsTime(x, 2, time, sizeof time, date, sizeof date);
  EXPECT_STREQ(time, "01:01:01.25");
  EXPECT_STREQ(date, "05/22/2005");
  FormatGpsTime(x, 0, time, sizeof time, nullptr, 0);
  EXPECT_STREQ(time, "01:01:01");
  FormatGpsTime(1324 * kWeek + 9.5, 1, time, sizeof time, nullptr, 0);
  EXPECT_STREQ(time, "00:00:09.5");
  char small[6];
  FormatGpsTime(x, 2, small, sizeof small, nullptr, 0);
  EXPECT_STREQ(small, "01:01");
}

TEST(ParseTimeText, FieldsAndLimits) {
  int32_t hour = -1, minute = -1;
  double second = -1;
  EXPECT_EQ(ParseTimeText("12:34:56.5", &hour, &minute, &second), 0);
  EXPECT_EQ(hour, 12);
  EXPECT_EQ(minute, 34);
  EXPECT_EQ(second, 56.5);
  EXPECT_EQ(ParseTimeText("255:60:60", &hour, &minute, &second), 0);
  EXPECT_EQ(ParseTimeText("256:00:00", &hour, &minute, &second), 1);
  EXPECT_EQ(ParseTimeText("12:61:00", &hour, &minute, &second), 1);
  EXPECT_EQ(ParseTimeText("12:00:60.5", &hour, &minute, &second), 1);
  EXPECT_EQ(ParseTimeText("12:30", &hour, &minute, &second), 1);
  EXPECT_EQ(ParseTimeText("a:b:c", &hour, &minute, &second), 1);
  EXPECT_EQ(ParseTimeText("1:2:1.2.3", &hour, &minute, &second), 1);
}

TEST(ParseDateText, YearsAndSlashes) {
  int32_t a = 0, b = 0, year = 0;
  EXPECT_EQ(ParseDateText("5/22/05", &a, &b, &year), 0);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 22);
  EXPECT_EQ(year, 2005);
  EXPECT_EQ(ParseDateText("5/22/99", &a, &b, &year), 0);
  EXPECT_EQ(year, 1999);
  EXPECT_EQ(ParseDateText("5/22/1999", &a, &b, &year), 0);
  EXPECT_EQ(year, 1999);
  EXPECT_EQ(ParseDateText("5/22/150", &a, &b, &year), 0);
  EXPECT_EQ(year, 2050);
  EXPECT_EQ(ParseDateText("5/22", &a, &b, &year), 1);
  EXPECT_EQ(ParseDateText("5//2005", &a, &b, &year), 1);
}

TEST(ParseDateTime, BackToGpsTime) {
  double x = 0;
  EXPECT_EQ(ParseDateTime("01:01:01.25", "05/22/2005", &x), 0);
  EXPECT_EQ(x, 1324 * kWeek + 3661.25);
  EXPECT_EQ(ParseDateTime("00:00:00", "8/22/1999", &x), 0);
  EXPECT_EQ(x, 1024 * kWeek);  // week 0 of the second era
  EXPECT_EQ(ParseDateTime("00:00:00", "13/22/1999", &x), 1);
  EXPECT_EQ(ParseDateTime("00:00:00", "12/32/1999", &x), 1);
  EXPECT_EQ(ParseDateTime("00:00", "12/31/1999", &x), 1);
}
