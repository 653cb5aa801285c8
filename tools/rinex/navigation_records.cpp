#include "tools/rinex/navigation_records.h"

#include <cmath>

#include "support/gps_time.h"

namespace jpsrinex {
namespace {

constexpr int kLastUraIndex = 15;
constexpr int kLastHalfStepIndex = 6;  // up to here the metres double every two steps
constexpr double kTenths = 10.0;
constexpr double kHalfWeek = jps::kSecondsPerWeek / 2;
constexpr double kShortFitHours = 4;

// -1, 0 or 1: the week of a time of week t relative to that of a close one, ref.
int32_t WeekShift(double t, double ref) {
  double d = t - ref;
  if (d < -kHalfWeek) return 1;
  if (d > kHalfWeek) return -1;
  return 0;
}

}  // namespace

double UraMetres(int index) {
  if (index < 0 || index > kLastUraIndex) return 0;
  if (index <= kLastHalfStepIndex) {
    return std::round(std::pow(2.0, 1.0 + index / 2.0) * kTenths) / kTenths;
  }
  return std::pow(2.0, index - 2);
}

double GpsFitIntervalHours(bool longFit, int iodc) {
  if (!longFit) return kShortFitHours;
  // The IODC ranges of the longer fit intervals (the GPS interface's table).
  if (iodc >= 240 && iodc <= 247) return 8;
  if ((iodc >= 248 && iodc <= 255) || iodc == 496) return 14;
  if ((iodc >= 497 && iodc <= 503) || (iodc >= 1021 && iodc <= 1023)) return 26;
  return 6;
}

EphemerisWeeks PlaceEphemerisWeeks(int32_t messageWeek, double messageTow, double toe, double toc) {
  EphemerisWeeks w;
  w.week = messageWeek + WeekShift(toe, messageTow);
  w.tocWeek = w.week + WeekShift(toc, toe);
  w.transmissionTime = messageTow + (messageWeek - w.week) * jps::kSecondsPerWeek;
  return w;
}

}  // namespace jpsrinex
