#include "tools/jpsconv/qc_time.h"

#include <cmath>
#include <cstdio>

#include "support/gps_time.h"
#include "support/gps_weeks.h"

namespace jpsconv {
namespace {

constexpr double kHour = 3600.0;
constexpr double kMinute = 60.0;
constexpr double kFractionShown = 0.0005;  // s; less is a whole second
const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

struct Parts {
  int hour, minute;
  double second;
};

// The time of day of t, with seconds rounded to the millisecond (and the
// carry into minutes and hours done here, so that 59.9996 s never prints as 60).
Parts TimeOfDay(double t) {
  double ms = std::round(t * 1000.0);
  double dayMs = std::fmod(ms, jps::kSecondsPerDay * 1000.0);
  if (dayMs < 0) dayMs += jps::kSecondsPerDay * 1000.0;
  Parts p;
  p.hour = static_cast<int>(dayMs / (kHour * 1000.0));
  p.minute = static_cast<int>(std::fmod(dayMs, kHour * 1000.0) / (kMinute * 1000.0));
  p.second = std::fmod(dayMs, kMinute * 1000.0) / 1000.0;
  return p;
}

std::string Seconds(double second) {
  char text[16];
  if (std::fabs(second - std::round(second)) < kFractionShown) {
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(std::round(second)));
  } else {
    std::snprintf(text, sizeof text, "%06.3f", second);
  }
  return text;
}

// Calendar date of t in the report's week: "2015-07-23".
std::string Date(const QcReport& report, double t) {
  double ms = std::round(t * 1000.0) / 1000.0;
  double dayStart = std::floor(ms / jps::kSecondsPerDay) * jps::kSecondsPerDay;
  jps::DateTime d = jps::FullWeekToDateTime(report.week, dayStart);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
  return text;
}

}  // namespace

std::string QcClock(double t, bool withSeconds) {
  Parts p = TimeOfDay(t);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", p.hour, p.minute);
  return withSeconds ? text + (":" + Seconds(p.second)) : text;
}

std::string QcDateTime(const QcReport& report, double t) {
  if (report.hasWeek) return Date(report, t) + " " + QcClock(t, true);
  double ms = std::round(t * 1000.0) / 1000.0;
  long day = static_cast<long>(std::floor(ms / jps::kSecondsPerDay)) % 7;
  if (day < 0) day += 7;
  return std::string(kDayNames[day]) + " " + QcClock(t, true);
}

std::string QcIsoTime(const QcReport& report, double t) {
  if (!report.hasWeek) return "";
  return Date(report, t) + "T" + QcClock(t, true);
}

std::string QcDuration(double seconds) {
  char text[48];
  double s = std::round(seconds * 1000.0) / 1000.0;
  if (s < kMinute) {
    std::snprintf(text, sizeof text, "%g s", s);
  } else if (s < kHour) {
    long whole = std::lround(s);
    std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  } else {
    long minutes = std::lround(s / kMinute);
    std::snprintf(text, sizeof text, "%ld h %02ld min", minutes / 60, minutes % 60);
  }
  return text;
}

}  // namespace jpsconv
