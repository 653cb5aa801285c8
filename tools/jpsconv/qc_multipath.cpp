#include "tools/jpsconv/qc_multipath.h"

#include <cmath>

#include "support/kel_records.h"
#include "support/satellite_numbers.h"
#include "tools/jpsconv/rinex_glonass.h"

namespace jpsconv {

Carriers KelCarriers(int number) {
  if (jps::IsGpsNumber(number)) return {jps::kGpsL1Frequency, jps::kGpsL2Frequency};
  int channel = jps::GlonassChannel(number);
  if (!jps::IsGlonassNumber(number) || channel < kFirstGlonassChannel ||
      channel > kLastGlonassChannel) {
    return {};
  }
  return {jps::GlonassL1Frequency(channel), jps::GlonassL2Frequency(channel)};
}

MultipathValues Multipath(const PhaseSample& s, const Carriers& carriers) {
  MultipathValues v;
  double f1 = carriers.l1, f2 = carriers.l2;
  if (s.l1Phase == 0.0 || s.l2Phase == 0.0 || !(f1 > f2 && f2 > 0)) return v;
  double phase1 = s.l1Phase * jps::kSpeedOfLight / f1;  // m
  double phase2 = s.l2Phase * jps::kSpeedOfLight / f2;
  double alpha = (f1 / f2) * (f1 / f2);
  double k = 2.0 / (alpha - 1.0);
  v.mp1 = s.l1Code - (1.0 + k) * phase1 + k * phase2;
  v.mp2 = s.l2Code - alpha * k * phase1 + (alpha * k - 1.0) * phase2;
  // A damaged file may hold values that are not numbers.
  v.hasMp1 = s.l1Code != 0.0 && std::isfinite(v.mp1);
  v.hasMp2 = s.l2Code != 0.0 && std::isfinite(v.mp2);
  return v;
}

void MultipathArcs::Add(double value) {
  if (count_ == 0) first_ = value;
  double d = value - first_;
  sum_ += d;
  sumSquares_ += d * d;
  ++count_;
}

void MultipathArcs::EndArc() {
  if (count_ >= kMultipathMinArcEpochs) {
    squares_ += std::fmax(0.0, sumSquares_ - sum_ * sum_ / static_cast<double>(count_));
    epochs_ += count_;
    ++arcs_;
  }
  first_ = sum_ = sumSquares_ = 0;
  count_ = 0;
}

double MultipathArcs::Rms() const {
  return epochs_ > 0 ? std::sqrt(squares_ / static_cast<double>(epochs_)) : 0.0;
}

}  // namespace jpsconv
