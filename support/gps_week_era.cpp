#include "support/gps_week_era.h"

#include <cmath>

#include "support/gps_time.h"

namespace jps {
namespace {

constexpr double kMostEras = 1000.0;  // far beyond any date a recording can carry

}  // namespace

int32_t WholeGpsWeek(int32_t week, double reference) {
  int32_t w = ((week % kWeeksPerEra) + kWeeksPerEra) % kWeeksPerEra;
  double eras = std::floor((reference / kSecondsPerWeek - w) / kWeeksPerEra);
  if (!(eras > 0)) return w;
  return w + kWeeksPerEra * static_cast<int32_t>(std::fmin(eras, kMostEras));
}

double CalendarToGpsSeconds(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                            int32_t second) {
  CalendarTime t{second, minute, hour, day, month, year, 0};
  return static_cast<double>(CalendarToSeconds(t) - kGpsEpochUnixSeconds);
}

}  // namespace jps
