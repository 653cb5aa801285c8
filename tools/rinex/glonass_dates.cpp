#include "tools/rinex/glonass_dates.h"

#include <cmath>

#include "support/gps_time.h"

namespace jpsrinex {
namespace {

// Day (counted from 1980-01-06) on which the four-year period of 1980 began,
// 1980-01-01; every fourth year from there is a leap year until 2100.
constexpr int64_t kFirstPeriodStart = -5;
constexpr int kPeriodOf1996 = 4;  // periods from 1980 to that of N4 = 1
constexpr int kLastN4 = 31;       // five bits

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

GlonassTimes DateGlonassEphemeris(int dayNumber, int n4, int32_t tk, int32_t tb, int64_t nearUtc) {
  int64_t nearMoscow = nearUtc + kMoscowAheadOfUtc;
  int64_t day;
  if (dayNumber >= 1 && dayNumber <= kDaysPerFourYears) {
    int64_t inFirstPeriod = kFirstPeriodStart + dayNumber - 1;
    if (n4 >= 1 && n4 <= kLastN4) {
      day = inFirstPeriod + static_cast<int64_t>(kPeriodOf1996 + n4 - 1) * kDaysPerFourYears;
    } else {
      int64_t nearDay = FloorDiv(nearMoscow, jps::kSecondsPerDay);
      double periods = static_cast<double>(nearDay - inFirstPeriod) / kDaysPerFourYears;
      day = inFirstPeriod + static_cast<int64_t>(std::llround(periods)) * kDaysPerFourYears;
    }
  } else {
    day = std::llround(static_cast<double>(nearMoscow - tb) / jps::kSecondsPerDay);
  }
  int64_t dayStartUtc = day * jps::kSecondsPerDay - kMoscowAheadOfUtc;
  return {dayStartUtc + tk, dayStartUtc + tb};
}

}  // namespace jpsrinex
