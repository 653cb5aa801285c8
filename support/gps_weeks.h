// Full (continuous) GPS week numbers and calendar times from them.
//
// Receivers send the week modulo 1024 or as the full week. The routines of
// gps_time.h read a week below 500 as week + 1024, which puts a ten-bit week
// of 2014 (783 for 1807) in 1995; these routines place a ten-bit week in the
// era that a reference gives instead: the latest era not after a date known
// to be later than the data (a file's creation date), or the era nearest a
// week known to be close.
#pragma once

#include <cstdint>

#include "support/gps_time.h"

namespace jps {

// A week that is already full (1024 or more) is returned as it is; a ten-bit
// week (0-1023) becomes the largest week of the same value modulo 1024 that is
// not after latestWeek. -1 for a negative week.
int32_t FullWeekNotAfter(int32_t week, int32_t latestWeek);
// The same, with the week of the same value modulo 1024 nearest referenceWeek.
int32_t FullWeekNear(int32_t week, int32_t referenceWeek);

// The full GPS week in which a calendar date-time (year since 1900, month
// from 0) falls, counted from 1980-01-06 00:00; seconds since that origin in
// *seconds when it is not null.
int32_t FullWeekOfCalendar(const CalendarTime& time, int64_t* seconds = nullptr);

// Calendar date and time, month 1-12 and four-digit year.
struct DateTime {
  int32_t year;
  int32_t month;
  int32_t day;
  int32_t hour;
  int32_t minute;
  double second;  // a whole number of ten-millionths of a second
};

// The date and time of tow seconds into a full week from 500 on (1989 and
// later; a tow outside 0-604800 moves into the neighbouring weeks), rounded
// to 1e-7 s first, so that 59.99999999 s becomes the next minute rather than
// "60.0000000".
DateTime FullWeekToDateTime(int32_t week, double tow);

}  // namespace jps
