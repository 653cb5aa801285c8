// Time of the simulated session. Times inside the simulator are seconds
// since the session start (a whole GPS second), so that differences keep
// full precision; this file turns them into what the receiver writes.
#pragma once

#include <cstdint>

namespace jpssim {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerWeek = 604800;
constexpr int kGpsMinusUtcSeconds = 18;                // leap seconds since 2017
constexpr int64_t kGlonassMinusUtcSeconds = 3 * 3600;  // Moscow time

struct CivilDate {
  int year;
  int month;  // 1..12
  int day;    // 1..31
};

// Days since 1970-01-01 of a civil date, and back.
int64_t DaysFromCivil(int year, int month, int day);
CivilDate CivilFromDays(int64_t days);
// GPS seconds (since 1980-01-06 00:00) at the start of a civil day.
int64_t GpsSecondsAtDay(int year, int month, int day);

// One instant as the receiver states it.
struct TimeTag {
  int week;              // GPS week
  int dayOfWeek;         // 0 = Sunday
  uint32_t msOfDay;      // receiver time of day, ms
  double secondsOfWeek;  // GPS time of week, s
  CivilDate date;        // GPS calendar date
};

class SessionClock {
 public:
  explicit SessionClock(int64_t startGpsSeconds) : start_(startGpsSeconds) {}
  int64_t start() const { return start_; }
  // t is rounded to the millisecond.
  TimeTag At(double t) const;
  // The same without the date (left zero).
  TimeTag AtWithoutDate(double t) const;
  uint32_t MsOfDay(double t) const;  // At(t).msOfDay
  // Seconds since the session start of a GPS week and time of week.
  double SinceStart(int week, double secondsOfWeek) const;
  // GLONASS time of day (s) and the day number within the four-year
  // period that begins with a leap year (1 = 1 January of that year).
  double GlonassSecondsOfDay(double t) const;
  int GlonassDayNumber(double t) const;

 private:
  int64_t Milliseconds(double t) const;  // GPS time in whole milliseconds
  int64_t start_;
};

}  // namespace jpssim
