// Calendar, GPS week, day-of-year and leap-second conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/day_numbers.h"
#include "support/gps_time.h"

using namespace jps;

namespace {

constexpr double kWeek = 604800.0;

struct Date {
  int year, month, day;
};

// The next calendar day, written out here rather than taken from the library.
Date NextDay(Date d) {
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int length = lengths[d.month - 1] + (d.month == 2 && d.year % 4 == 0 ? 1 : 0);
  if (++d.day > length) {
    d.day = 1;
    if (++d.month > 12) {
      d.month = 1;
      ++d.year;
    }
  }
  return d;
}

}  // namespace

TEST(SecondsSince1970, KnownValuesAndTheInverse) {
  EXPECT_EQ(CalendarToSeconds(CalendarTime{0, 0, 0, 6, 0, 80, 0}), 315964800);
  EXPECT_EQ(CalendarToSeconds(CalendarTime{0, 0, 0, 6, 0, 1980 - 1900, 0}), 315964800);
  // Two-digit years below 70 are 20xx; years since 1900 work as well.
  EXPECT_EQ(CalendarToSeconds(CalendarTime{0, 0, 0, 1, 0, 4, 0}), 1072915200);
  EXPECT_EQ(CalendarToSeconds(CalendarTime{0, 0, 0, 1, 0, 104, 0}), 1072915200);
  // 2040 is past the 32-bit limit of 2038 and still right.
  EXPECT_EQ(CalendarToSeconds(CalendarTime{0, 0, 0, 1, 0, 140, 0}), 2208988800LL);
  // A month past December is carried into the next year.
  EXPECT_EQ(CalendarToSeconds(CalendarTime{5, 4, 3, 2, 12, 103, 0}),
            CalendarToSeconds(CalendarTime{5, 4, 3, 2, 0, 104, 0}));

  const CalendarTime* c = SecondsToCalendar(0);
  EXPECT_EQ(c->year, 70);
  EXPECT_EQ(c->month, 0);
  EXPECT_EQ(c->day, 1);
  EXPECT_EQ(c->hours + c->minutes + c->seconds + c->extra, 0);
  c = SecondsToCalendar(1078012861);  // 2004-02-29 00:01:01, in a leap year's February
  EXPECT_EQ(c->year, 104);
  EXPECT_EQ(c->month, 1);
  EXPECT_EQ(c->day, 29);
  EXPECT_EQ(c->minutes, 1);
  EXPECT_EQ(c->seconds, 1);
}

TEST(GpsWeek, TenBitWeeksBothWays) {
  int32_t hour, minute, month, day, year, week;
  double second, tow;
  GpsToCalendar(300, 0.0, &hour, &minute, &second, &month, &day, &year);  // week 300 is 1324
  EXPECT_EQ(year, 2005);
  EXPECT_EQ(month, 5);
  EXPECT_EQ(day, 22);
  EXPECT_EQ(hour + minute, 0);
  EXPECT_EQ(second, 0.0);

  CalendarToGps(0, 0, 0.0, 8, 22, 1999, &week, &tow);
  EXPECT_EQ(week, 0);
  EXPECT_EQ(tow, 0.0);
  CalendarToGps(0, 0, 0.0, 8, 21, 99, &week, &tow);  // a two-digit year, the Saturday before
  EXPECT_EQ(week, 1023);
  EXPECT_EQ(tow, 6 * 86400.0);
  // Weeks go out modulo 1024 also in the third era (2019-04-07 is week 2048).
  CalendarToGps(0, 0, 0.0, 4, 7, 2019, &week, &tow);
  EXPECT_EQ(week, 0);
}

