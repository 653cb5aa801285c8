#include "tools/simulator/sim_time.h"

#include <cmath>

namespace jpssim {
namespace {

constexpr int64_t kGpsEpochDays = 3657;  // 1980-01-06 counted from 1970-01-01

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

// Civil-calendar arithmetic in eras of 400 years (proleptic Gregorian).
int64_t DaysFromCivil(int year, int month, int day) {
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t mp = (month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t days) {
  int64_t z = days + 719468;
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

int64_t GpsSecondsAtDay(int year, int month, int day) {
  return (DaysFromCivil(year, month, day) - kGpsEpochDays) * kSecondsPerDay;
}

int64_t SessionClock::Milliseconds(double t) const { return start_ * 1000 + std::llround(t * 1000.0); }

uint32_t SessionClock::MsOfDay(double t) const {
  int64_t ms = Milliseconds(t);
  return static_cast<uint32_t>(ms - FloorDiv(ms, kSecondsPerDay * 1000) * kSecondsPerDay * 1000);
}

TimeTag SessionClock::AtWithoutDate(double t) const {
  int64_t days = FloorDiv(Milliseconds(t), kSecondsPerDay * 1000);
  TimeTag tag{};
  tag.week = static_cast<int>(FloorDiv(days, 7));
  tag.dayOfWeek = static_cast<int>(days - 7 * static_cast<int64_t>(tag.week));
  tag.msOfDay = MsOfDay(t);
  tag.secondsOfWeek = tag.dayOfWeek * static_cast<double>(kSecondsPerDay) + tag.msOfDay * 0.001;
  return tag;
}

TimeTag SessionClock::At(double t) const {
  TimeTag tag = AtWithoutDate(t);
  tag.date = CivilFromDays(static_cast<int64_t>(tag.week) * 7 + tag.dayOfWeek + kGpsEpochDays);
  return tag;
}

double SessionClock::SinceStart(int week, double secondsOfWeek) const {
  return static_cast<double>(static_cast<int64_t>(week) * kSecondsPerWeek - start_) + secondsOfWeek;
}

double SessionClock::GlonassSecondsOfDay(double t) const {
  int64_t whole = start_ - kGpsMinusUtcSeconds + kGlonassMinusUtcSeconds;
  int64_t day = FloorDiv(whole, kSecondsPerDay);
  double sod = static_cast<double>(whole - day * kSecondsPerDay) + t;
  return sod - kSecondsPerDay * std::floor(sod / kSecondsPerDay);
}

int SessionClock::GlonassDayNumber(double t) const {
  double glonass = static_cast<double>(start_ - kGpsMinusUtcSeconds + kGlonassMinusUtcSeconds) + t;
  int64_t days = static_cast<int64_t>(std::floor(glonass / kSecondsPerDay)) + kGpsEpochDays;
  CivilDate date = CivilFromDays(days);
  int firstYear = date.year - ((date.year % 4) + 4) % 4;
  return static_cast<int>(days - DaysFromCivil(firstYear, 1, 1)) + 1;
}

}  // namespace jpssim
