#include "tools/jpsconv/qc_multipath.h"

#include <cmath>

#include "epoch/derived_doppler.h"
#include "support/satellite_numbers.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

constexpr int kLowestGlonassChannel = -7;
constexpr int kHighestGlonassChannel = 13;

bool Frequencies(int satellite, double* f1, double* f2) {
  if (jps::IsGpsNumber(satellite)) {
    *f1 = jps::kGpsL1Frequency;
    *f2 = jps::kGpsL2Frequency;
    return true;
  }
  if (!HasCarrierFrequencies(satellite)) return false;
  *f1 = jps::GlonassL1Frequency(jps::GlonassChannel(satellite));
  *f2 = jps::GlonassL2Frequency(jps::GlonassChannel(satellite));
  return true;
}

}  // namespace

bool HasCarrierFrequencies(int satellite) {
  if (jps::IsGpsNumber(satellite)) return true;
  int channel = jps::GlonassChannel(satellite);
  return jps::IsGlonassNumber(satellite) && channel >= kLowestGlonassChannel &&
         channel <= kHighestGlonassChannel;
}

MultipathValues Multipath(const jps::KelMeasurement& m) {
  MultipathValues v;
  double f1 = 0, f2 = 0;
  if (m.l1Phase == 0.0 || m.l2Phase == 0.0 || !Frequencies(m.satellite, &f1, &f2)) return v;
  // The KEL phases have the receiver's sign inverted: phase x wavelength
  // falls as the range grows.
  double phase1 = -m.l1Phase * jps::kSpeedOfLight / f1;
  double phase2 = -m.l2Phase * jps::kSpeedOfLight / f2;
  double alpha = (f1 / f2) * (f1 / f2);
  double k = 2.0 / (alpha - 1.0);
  v.mp1 = m.l1Code - (1.0 + k) * phase1 + k * phase2;
  v.mp2 = m.l2Code - alpha * k * phase1 + (alpha * k - 1.0) * phase2;
  // A damaged file may hold values that are not numbers.
  v.hasMp1 = m.l1Code != 0.0 && std::isfinite(v.mp1);
  v.hasMp2 = m.l2Code != 0.0 && std::isfinite(v.mp2);
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