// Every day from 1989-08-06 (week 500) to 2009-03-21 (week 1523): the dates
// that the ten-bit week rule places without ambiguity.
TEST(GpsWeek, RoundTripOverEveryUnambiguousDay) {
  const double timeOfDay = 13 * 3600 + 45 * 60 + 30.25;
  int days = 0;
  for (Date d{1989, 8, 6};; d = NextDay(d)) {
    int32_t absoluteDay = DateToMjd(d.year, d.month, d.day) - 44244;
    int32_t week;
    double tow;
    CalendarToGps(13, 45, 30.25, d.month, d.day, d.year, &week, &tow);
    ASSERT_EQ(week, (absoluteDay / 7) % 1024) << d.year << "-" << d.month << "-" << d.day;
    ASSERT_EQ(tow, (absoluteDay % 7) * 86400.0 + timeOfDay);
    ASSERT_EQ(WeekToSeconds(tow, week), absoluteDay * 86400.0 + timeOfDay);

    int32_t hour, minute, month, day, year;
    double second;
    auto expectSameMoment = [&](const char* routine) {
      ASSERT_TRUE(year == d.year && month == d.month && day == d.day && hour == 13 &&
                  minute == 45 && std::fabs(second - 30.25) < 1e-6)
          << routine << " gives " << year << "-" << month << "-" << day << " " << hour << ":"
          << minute << ":" << second << " for " << d.year << "-" << d.month << "-" << d.day;
    };
    GpsToCalendar(week, tow, &hour, &minute, &second, &month, &day, &year);
    expectSameMoment("GpsToCalendar");
    GpsToDate(week, tow, &year, &month, &day, &hour, &minute, &second);
    expectSameMoment("GpsToDate");
    ++days;
    if (d.year == 2009 && d.month == 3 && d.day == 21) {
      EXPECT_EQ(absoluteDay / 7, 1523);
      break;
    }
  }
  EXPECT_EQ(days, 1024 * 7);
}

TEST(GpsWeek, ResolveAroundTheReference) {
  const int32_t w = 1200;
  EXPECT_EQ(ResolveGpsTime(1000.0, w, 600000.0), 1000.0 + (w + 1) * kWeek);
  EXPECT_EQ(ResolveGpsTime(600000.0, w, 1000.0), 600000.0 + (w - 1) * kWeek);
  EXPECT_EQ(ResolveGpsTime(300999.0, w, 1000.0), 300999.0 + w * kWeek);  // 299999 s apart
  EXPECT_EQ(ResolveGpsTime(301000.0, w, 1000.0), 301000.0 + (w - 1) * kWeek);
  EXPECT_EQ(ResolveGpsTime(5.0, w, 0.0), 5.0 + (w + 1) * kWeek);  // no reference
  EXPECT_EQ(ResolveGpsTime(5.0, 300, 10.0), 5.0 + 1324 * kWeek);

  EXPECT_EQ(ResolveWeek(w, 600000.0, 1000.0), w + 1);
  EXPECT_EQ(ResolveWeek(w, 1000.0, 600000.0), w - 1);
  EXPECT_EQ(ResolveWeek(w, 1000.0, 2000.0), w);
  // The week agrees with ResolveGpsTime at the era's edge too.
  EXPECT_EQ(ResolveWeek(499, 0.0, 5.0), 1524);
  EXPECT_EQ(ResolveGpsTime(5.0, 499, 0.0), 5.0 + 1524 * kWeek);

  double x = 1300 * kWeek + 12345.5;
  EXPECT_EQ(WeekOf(x), 1300);
  EXPECT_EQ(TimeOfWeek(x), 12345.5);
  EXPECT_EQ(WeekToSeconds(12345.5, 276), x);  // 276 + 1024

  EXPECT_EQ(TowDifference(10.0, 604790.0), 20.0);
  EXPECT_EQ(TowDifference(604790.0, 10.0), -20.0);
  EXPECT_EQ(TowDifference(100.0, 50.0), 50.0);

  EXPECT_EQ(NearestGpsTime(1000.0, 1300 * kWeek + 600000.0), 1301 * kWeek + 1000.0);
  EXPECT_EQ(NearestGpsTime(600000.0, 1300 * kWeek + 1000.0), 1299 * kWeek + 600000.0);
  EXPECT_EQ(NearestGpsTime(5000.0, 1300 * kWeek + 1000.0), 1300 * kWeek + 5000.0);
}

namespace {

// "month/day" of a day of year by each of the two routines.
std::string ByDate(int32_t year, int32_t n) {
  int32_t month, day;
  DayOfYearToDate(year, n, &month, &day);
  return std::to_string(month) + "/" + std::to_string(day);
}
std::string ByMonthWalk(int32_t year, int32_t n) {
  int32_t month, day;
  DayOfYearToMonthDay(n, year, &month, &day);
  return std::to_string(month) + "/" + std::to_string(day);
}

}  // namespace

