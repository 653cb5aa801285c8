#include "epoch/epoch_clock.h"

#include "support/day_numbers.h"
#include "support/gps_time.h"

namespace jps {
namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kMsPerWeek = 7 * kMsPerDay;
constexpr uint32_t kHalfDayMs = 43200000;
constexpr int kGpsTimeBase = 0;
constexpr int kMonthsPerYear = 12;
constexpr int kLongestMonth = 31;

}  // namespace

void EpochClock::Reset() {
  hasDate_ = false;
  hasTime_ = false;
  gpsDay_ = 0;
  msOfDay_ = 0;
  noDateReported_ = false;
  timeBaseReported_ = false;
}

void EpochClock::OnReceiverTime(uint32_t msOfDay) {
  if (hasTime_ && hasDate_ && msOfDay < msOfDay_ && msOfDay_ - msOfDay > kHalfDayMs) ++gpsDay_;
  msOfDay_ = msOfDay;
  hasTime_ = true;
}

void EpochClock::OnReceiverDate(int year, int month, int day, int timeBase) {
  if (month < 1 || month > kMonthsPerYear || day < 1 || day > kLongestMonth) return;
  int32_t gpsDay = DateToMjd(year, month, day) - kGpsEpochMjd;
  if (gpsDay < 0) return;
  if (timeBase != kGpsTimeBase && !timeBaseReported_) {
    timeBaseReported_ = true;
    context_.Report("Receiver date in time base %d, not GPS: the observations are dated as GPS time",
                    timeBase);
  }
  gpsDay_ = gpsDay;
  hasDate_ = true;
}

int64_t EpochClock::GpsMs() const { return gpsDay_ * kMsPerDay + msOfDay_; }

int32_t EpochClock::Week() const { return static_cast<int32_t>(GpsMs() / kMsPerWeek); }

double EpochClock::TimeOfWeek() const { return static_cast<double>(GpsMs() % kMsPerWeek) / 1000.0; }

void EpochClock::ReportNoDate() {
  if (noDateReported_) return;
  noDateReported_ = true;
  context_.Report("Receiver time before the first receiver date: epochs left out until a date arrives");
}

}  // namespace jps
