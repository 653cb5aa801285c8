#include "support/gps_weeks.h"

#include <cmath>

namespace jps {
namespace {

constexpr int64_t kTicksPerSecond = 10000000;  // 1e-7 s
constexpr int64_t kTicksPerDay = kTicksPerSecond * kSecondsPerDay;
constexpr int32_t kDaysPerWeek = 7;
constexpr int32_t kSecondsPerHour = 3600;
constexpr int32_t kSecondsPerMinute = 60;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int32_t FullWeekNotAfter(int32_t week, int32_t latestWeek) {
  if (week < 0) return -1;
  if (week >= kWeeksPerEra) return week;
  int32_t eras = latestWeek >= week ? (latestWeek - week) / kWeeksPerEra : 0;
  return week + eras * kWeeksPerEra;
}

int32_t FullWeekNear(int32_t week, int32_t referenceWeek) {
  if (week < 0) return -1;
  if (week >= kWeeksPerEra) return week;
  int32_t half = kWeeksPerEra / 2;
  int32_t eras = referenceWeek + half >= week ? (referenceWeek + half - week) / kWeeksPerEra : 0;
  return week + eras * kWeeksPerEra;
}

int32_t FullWeekOfCalendar(const CalendarTime& time, int64_t* seconds) {
  int64_t since = CalendarToSeconds(time) - kGpsEpochUnixSeconds;
  if (seconds != nullptr) *seconds = since;
  return static_cast<int32_t>(FloorDiv(since, static_cast<int64_t>(kSecondsPerWeek)));
}

DateTime FullWeekToDateTime(int32_t week, double tow) {
  int64_t ticks = std::llround(tow * static_cast<double>(kTicksPerSecond));
  int64_t days = FloorDiv(ticks, kTicksPerDay);
  int64_t ofDay = ticks - days * kTicksPerDay;
  int64_t weeks = FloorDiv(days, kDaysPerWeek);
  int32_t dayOfWeek = static_cast<int32_t>(days - weeks * kDaysPerWeek);
  DateTime out{};
  int32_t hour, minute;
  double second;
  // The start of the day is a whole number of days into the week, so the
  // date comes out exact.
  GpsToDate(week + static_cast<int32_t>(weeks), static_cast<double>(dayOfWeek) * kSecondsPerDay,
            &out.year, &out.month, &out.day, &hour, &minute, &second);
  int64_t wholeSeconds = ofDay / kTicksPerSecond;
  out.hour = static_cast<int32_t>(wholeSeconds / kSecondsPerHour);
  out.minute = static_cast<int32_t>(wholeSeconds % kSecondsPerHour / kSecondsPerMinute);
  out.second = static_cast<double>(wholeSeconds % kSecondsPerMinute) +
               static_cast<double>(ofDay % kTicksPerSecond) / static_cast<double>(kTicksPerSecond);
  return out;
}

}  // namespace jps
