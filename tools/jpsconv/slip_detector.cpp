#include "tools/jpsconv/slip_detector.h"

#include <algorithm>
#include <cmath>

#include "support/kel_records.h"

namespace jpsconv {
namespace {

constexpr double kGfLimitScale = 1.5;  // a0 = 1.5 (l2 - l1)

bool Present(double v) { return v != 0.0 && std::isfinite(v); }
bool HasPhase(const PhaseSample& s) { return Present(s.l1Phase); }

// Where the line fitted (least squares) through the arc's GF values puts
// time t. Times and values are taken relative to the last value: the values
// carry the ambiguities, thousands of metres.
double GfLine(const double* times, const double* values, int count, int last, double t) {
  double meanT = 0, meanV = 0;
  for (int i = 0; i < count; ++i) {
    meanT += times[i] - times[last];
    meanV += values[i] - values[last];
  }
  meanT /= count;
  meanV /= count;
  double spread = 0, together = 0;
  for (int i = 0; i < count; ++i) {
    double dt = times[i] - times[last] - meanT;
    spread += dt * dt;
    together += dt * (values[i] - values[last] - meanV);
  }
  double slope = spread > 0 ? together / spread : 0.0;
  return values[last] + meanV + slope * (t - times[last] - meanT);
}

}  // namespace

double GeometryFreeLimit(const Carriers& c, double dt) {
  double a0 = kGfLimitScale * (jps::kSpeedOfLight / c.l2 - jps::kSpeedOfLight / c.l1);
  return a0 - a0 / 2 * std::exp(-dt / kGfTimeConstant);
}

SlipDetector::Combinations SlipDetector::Combine(const PhaseSample& s) const {
  Combinations c;
  double f1 = carriers_.l1, f2 = carriers_.l2;
  if (!(f1 > f2 && f2 > 0) || !Present(s.l1Phase) || !Present(s.l2Phase)) return c;
  c.gf = jps::kSpeedOfLight * (s.l1Phase / f1 - s.l2Phase / f2);
  c.hasGf = std::isfinite(c.gf);
  if (c.hasGf && Present(s.l1Code) && Present(s.l2Code)) {
    double narrowLane = (f1 * s.l1Code + f2 * s.l2Code) / (f1 + f2);  // m
    c.mw = (s.l1Phase - s.l2Phase) - narrowLane * (f1 - f2) / jps::kSpeedOfLight;
    c.hasMw = std::isfinite(c.mw);
  }
  return c;
}

SlipDetector::Offsets SlipDetector::OffArc(const Held& h) const {
  Offsets off;
  const Combinations& c = h.values;
  double t = h.sample.time;
  if (c.hasGf && arc_.gfCount >= 2) {
    int last = (arc_.gfNext + kGfFitValues - 1) % kGfFitValues;
    off.gfTested = true;
    off.gf = c.gf - GfLine(arc_.gfTimes, arc_.gfValues, arc_.gfCount, last, t);
    off.gfLimit = GeometryFreeLimit(carriers_, t - arc_.gfTimes[last]);
    off.gfOff = !(std::fabs(off.gf) <= off.gfLimit);
  }
  if (c.hasMw && arc_.mwCount > 0) {
    off.mwTested = true;
    off.mw = c.mw - arc_.mwMean;
    off.mwLimit = kMwSigmas * std::max(std::sqrt(arc_.mwVariance), kMwLeastSigma);
    off.mwOff = !(std::fabs(off.mw) <= off.mwLimit);
  }
  return off;
}

double SlipDetector::GapLimit() const {
  return std::max(kArcGapSeconds, kArcGapSteps * arc_.lastStep);
}

void SlipDetector::Accept(Held& h) {
  double t = h.sample.time;
  if (arc_.open) arc_.lastStep = t - arc_.lastTime;
  arc_.open = true;
  arc_.lastTime = t;
  arc_.lastRestarted = h.sample.lock != LockHint::kContinued;
  const Combinations& c = h.values;
  if (c.hasGf) {
    arc_.gfTimes[arc_.gfNext] = t;
    arc_.gfValues[arc_.gfNext] = c.gf;
    arc_.gfNext = (arc_.gfNext + 1) % kGfFitValues;
    arc_.gfCount = std::min(arc_.gfCount + 1, kGfFitValues);
  }
  if (c.hasMw) {
    if (arc_.mwCount == 0) {
      arc_.mwMean = c.mw;
      arc_.mwVariance = kMwFirstSigma * kMwFirstSigma;
      arc_.mwCount = 1;
    } else {
      arc_.mwCount = std::min(arc_.mwCount + 1, kMwWindow);
      double n = static_cast<double>(arc_.mwCount);
      double d = c.mw - arc_.mwMean;
      arc_.mwMean += d / n;
      arc_.mwVariance += (d * d - arc_.mwVariance) / n;
    }
  }
}

void SlipDetector::Verdict(Held& h, ArcEvent event) {
  h.verdict.event = event;
  ++decided_;
}

void SlipDetector::StartArc(Held& h, ArcEvent event) {
  arc_ = Arc{};
  Accept(h);
  Verdict(h, event);
}

void SlipDetector::Push(const PhaseSample& sample) {
  Held& h = held_[(first_ + count_) % kHeldSamples];
  h.sample = sample;
  h.values = Combine(sample);
  h.verdict = SampleVerdict{};
  ++count_;
  Decide(false);
}

void SlipDetector::MakeRoom() {
  if (count_ == kHeldSamples && decided_ < count_) DecideNext(true);
}

void SlipDetector::Decide(bool closing) {
  while (decided_ < count_ && DecideNext(closing)) {
  }
}

bool SlipDetector::DecideNext(bool closing) {
  size_t at = decided_;
  Held& h = At(at);
  const PhaseSample& s = h.sample;
  if (!HasPhase(s)) {
    Verdict(h, ArcEvent::kNoPhase);
    return true;
  }
  if (s.lock == LockHint::kReacquired || !arc_.open || !(s.time > arc_.lastTime) ||
      s.time - arc_.lastTime > GapLimit()) {
    StartArc(h, ArcEvent::kArcStart);
    return true;
  }
  Offsets off = OffArc(h);
  if (!off.Tested()) {
    if (s.lock == LockHint::kRestarted && !arc_.lastRestarted) {
      return DecideUntestedRestart(at, closing);
    }
  } else if (off.Off()) {
    if (s.lock == LockHint::kRestarted) {
      StartArc(h, ArcEvent::kSlip);
      return true;
    }
    return DecideDeparture(at, off, closing);
  }
  Accept(h);
  Verdict(h, ArcEvent::kContinues);
  return true;
}

// A lock restart at a sample that cannot be tested: the next sample that can
// tells whether the phases went on across it; without one, the receiver's
// word stands.
bool SlipDetector::DecideUntestedRestart(size_t at, bool closing) {
  Held& h = At(at);
  bool arcEnds = false;
  size_t next = NextTested(at, true, true, &arcEnds);
  if (next == kHeldSamples) {
    if (!arcEnds && !closing) return false;
    StartArc(h, ArcEvent::kSlip);
    return true;
  }
  Offsets later = OffArc(At(next));
  if (later.Off()) {
    StartArc(h, ArcEvent::kSlip);
  } else {
    Accept(h);
    Verdict(h, ArcEvent::kContinues);
  }
  return true;
}

// A sample off the arc without a restart: a slip if the next sample that
// tests the same combinations stays with it, else an outlier.
bool SlipDetector::DecideDeparture(size_t at, const Offsets& off, bool closing) {
  Held& h = At(at);
  bool arcEnds = false;
  size_t next = NextTested(at, off.gfOff, off.mwOff, &arcEnds);
  if (next == kHeldSamples) {
    if (!arcEnds && !closing) return false;
    Verdict(h, ArcEvent::kOutlier);
    return true;
  }
  const Held& k = At(next);
  Offsets later = OffArc(k);
  bool stays = true;
  if (off.gfOff && later.gfTested) {
    stays = stays && std::fabs(later.gf - off.gf) <=
                         GeometryFreeLimit(carriers_, k.sample.time - h.sample.time);
  }
  if (off.mwOff && later.mwTested) {
    stays = stays && std::fabs(later.mw - off.mw) <= later.mwLimit;
  }
  if (stays) {
    StartArc(h, ArcEvent::kSlip);
  } else {
    Verdict(h, ArcEvent::kOutlier);
  }
  return true;
}

size_t SlipDetector::NextTested(size_t at, bool gf, bool mw, bool* arcEnds) const {
  *arcEnds = false;
  if (!(gf && arc_.gfCount >= 2) && !(mw && arc_.mwCount > 0)) {
    *arcEnds = true;  // the arc cannot test them
    return kHeldSamples;
  }
  double last = At(at).sample.time;
  for (size_t j = at + 1; j < count_; ++j) {
    const Held& h = At(j);
    if (!HasPhase(h.sample)) continue;
    if (h.sample.lock == LockHint::kReacquired || !(h.sample.time > last) ||
        h.sample.time - last > GapLimit()) {
      *arcEnds = true;
      return kHeldSamples;
    }
    last = h.sample.time;
    Offsets o = OffArc(h);
    if ((gf && o.gfTested) || (mw && o.mwTested)) return j;
  }
  return kHeldSamples;
}

}  // namespace jpsconv
