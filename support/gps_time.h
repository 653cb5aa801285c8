// GPS time and calendar conversions: seconds since 1970, GPS week and time of
// week, day of year, Modified Julian Day and the GPS-UTC leap-second count.
//
// Week numbers arrive as the receiver broadcasts them, modulo 1024. Routines
// that turn a week into a time or a date read a week below 500 as belonging to
// the second 1024-week era (week 300 is week 1324); routines that produce a
// week from a date give it modulo 1024. So the dates from 1989-08-06 (week
// 500) to 2009-03-21 (week 1523) go both ways without ambiguity.
#pragma once

#include <cstdint>

namespace jps {

constexpr double kSecondsPerWeek = 604800.0;
constexpr int32_t kSecondsPerDay = 86400;
constexpr int32_t kWeeksPerEra = 1024;
constexpr int32_t kFirstWeekOfEra = 500;       // a week below this is read as week + 1024
constexpr int64_t kGpsEpochUnixSeconds = 315964800;  // 1980-01-06 00:00:00 UTC
constexpr int32_t kGpsEpochMjd = 44244;              // MJD of 1980-01-06
constexpr int32_t kNoLeapSecondCount = -1;

// Broken-down time. month counts from 0; year is years since 1900 or a
// two-digit year (70-99 are 1970-1999, 0-69 are 2000-2069).
struct CalendarTime {
  int32_t seconds;
  int32_t minutes;
  int32_t hours;
  int32_t day;       // day of month, from 1
  int32_t month;     // 0 = January
  int32_t year;
  int32_t extra;     // set to 0 by SecondsToCalendar
};

// UTC seconds since 1970-01-01 (held in 64 bits, so dates after 2038 do not
// overflow). A month outside 0-11 is carried into the year (month 12 is the
// January of the next year).
int64_t CalendarToSeconds(const CalendarTime& time);
// Inverse of CalendarToSeconds for t >= 0. The result is one static record,
// overwritten by the next call; its year field counts from 1900.
const CalendarTime* SecondsToCalendar(int64_t t);

// Week (modulo 1024) and time of week to a date: month 1-12, four-digit year;
// second keeps the fraction.
void GpsToCalendar(int32_t week, double tow, int32_t* hour, int32_t* minute, double* second,
                   int32_t* month, int32_t* day, int32_t* year);
// Date to week (0-1023) and time of week. Year 1901 and later is a four-digit
// year; smaller values are two-digit years or years since 1900.
void CalendarToGps(int32_t hour, int32_t minute, double second, int32_t month, int32_t day,
                   int32_t year, int32_t* week, double* tow);

// Absolute GPS time of a time of week t given with its week, when the week may
// belong to a reference time ref of the neighbouring week: t far behind ref
// (by 300000 s or more) lies in the following week, t far ahead in the
// previous one. A ref of exactly 0.0 stands for "no reference" and moves the
// week on by one.
double ResolveGpsTime(double t, int32_t week, double ref);
// The week that ResolveGpsTime places t in (500 and up).
int32_t ResolveWeek(int32_t week, double ref, double t);
double TimeOfWeek(double gpsTime);
int32_t WeekOf(double gpsTime);
double WeekToSeconds(double tow, int32_t week);
// a - b folded into one week.
double TowDifference(double a, double b);
// The absolute time of the time of week t in the week nearest to ref.
double NearestGpsTime(double t, double ref);

// Day of year (from 1) of a date, month 1-12.
int32_t DayOfYear(int32_t day, int32_t month, int32_t year);
// Month (1-12) and day of a day of year. A day of year outside the year stays
// in January (0 or less) or December (beyond the year's length), with the
// remaining count as the day: day 400 of 2003 is "December 66".
void DayOfYearToDate(int32_t year, int32_t dayOfYear, int32_t* month, int32_t* day);
// The same by walking the month lengths; the same rule beyond the year's end.
void DayOfYearToMonthDay(int32_t dayOfYear, int32_t year, int32_t* month, int32_t* day);
void GpsToMjd(int32_t week, double tow, int32_t* mjd, double* dayFraction);
void DayFractionToTime(double fraction, int32_t* hour, int32_t* minute, double* second);
void GpsToYearDay(int32_t week, double tow, int32_t* year, int32_t* dayOfYear, int32_t* hour,
                  int32_t* minute, double* second);
void GpsToDate(int32_t week, double tow, int32_t* year, int32_t* month, int32_t* day,
               int32_t* hour, int32_t* minute, double* second);

// GPS-UTC in seconds at the time of week tow of week (placed near ref as
// ResolveGpsTime does), or -1 when the table knows no count for that time.
int32_t LeapSecondsAt(double tow, int32_t week, double ref);

}  // namespace jps
