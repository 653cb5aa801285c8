#include "epoch/value_forms.h"

#include "epoch/measurement_forms.h"
#include "support/day_numbers.h"
#include "support/gps_time.h"

namespace jps {
namespace {

// Seconds per count of the QZSS and BeiDou short pseudoranges (the others
// count in kShortRangeScale).
constexpr double kLongShortRangeScale = 2e-11;
// Offsets of the short pseudoranges, s (GPS and GLONASS: kShortRangeOffset;
// Galileo before April 2011 too).
constexpr double kGalileoShortRangeOffset = 0.09;
constexpr double kSbasShortRangeOffset = 0.115;
constexpr double kQzssShortRangeOffset = 0.125;
constexpr double kBeidouShortRangeOffset = 0.105;
constexpr int kGalileoOffsetYear = 2011, kGalileoOffsetMonth = 4;

constexpr double kCnrQuarter = 0.25;
constexpr int64_t kCounterSpan = int64_t{1} << 32;
constexpr uint32_t kHalfCounterSpan = 0x80000000u;

}  // namespace

ShortRangeForm ShortRangeFormOf(GnssSystem system, int32_t gpsDay) {
  switch (system) {
    case GnssSystem::kGps:
    case GnssSystem::kGlonass:
      return {kShortRangeScale, kShortRangeOffset};
    case GnssSystem::kGalileo: {
      static const int32_t kNewOffsetDay =
          DateToMjd(kGalileoOffsetYear, kGalileoOffsetMonth, 1) - kGpsEpochMjd;
      return {kShortRangeScale, gpsDay < kNewOffsetDay ? kShortRangeOffset : kGalileoShortRangeOffset};
    }
    case GnssSystem::kSbas:
      return {kShortRangeScale, kSbasShortRangeOffset};
    case GnssSystem::kQzss:
      return {kLongShortRangeScale, kQzssShortRangeOffset};
    case GnssSystem::kBeidou:
      return {kLongShortRangeScale, kBeidouShortRangeOffset};
  }
  return {kShortRangeScale, kShortRangeOffset};
}

double ShortRelativeRangeSeconds(double count, double caRangeSeconds) {
  return count * kShortRangeScale + kRelativeRangeOffset + caRangeSeconds;
}

double RelativePhaseCycles(double seconds, double caRangeSeconds, double frequency) {
  return (seconds + caRangeSeconds) * frequency;
}

double ShortRelativePhaseCycles(double count, double caRangeSeconds, double frequency) {
  return (count / kRelativePhaseUnit + caRangeSeconds) * frequency;
}

double DopplerHz(double count) { return -count * kDopplerUnitHz; }

double RelativeDopplerHz(double count, double caCount, double ratio) {
  return -(count + caCount) * ratio * kDopplerUnitHz;
}

double QuarterCnr(double count) { return count * kCnrQuarter; }

double PhaseCounterTrack::Unwrap(uint32_t counter) {
  if (started_) {
    // The step the shorter way round the counter.
    uint32_t step = counter - last_;
    counts_ += step < kHalfCounterSpan ? static_cast<int64_t>(step)
                                       : static_cast<int64_t>(step) - kCounterSpan;
  } else {
    counts_ = counter;
    started_ = true;
  }
  last_ = counter;
  return static_cast<double>(counts_) / kPhaseCounterPerCycle;
}

}  // namespace jps
