// The time of the epochs of the receiver's stream: the receiver time [~~]
// gives the milliseconds of the day, the receiver date [RD] the calendar day.
// The receiver sends the date only every few epochs; between two dates the
// day moves on at midnight, when the time of day falls back.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"

namespace jps {

class EpochClock {
 public:
  explicit EpochClock(ConversionContext& context) : context_(context) {}

  // Forgets the date, the last time and the reports made.
  void Reset();
  // The receiver time of a new epoch. A time of day more than half a day
  // before the previous epoch's is the next day's; a smaller step back
  // stays on the same day.
  void OnReceiverTime(uint32_t msOfDay);
  // The epoch's receiver date, in the time base the receiver names (0: GPS).
  // Another base is told to the host once and the times are taken as GPS
  // times all the same. A date that names no day is ignored.
  void OnReceiverDate(int year, int month, int day, int timeBase);

  bool HasDate() const { return hasDate_; }
  // Days since the GPS time origin (1980-01-06) of the current epoch's date.
  int32_t GpsDay() const { return gpsDay_; }
  // Milliseconds since the GPS time origin of the current epoch.
  int64_t GpsMs() const;
  int32_t Week() const;
  double TimeOfWeek() const;

  // The current epoch has no date: told to the host the first time.
  void ReportNoDate();

 private:
  ConversionContext& context_;
  bool hasDate_ = false;
  bool hasTime_ = false;
  int32_t gpsDay_ = 0;
  uint32_t msOfDay_ = 0;
  bool noDateReported_ = false;
  bool timeBaseReported_ = false;
};

}  // namespace jps
