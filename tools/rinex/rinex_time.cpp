#include "tools/rinex/rinex_time.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "support/gps_time.h"
#include "support/gps_weeks.h"

namespace jpsrinex {
namespace {

constexpr int32_t kSecondsPerHour = 3600;
constexpr int kCalendarYearBase = 1900;  // CalendarTime years
constexpr double kGridTolerance = 1e-3;   // s: an epoch this close to the grid is on it
constexpr double kBoundTolerance = 1e-6;  // s

bool OnGrid(double tow, double interval) {
  double rest = std::fmod(tow, interval);
  return rest < kGridTolerance || interval - rest < kGridTolerance;
}

// GPS seconds since 1980-01-06 of "yyyy-mm-dd hh:mm[:ss[.s]]" (or with / and
// T), or false.
bool ParseCalendar(const std::string& text, double* gpsSeconds) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, consumed = 0;
  double second = 0;
  char dateSeparator = 0, timeSeparator = 0;
  int fields = std::sscanf(text.c_str(), "%4d%c%2d%*c%2d%c%2d:%2d%n", &year, &dateSeparator, &month,
                           &day, &timeSeparator, &hour, &minute, &consumed);
  if (fields != 7 || (dateSeparator != '-' && dateSeparator != '/') ||
      (timeSeparator != ' ' && timeSeparator != 'T')) {
    return false;
  }
  std::string rest = text.substr(static_cast<size_t>(consumed));
  if (!rest.empty()) {
    int more = 0;
    if (rest[0] != ':' || std::sscanf(rest.c_str() + 1, "%lf%n", &second, &more) != 1 ||
        static_cast<size_t>(more) + 1 != rest.size()) {
      return false;
    }
  }
  if (year < 1980 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      !(second >= 0 && second < 60)) {
    return false;
  }
  double whole = std::floor(second);
  jps::CalendarTime c{static_cast<int32_t>(whole), minute, hour, day, month - 1,
                      year - kCalendarYearBase,    0};
  int64_t since = 0;
  jps::FullWeekOfCalendar(c, &since);
  *gpsSeconds = static_cast<double>(since) + (second - whole);
  return true;
}

}  // namespace

void WeekFinder::Add(int32_t fullWeek, double tow) {
  if (fullWeek < 0 || !(tow >= 0 && tow <= jps::kSecondsPerWeek)) return;
  known_.insert({fullWeek, static_cast<int32_t>(tow / kSecondsPerHour)});
}

int32_t WeekFinder::WeekOf(double tow) const {
  int32_t week = -1;
  double nearest = std::numeric_limits<double>::infinity();
  for (const auto& [knownWeek, hour] : known_) {
    double d = tow - (hour + 0.5) * kSecondsPerHour;  // the middle of the known hour
    int32_t w = knownWeek;
    if (d > kHalfWeek) {  // tow lies late in the week before
      d -= jps::kSecondsPerWeek;
      --w;
    } else if (d < -kHalfWeek) {  // tow lies early in the week after
      d += jps::kSecondsPerWeek;
      ++w;
    }
    if (std::fabs(d) < nearest) {
      nearest = std::fabs(d);
      week = w;
    }
  }
  return week;
}

std::string ParseTimeBound(const std::string& text, TimeBound* out) {
  TimeBound bound;
  bound.set = true;
  char* end = nullptr;
  double seconds = std::strtod(text.c_str(), &end);
  if (!text.empty() && *end == '\0') {
    if (!(seconds >= 0 && seconds <= jps::kSecondsPerWeek)) {
      return "a time of week is a number of seconds from 0 to 604800: " + text;
    }
    bound.weekSeconds = true;
    bound.value = seconds;
  } else if (!ParseCalendar(text, &bound.value)) {
    return "not a time: " + text +
           " (seconds of the GPS week, or a date and time such as \"2014-08-29 20:00:00\")";
  }
  *out = bound;
  return "";
}

double BoundTime(const TimeBound& bound, double reference) {
  return bound.weekSeconds ? jps::NearestGpsTime(bound.value, reference) : bound.value;
}

bool EpochWindow::Takes(double tow, double gpsTime) {
  if (!started_) {
    started_ = true;
    fromTime_ = from_.set ? BoundTime(from_, gpsTime) : 0;
    toTime_ = to_.set ? BoundTime(to_, gpsTime) : 0;
  }
  if (from_.set && gpsTime < fromTime_ - kBoundTolerance) return false;
  if (to_.set && gpsTime > toTime_ + kBoundTolerance) return false;
  return interval_ <= 0 || OnGrid(tow, interval_);
}

}  // namespace jpsrinex
