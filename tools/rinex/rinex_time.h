// Times of the RINEX files: the full GPS week of each KEL epoch (the KEL
// file holds seconds of the week only) and the --from and --to bounds.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "support/gps_time.h"

namespace jpsrinex {

// Places a time of week in its full week by the times nearest it whose week
// is known: the transmission times of the GPS ephemerides, or one epoch given
// a week on the command line.
class WeekFinder {
 public:
  void Add(int32_t fullWeek, double tow);
  bool empty() const { return known_.empty(); }
  // The week of the known time nearest tow (nearest around the week's end
  // too), moved by one when the two lie on either side of a week's end.
  // -1 when nothing is known.
  int32_t WeekOf(double tow) const;

 private:
  // (week, hour of the week): the hours around a time are enough to place it.
  std::set<std::pair<int32_t, int32_t>> known_;
};

constexpr double kHalfWeek = jps::kSecondsPerWeek / 2;

// GPS seconds since 1980-01-06 00:00.
inline double GpsSeconds(int32_t week, double tow) { return week * jps::kSecondsPerWeek + tow; }

// A --from or --to bound: seconds of the GPS week ("504000", placed in the
// week nearest the first epoch) or a calendar date and time in GPS time
// ("2014-08-29 20:00:00", also with a "T", without the seconds, or with a
// fraction of them).
struct TimeBound {
  bool set = false;
  bool weekSeconds = false;
  double value = 0;  // seconds of the week, or GPS seconds since 1980-01-06
};

// "" when the text is a time, else what is wrong with it.
std::string ParseTimeBound(const std::string& text, TimeBound* out);
// The bound in GPS seconds since 1980-01-06; seconds of the week go to the
// week nearest reference (GPS seconds too).
double BoundTime(const TimeBound& bound, double reference);

// The --from, --to and --interval choice of epochs.
class EpochWindow {
 public:
  EpochWindow(const TimeBound& from, const TimeBound& to, double interval)
      : from_(from), to_(to), interval_(interval) {}
  // True when the epoch at tow (GPS seconds gpsTime) is taken. The first
  // epoch asked about places bounds given as seconds of the week.
  bool Takes(double tow, double gpsTime);

 private:
  TimeBound from_, to_;
  double interval_;
  bool started_ = false;
  double fromTime_ = 0, toTime_ = 0;
};

}  // namespace jpsrinex
