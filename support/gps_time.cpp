#include "support/gps_time.h"

#include <cmath>
#include <cstdio>

namespace jps {
namespace {

constexpr int64_t kSecondsPerFourYears = 126230400;   // 1461 days
constexpr int64_t kSecondsPerCommonYear = 31536000;   // 365 days
constexpr int64_t kSecondsToThirdYear = 63072000;     // two common years
constexpr int64_t kSecondsToFourthYear = 94694400;    // two common years and a leap year
constexpr int32_t kYearWindowSplit = 70;     // two-digit years below 70 are 20xx
constexpr int32_t kFourDigitYearStart = 1901;
constexpr double kWeekChangeWindow = 300000.0;  // |t - ref| beyond this: a neighbouring week
constexpr double kFoldWindow = 500000.0;
constexpr double kNoReference = 0.0;
constexpr double kNearestFallbackTow = 1000.0;
constexpr int32_t kMjd1901 = 15385;          // MJD of 1901-01-01
constexpr int32_t kDaysPerFourYears = 1461;
constexpr double kMonthEstimate = 0.032;     // day of year to month index, never too large

// Days before each month, and the year's length. Row 1 is the leap year.
constexpr int32_t kCumulativeDays[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};
constexpr int32_t kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Every year divisible by four is a leap year: right for 1901-2099.
int IsLeap(int32_t year) { return year % 4 == 0 ? 1 : 0; }

int32_t FloorDiv(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int32_t EraWeek(int32_t week) { return week < kFirstWeekOfEra ? week + kWeeksPerEra : week; }

struct LeapSecondRow {
  int32_t year, month, day;
  int32_t count;        // GPS - UTC, or -1 when not known
  double time;          // absolute GPS time of the date, filled on first use
};

// Rows are searched in order; a row applies from its date to the next row's.
LeapSecondRow LeapSecondTable[] = {
    {1980, 2, 1, kNoLeapSecondCount, 0.0}, {1991, 1, 1, 7, 0.0},  {1992, 7, 1, 8, 0.0},
    {1993, 7, 1, 9, 0.0},  {1994, 7, 1, 10, 0.0}, {1996, 1, 1, 11, 0.0}, {1997, 7, 1, 12, 0.0},
    {1999, 1, 1, 13, 0.0}, {2000, 1, 1, 13, 0.0}, {2001, 1, 1, 13, 0.0}, {2005, 1, 1, 13, 0.0},
    {2001, 7, 1, kNoLeapSecondCount, 0.0},       {2010, 1, 1, kNoLeapSecondCount, 0.0},
};
constexpr int kLeapSecondRows = sizeof LeapSecondTable / sizeof LeapSecondTable[0];
bool LeapSecondTimesFilled = false;

// The row dates are full dates, so their GPS times are taken straight from the
// calendar rather than through a ten-bit week and a reference time.
void FillLeapSecondTimes() {
  for (LeapSecondRow& row : LeapSecondTable) {
    CalendarTime date{0, 0, 0, row.day, row.month - 1, row.year - 1900, 0};
    row.time = static_cast<double>(CalendarToSeconds(date) - kGpsEpochUnixSeconds);
  }
  LeapSecondTimesFilled = true;
}

}  // namespace

int64_t CalendarToSeconds(const CalendarTime& time) {
  int32_t year = time.year;
  int32_t month = time.month;
  if (month < 0 || month > 11) {
    year += FloorDiv(month, 12);
    month -= FloorDiv(month, 12) * 12;
  }
  int leap = IsLeap(year);
  int64_t e = year >= kYearWindowSplit ? year - kYearWindowSplit : year + (100 - kYearWindowSplit);
  // (e + 2) / 4 - leap: leap days of the years before this one, 1972 the first.
  int64_t days = kCumulativeDays[leap][month] + time.day - 1 + e * 365 + (e + 2) / 4 - leap;
  return days * kSecondsPerDay + time.hours * 3600LL + time.minutes * 60LL + time.seconds;
}

const CalendarTime* SecondsToCalendar(int64_t t) {
  static CalendarTime result;
  int64_t q = t / kSecondsPerFourYears;
  int64_t s = t - q * kSecondsPerFourYears;
  int64_t years = 4 * q;
  int leap = 0;
  if (s < kSecondsPerCommonYear) {
  } else if (s < kSecondsToThirdYear) {
    years += 1;
    s -= kSecondsPerCommonYear;
  } else if (s < kSecondsToFourthYear) {
    years += 2;
    s -= kSecondsToThirdYear;
    leap = 1;
  } else {
    years += 3;
    s -= kSecondsToFourthYear;
  }
  int64_t d = s / kSecondsPerDay;
  int month = -1;
  for (int i = 0; i < 12; ++i) {
    if (kCumulativeDays[leap][i] <= d && d < kCumulativeDays[leap][i + 1]) {
      month = i;
      break;
    }
  }
  if (month < 0) {
    std::fputs("Internal error: Bad day number\n", stdout);
    month = 0;
  }
  int64_t rest = s - d * kSecondsPerDay;
  result.day = static_cast<int32_t>(d - kCumulativeDays[leap][month] + 1);
  result.month = month;
  result.hours = static_cast<int32_t>(rest / 3600);
  result.minutes = static_cast<int32_t>(rest % 3600 / 60);
  result.seconds = static_cast<int32_t>(rest % 60);
  result.year = static_cast<int32_t>(years + kYearWindowSplit);
  result.extra = 0;
  return &result;
}

void GpsToCalendar(int32_t week, double tow, int32_t* hour, int32_t* minute, double* second,
                   int32_t* month, int32_t* day, int32_t* year) {
  double x = tow + (static_cast<double>(kGpsEpochUnixSeconds) + EraWeek(week) * kSecondsPerWeek);
  double whole = std::trunc(x);
  const CalendarTime* c = SecondsToCalendar(static_cast<int64_t>(whole));
  *hour = c->hours;
  *minute = c->minutes;
  *second = c->seconds + (x - whole);
  *month = c->month + 1;
  *day = c->day;
  int32_t y = c->year;
  if (y < 50) y += 100;
  if (y < 199) y += 1900;
  *year = y;
}

void CalendarToGps(int32_t hour, int32_t minute, double second, int32_t month, int32_t day,
                   int32_t year, int32_t* week, double* tow) {
  if (year >= kFourDigitYearStart) year -= 1900;
  double whole = std::trunc(second);
  CalendarTime c{static_cast<int32_t>(whole), minute, hour, day, month - 1, year, 0};
  int64_t e = CalendarToSeconds(c) - kGpsEpochUnixSeconds;
  int64_t weekCount = e / static_cast<int64_t>(kSecondsPerWeek);
  *tow = static_cast<double>(e % static_cast<int64_t>(kSecondsPerWeek)) + (second - whole);
  // Weeks go out modulo 1024, as the receivers broadcast them.
  if (weekCount >= kWeeksPerEra) weekCount %= kWeeksPerEra;
  *week = static_cast<int32_t>(weekCount);
}

int32_t ResolveWeek(int32_t week, double ref, double t) {
  week = EraWeek(week);
  if (ref == kNoReference) week += 1;
  double d = t - ref;
  if (std::fabs(d) < kWeekChangeWindow) return week;
  return d < 0 ? week + 1 : week - 1;  // t far behind ref: it lies in the following week
}

double ResolveGpsTime(double t, int32_t week, double ref) {
  return t + ResolveWeek(week, ref, t) * kSecondsPerWeek;
}

double TimeOfWeek(double gpsTime) {
  return gpsTime - std::trunc(gpsTime / kSecondsPerWeek) * kSecondsPerWeek;
}

int32_t WeekOf(double gpsTime) { return static_cast<int32_t>(std::trunc(gpsTime / kSecondsPerWeek)); }

double WeekToSeconds(double tow, int32_t week) { return tow + EraWeek(week) * kSecondsPerWeek; }

double TowDifference(double a, double b) {
  double d = a - b;
  if (d < -kFoldWindow) d += kSecondsPerWeek;
  if (d > kFoldWindow) d -= kSecondsPerWeek;
  return d;
}

double NearestGpsTime(double t, double ref) {
  int32_t w = WeekOf(ref);
  double r = std::trunc(TimeOfWeek(ref));
  if (r == 0.0) r = kNearestFallbackTow;
  return WeekToSeconds(t, ResolveWeek(w, r, t));
}

int32_t DayOfYear(int32_t day, int32_t month, int32_t year) {
  if (month < 1 || month > 12) month = month < 1 ? 1 : 12;
  return day + kCumulativeDays[IsLeap(year)][month - 1];
}

void DayOfYearToDate(int32_t year, int32_t dayOfYear, int32_t* month, int32_t* day) {
  int leap = IsLeap(year);
  int32_t m = static_cast<int32_t>(std::trunc(dayOfYear * kMonthEstimate));
  if (m < 0) m = 0;
  if (m > 11) m = 11;
  int32_t k = (m < 11 && dayOfYear > kCumulativeDays[leap][m + 1]) ? 1 : 0;
  *month = m + k + 1;
  *day = dayOfYear - kCumulativeDays[leap][m + k];
}

void DayOfYearToMonthDay(int32_t dayOfYear, int32_t year, int32_t* month, int32_t* day) {
  int32_t rest = dayOfYear;
  int m = 0;
  for (; m < 11; ++m) {
    int32_t length = kMonthLengths[m] + (m == 1 ? IsLeap(year) : 0);
    if (rest - length <= 0) break;
    rest -= length;
  }
  *month = m + 1;
  *day = rest;
}

void GpsToMjd(int32_t week, double tow, int32_t* mjd, double* dayFraction) {
  week = EraWeek(week);
  int32_t d = static_cast<int32_t>(std::trunc(tow / kSecondsPerDay));
  *dayFraction = (tow - d * static_cast<double>(kSecondsPerDay)) / kSecondsPerDay;
  *mjd = kGpsEpochMjd + 7 * week + d;
}

void DayFractionToTime(double fraction, int32_t* hour, int32_t* minute, double* second) {
  *hour = static_cast<int32_t>(std::trunc(fraction * 24));
  *minute = static_cast<int32_t>(std::trunc(fraction * 1440)) - *hour * 60;
  *second = fraction * kSecondsPerDay - *hour * 3600.0 - *minute * 60.0;
}

void GpsToYearDay(int32_t week, double tow, int32_t* year, int32_t* dayOfYear, int32_t* hour,
                  int32_t* minute, double* second) {
  int32_t mjd;
  double fraction;
  GpsToMjd(week, tow, &mjd, &fraction);
  int32_t n = mjd - kMjd1901;
  int32_t q = n / kDaysPerFourYears;
  int32_t c = n - q * kDaysPerFourYears;
  int32_t k = c / 365 - c / 1460;
  *year = 1901 + 4 * q + k;
  *dayOfYear = c - 365 * k + 1;
  DayFractionToTime(fraction, hour, minute, second);
}

void GpsToDate(int32_t week, double tow, int32_t* year, int32_t* month, int32_t* day,
               int32_t* hour, int32_t* minute, double* second) {
  int32_t dayOfYear;
  GpsToYearDay(week, tow, year, &dayOfYear, hour, minute, second);
  DayOfYearToDate(*year, dayOfYear, month, day);
}

int32_t LeapSecondsAt(double tow, int32_t week, double ref) {
  if (!LeapSecondTimesFilled) FillLeapSecondTimes();
  double t = ResolveGpsTime(tow, week, ref);
  for (int i = 0; i + 1 < kLeapSecondRows; ++i) {
    if (LeapSecondTable[i].time <= t && t < LeapSecondTable[i + 1].time) {
      return LeapSecondTable[i].count;
    }
  }
  return kNoLeapSecondCount;
}

}  // namespace jps