TEST(DayNumbers, DayOfYearBothWays) {
  EXPECT_EQ(ByDate(2004, 60), "2/29");
  EXPECT_EQ(ByDate(2003, 60), "3/1");
  EXPECT_EQ(DayOfYear(29, 2, 2004), 60);
  EXPECT_EQ(DayOfYear(1, 3, 2003), 60);

  // Both routines agree with each other and with DayOfYear over whole years.
  for (int32_t year : {2003, 2004}) {
    int32_t length = year % 4 == 0 ? 366 : 365;
    for (int32_t n = 1; n <= length; ++n) {
      ASSERT_EQ(ByDate(year, n), ByMonthWalk(year, n)) << year << " day " << n;
      int32_t month, day;
      DayOfYearToDate(year, n, &month, &day);
      ASSERT_EQ(DayOfYear(day, month, year), n);
    }
  }
  // Beyond the year's end both stop at December with the remaining count.
  EXPECT_EQ(ByMonthWalk(2003, 400), "12/66");
  EXPECT_EQ(ByDate(2003, 400), "12/66");
  EXPECT_EQ(ByDate(2003, 366), "12/32");
  EXPECT_EQ(ByMonthWalk(2004, 367), "12/32");
  EXPECT_EQ(ByDate(2003, -40), "1/-40");
  EXPECT_EQ(ByMonthWalk(2003, 0), "1/0");
}

TEST(DayNumbers, MjdYearDayAndTimeOfDay) {
  int32_t mjd, year, dayOfYear, hour, minute, month, day;
  double fraction, second;
  GpsToMjd(0, 0.0, &mjd, &fraction);
  EXPECT_EQ(mjd, 44244 + 7 * 1024);  // week 0 is read as week 1024
  GpsToMjd(1324, 3 * 86400 + 43200.0, &mjd, &fraction);
  EXPECT_EQ(mjd, 44244 + 7 * 1324 + 3);
  EXPECT_EQ(fraction, 0.5);

  DayFractionToTime(0.75, &hour, &minute, &second);
  EXPECT_EQ(hour, 18);
  EXPECT_EQ(minute, 0);
  EXPECT_NEAR(second, 0.0, 1e-9);

  GpsToYearDay(300, 86400 + 3723.0, &year, &dayOfYear, &hour, &minute, &second);
  EXPECT_EQ(year, 2005);
  EXPECT_EQ(dayOfYear, 143);  // 2005-05-23
  EXPECT_EQ(hour, 1);
  EXPECT_EQ(minute, 2);
  EXPECT_NEAR(second, 3.0, 1e-6);
  GpsToDate(1303, 6 * 86400.0, &year, &month, &day, &hour, &minute, &second);
  EXPECT_EQ(year, 2005);  // the Saturday of week 1303 is the first day of 2005
  EXPECT_EQ(month, 1);
  EXPECT_EQ(day, 1);
  GpsToDate(1303, 4 * 86400.0, &year, &month, &day, &hour, &minute, &second);
  EXPECT_EQ(year, 2004);  // its Thursday is the last-but-one day of a leap year
  EXPECT_EQ(month, 12);
  EXPECT_EQ(day, 30);
}

TEST(LeapSeconds, TableAnswers) {
  auto at = [](int year, int month, int day) {
    int32_t week;
    double tow;
    CalendarToGps(12, 0, 0.0, month, day, year, &week, &tow);
    return LeapSecondsAt(tow, week, tow);
  };
  EXPECT_EQ(at(2003, 6, 15), 13);
  EXPECT_EQ(at(1990, 6, 15), -1);
  EXPECT_EQ(at(2006, 6, 15), -1);
  EXPECT_EQ(at(1991, 6, 15), 7);
  EXPECT_EQ(at(1995, 3, 1), 10);
  // The days just before a row's date still have the older count: the row
  // dates are placed on their own day, not a week early.
  EXPECT_EQ(at(1993, 6, 28), 8);
  EXPECT_EQ(at(1993, 7, 1), 9);
  EXPECT_EQ(at(2004, 12, 28), 13);
  EXPECT_EQ(at(1999, 12, 30), 13);
}
