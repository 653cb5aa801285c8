#include "tools/simulator/receiver_model.h"

#include <algorithm>
#include <cmath>

#include "epoch/geodetic.h"
#include "support/satellite_numbers.h"
#include "tools/simulator/signal_plan.h"

namespace jpssim {
namespace {

// The site: WGS-84 latitude, longitude (degrees) and ellipsoidal height (m).
constexpr double kSiteLatitude = 47.3769;
constexpr double kSiteLongitude = 8.5417;
constexpr double kSiteHeight = 408.0;

// Receiver clock: bias and rate drawn per seed, plus a slow wander.
constexpr double kClockWanderAmplitude = 5e-9;  // s
constexpr double kClockWanderPeriod = 3000.0;   // s

// Atmosphere.
constexpr double kZenithTroposphere = 2.3;  // m at sea level
constexpr double kTroposphereScaleHeight = 7000.0;
constexpr double kIonosphereMean = 2.25;  // m of L1 delay at the zenith
constexpr double kIonosphereSwing = 1.75;
constexpr double kIonosphereHeight = 350000.0;
constexpr double kEarthRadius = 6371000.0;

constexpr double kDopplerStep = 0.05;           // s, half-width of the phase-rate difference
constexpr double kLowestMappedElevation = 1.0;  // degrees
// Troposphere mapping 1 / (sin e + a / (tan e + b)).
constexpr double kMappingA = 0.00143, kMappingB = 0.0445;
constexpr double kCodeNoiseElevationScale = 12.0;  // degrees
// Signal-to-noise ratio: base plus a part growing with the elevation's sine.
constexpr double kSnrBase = 30.0, kSnrRise = 20.0, kSnrNoise = 0.7;  // dB-Hz
constexpr double kPositionNoise = 0.6, kVelocityNoise = 0.02;  // m, m/s of the receiver's solution
constexpr double kClockBiasSpread = 2e-7, kClockRateSpread = 2e-10;  // s, s/s either way

// Tracking events per epoch.
constexpr double kSlipEverySecondsHigh = 7200;  // mean time between slips above 15 degrees
constexpr double kSlipEverySecondsLow = 600;    // and below
constexpr double kLowElevation = 15.0;
constexpr double kMissingCaRange = 0.001;
constexpr double kMissingL1Phase = 0.001;
constexpr double kMissingDoppler = 0.002;
constexpr double kMissingL2 = 0.003;
constexpr double kMissingL2Low = 0.02;
constexpr double kMissingSnr = 0.002;  // any signal's strength
constexpr int kAmbiguitySpread = 40;  // cycles at lock start
constexpr int kSlipSize = 30;         // cycles, at most
// A GLONASS satellite's orbital slot is known once its data has been read.
constexpr double kSlotReadingSeconds = 20.0;

// Labels of the receiver's random streams.
constexpr uint64_t kReceiverStream = 7;
constexpr uint64_t kOtherSignalsStream = 9;

double CodeSigma(double elevation) {
  return kCodeNoiseZenith + kCodeNoiseLow * std::exp(-elevation / kCodeNoiseElevationScale);
}

// The ionosphere delays a signal's code and advances its phase by
// (f1 / f)^2 times its L1 delay.
double IonosphereFactor(const SatObservation& o, double frequency) {
  return (o.l1Frequency / frequency) * (o.l1Frequency / frequency);
}

// The C/A code's signal strength without its noise.
double CleanSnr(double elevation) {
  return kSnrBase + kSnrRise * std::sin(std::max(elevation, 0.0) * kDegree);
}

}  // namespace

ReceiverModel::ReceiverModel(Constellation& sky, uint64_t seed, double interval, const Walk& walk)
    : sky_(sky),
      walk_(walk),
      interval_(interval),
      random_(StreamSeed(seed, kReceiverStream)),
      signals_(StreamSeed(seed, kOtherSignalsStream)),
      tracks_(sky.size()) {
  double lat = kSiteLatitude * kDegree, lon = kSiteLongitude * kDegree;
  jps::EcefPosition site = jps::GeodeticToEcef(lat, lon, kSiteHeight);
  site_ = {site.x, site.y, site.z};
  east_ = {-std::sin(lon), std::cos(lon), 0};
  north_ = {-std::sin(lat) * std::cos(lon), -std::sin(lat) * std::sin(lon), std::cos(lat)};
  up_ = {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
  clockBias_ = random_.In({-kClockBiasSpread, kClockBiasSpread});
  clockRate_ = random_.In({-kClockRateSpread, kClockRateSpread});
}

Vec3 ReceiverModel::AntennaAt(double t, Vec3* velocity) const {
  double duration = walk_.end - walk_.start;
  double along = 0, speed = 0;
  if (duration > 0 && t > walk_.start) {
    double u = std::min(1.0, (t - walk_.start) / duration);
    along = walk_.length * (u - std::sin(2.0 * kPi * u) / (2.0 * kPi));
    if (u < 1.0) speed = walk_.length / duration * (1.0 - std::cos(2.0 * kPi * u));
  }
  double h = walk_.heading * kDegree;
  Vec3 direction = std::cos(h) * north_ + std::sin(h) * east_;
  if (velocity != nullptr) *velocity = speed * direction;
  return site_ + along * direction;
}

double ReceiverModel::ClockOffsetAt(double t, double* drift) const {
  double w = 2.0 * kPi / kClockWanderPeriod;
  if (drift != nullptr) *drift = clockRate_ + kClockWanderAmplitude * w * std::cos(w * t);
  return clockBias_ + clockRate_ * t + kClockWanderAmplitude * std::sin(w * t);
}

ReceiverModel::Sight ReceiverModel::SightAt(size_t i, double t) {
  Sight s;
  s.offset = ClockOffsetAt(t, nullptr);
  double trueTime = t - s.offset;
  Vec3 antenna = AntennaAt(trueTime, nullptr);
  s.path = sky_.PathTo(i, trueTime, antenna);
  double up = Dot(s.path.line, up_);
  s.elevation = std::asin(std::max(-1.0, std::min(1.0, up))) / kDegree;
  return s;
}

double ReceiverModel::Azimuth(const Vec3& line) const {
  double azimuth = std::atan2(Dot(line, east_), Dot(line, north_)) / kDegree;
  return azimuth < 0 ? azimuth + 360.0 : azimuth;
}

ReceiverModel::Signal ReceiverModel::SignalAt(size_t i, double t) {
  Sight sight = SightAt(i, t);
  const SignalPath& path = sight.path;
  double offset = sight.offset;
  Signal s;
  s.elevation = sight.elevation;
  s.line = path.line;
  double el = std::max(s.elevation, kLowestMappedElevation) * kDegree;
  double troposphere = kZenithTroposphere * std::exp(-kSiteHeight / kTroposphereScaleHeight) /
                       (std::sin(el) + kMappingA / (std::tan(el) + kMappingB));
  double ratio = kEarthRadius * std::cos(el) / (kEarthRadius + kIonosphereHeight);
  double obliquity = 1.0 / std::sqrt(1.0 - ratio * ratio);
  double localHour = std::fmod(sky_.clock().MsOfDay(t) / 3.6e6 + kSiteLongitude / 15.0, 24.0);
  double vertical =
      kIonosphereMean + kIonosphereSwing * std::cos(2.0 * kPi * (localHour - 14.0) / 24.0);
  double f = sky_.L1Frequency(i);
  s.iono1 = vertical * obliquity * (kGpsL1Frequency / f) * (kGpsL1Frequency / f);
  s.geometry = path.range + kLightSpeed * (offset - path.clockError) + troposphere;
  s.l2ClockOffset = path.l2ClockOffset;
  return s;
}

void ReceiverModel::StartLock(Track* track, double t) {
  track->tracking = true;
  track->lockStart = t;
  track->ambiguity1 = random_.Between(-kAmbiguitySpread, kAmbiguitySpread);
  track->ambiguity2 = random_.Between(-kAmbiguitySpread, kAmbiguitySpread);
  track->ambiguity5 = signals_.Between(-kAmbiguitySpread, kAmbiguitySpread);
}

void ReceiverModel::Measure(SatObservation* o, const Track& track, double t, Random& noise,
                            Samples* samples) {
  size_t i = o->satellite;
  Signal s = SignalAt(i, t);
  samples->now = s;
  double f1 = o->l1Frequency, f2 = o->l2Frequency;
  double lambda1 = kLightSpeed / f1, lambda2 = kLightSpeed / f2;
  double iono2 = s.iono1 * (f1 / f2) * (f1 / f2);
  auto cleanPhase = [&](double at, Signal* kept) {
    Signal q = SignalAt(i, at);
    *kept = q;
    return (q.geometry - q.iono1) / lambda1;
  };
  double codeSigma = CodeSigma(s.elevation);
  o->elevation = s.elevation;
  o->azimuth = Azimuth(s.line);
  o->snr = CleanSnr(s.elevation) + noise.Noise(kSnrNoise);
  o->caRange = s.geometry + s.iono1 + noise.Noise(codeSigma);
  o->p2Range = s.geometry + iono2 + kLightSpeed * s.l2ClockOffset +
               noise.Noise(kL2CodeNoiseFactor * codeSigma);
  o->l1Phase = (s.geometry - s.iono1) / lambda1 + track.ambiguity1 + noise.Noise(kPhaseNoiseCycles);
  o->l2Phase = (s.geometry - iono2) / lambda2 + track.ambiguity2 + noise.Noise(kPhaseNoiseCycles);
  o->doppler = (cleanPhase(t + kDopplerStep, &samples->after) -
                cleanPhase(t - kDopplerStep, &samples->before)) /
                   (2 * kDopplerStep) +
               noise.Noise(kDopplerNoiseHz);
  o->lockTime = t - track.lockStart;
}

SignalTruth ReceiverModel::Carrier(const SatObservation& o, jps::SignalSlot slot,
                                   const Samples& q) {
  SignalTruth m;
  m.sent = SendsSignal(o.index, slot);
  if (!m.sent) return m;
  const SlotTraits& traits = TraitsOf(o.glonass, slot);
  jps::GnssSystem system = o.glonass ? jps::GnssSystem::kGlonass : jps::GnssSystem::kGps;
  int channel = o.glonass ? jps::GlonassChannel(o.index) : 0;
  m.frequency = jps::SignalFrequency(system, slot, channel);
  double lambda = kLightSpeed / m.frequency;
  double gamma = IonosphereFactor(o, m.frequency);
  auto clean = [&](const Signal& x) { return (x.geometry - x.iono1 * gamma) / lambda; };
  double dopplerNoise, snrNoise;
  signals_.NoisePair(kDopplerNoiseHz, traits.snrNoise, &dopplerNoise, &snrNoise);
  m.doppler = (clean(q.after) - clean(q.before)) / (2 * kDopplerStep) + dopplerNoise;
  double rise = std::sin(std::max(q.now.elevation, 0.0) * kDegree);
  m.snr = CleanSnr(q.now.elevation) + traits.snrOffset - traits.snrHorizonLoss * (1.0 - rise) +
          snrNoise;
  return m;
}

SignalTruth ReceiverModel::MeasureSignal(const SatObservation& o, jps::SignalSlot slot,
                                         int ambiguity, double codeSigma, const Samples& q) {
  SignalTruth m = Carrier(o, slot, q);
  if (!m.sent) return m;
  const SlotTraits& traits = TraitsOf(o.glonass, slot);
  double gamma = IonosphereFactor(o, m.frequency);
  double gamma2 = IonosphereFactor(o, o.l2Frequency);
  // The satellite's code delays grow with the ionosphere's factor from its L2 delay.
  double delay = q.now.l2ClockOffset * (gamma - 1.0) / (gamma2 - 1.0) +
                 InterSignalDelay(o.index, slot);
  double codeNoise, phaseNoise;
  signals_.NoisePair(traits.codeNoiseFactor * codeSigma, traits.phaseNoiseFactor * kPhaseNoiseCycles,
                     &codeNoise, &phaseNoise);
  m.range = q.now.geometry + q.now.iono1 * gamma + kLightSpeed * delay + codeNoise;
  m.phase = (q.now.geometry - q.now.iono1 * gamma) / (kLightSpeed / m.frequency) + ambiguity +
            traits.phaseOffset + phaseNoise;
  return m;
}

void ReceiverModel::MeasureOtherSignals(SatObservation* o, const Track& track,
                                        const Samples& samples) {
  double codeSigma = CodeSigma(samples.now.elevation);
  // L2 P: its Doppler and strength (its range and phase are measured above).
  SignalTruth p2 = Carrier(*o, jps::SignalSlot::kP2, samples);
  o->p2Doppler = p2.doppler;
  o->p2Snr = p2.snr;
  o->p1 = MeasureSignal(*o, jps::SignalSlot::kP1, track.ambiguity1, codeSigma, samples);
  o->ca2 = MeasureSignal(*o, jps::SignalSlot::kCa2, track.ambiguity2, codeSigma, samples);
  o->l5 = MeasureSignal(*o, jps::SignalSlot::kL5, track.ambiguity5, codeSigma, samples);
}

void ReceiverModel::DrawMissingValues(SatObservation* o) {
  bool low = o->elevation < kLowElevation;
  auto missing = [&](jps::SignalSlot slot) {
    const SlotTraits& traits = TraitsOf(o->glonass, slot);
    return signals_.Chance(low ? traits.missingLow : traits.missing);
  };
  o->hasSnr = !signals_.Chance(kMissingSnr);
  o->hasP2Doppler = !missing(jps::SignalSlot::kP2);
  o->hasP2Snr = !signals_.Chance(kMissingSnr);
  const jps::SignalSlot slots[] = {jps::SignalSlot::kP1, jps::SignalSlot::kCa2,
                                   jps::SignalSlot::kL5};
  SignalTruth* signals[] = {&o->p1, &o->ca2, &o->l5};
  for (int k = 0; k < 3; ++k) {
    SignalTruth& s = *signals[k];
    if (!s.sent) continue;
    s.hasRange = !missing(slots[k]);
    s.hasPhase = !missing(slots[k]);
    s.hasDoppler = !missing(slots[k]);
    s.hasSnr = !signals_.Chance(kMissingSnr);
  }
}

std::vector<size_t> ReceiverModel::InView(double t) {
  std::vector<size_t> view;
  for (size_t i = 0; i < sky_.size(); ++i) {
    if (SightAt(i, t).elevation > 0) view.push_back(i);
  }
  return view;
}

ReceiverEpoch ReceiverModel::Observe(double t, bool restartTracking) {
  ReceiverEpoch epoch;
  epoch.t = t;
  epoch.tag = sky_.clock().At(t);
  epoch.clockOffset = ClockOffsetAt(t, &epoch.clockDrift);
  epoch.position = AntennaAt(t - epoch.clockOffset, &epoch.velocity);
  epoch.reportedPosition =
      epoch.position + Vec3{random_.Noise(kPositionNoise), random_.Noise(kPositionNoise),
                            random_.Noise(kPositionNoise)};
  epoch.reportedVelocity =
      epoch.velocity + Vec3{random_.Noise(kVelocityNoise), random_.Noise(kVelocityNoise),
                            random_.Noise(kVelocityNoise)};

  // The highest satellites above the mask get the channels.
  std::vector<std::pair<double, size_t>> candidates;
  for (size_t i = 0; i < sky_.size(); ++i) {
    double elevation = SightAt(i, t).elevation;
    if (elevation >= kElevationMask) candidates.push_back({-elevation, i});
  }
  std::sort(candidates.begin(), candidates.end());
  if (candidates.size() > static_cast<size_t>(kMaxTrackedSatellites)) {
    candidates.resize(kMaxTrackedSatellites);
  }
  std::vector<bool> kept(sky_.size(), false);
  for (const auto& c : candidates) kept[c.second] = true;

  for (size_t i = 0; i < sky_.size(); ++i) {
    Track& track = tracks_[i];
    if (!kept[i]) {
      track.tracking = false;
      continue;
    }
    SatObservation o;
    o.satellite = i;
    o.index = sky_.Index(i);
    o.glonass = sky_.IsGlonass(i);
    o.glonassSlot = sky_.GlonassSlot(i);
    o.l1Frequency = sky_.L1Frequency(i);
    o.l2Frequency = sky_.L2Frequency(i);
    if (!track.tracking) track.acquired = t;
    if (!track.tracking || restartTracking) {
      StartLock(&track, t);
      o.lockStarted = true;
    }
    o.slotKnown = !o.glonass || t - track.acquired >= kSlotReadingSeconds;
    Samples samples;
    Measure(&o, track, t, random_, &samples);
    double slipEvery = o.elevation < kLowElevation ? kSlipEverySecondsLow : kSlipEverySecondsHigh;
    if (!o.lockStarted && random_.Chance(interval_ / slipEvery)) {
      // A cycle slip: the receiver notices it and begins a new lock.
      int sign = random_.Chance(0.5) ? 1 : -1;
      track.ambiguity1 += sign * random_.Between(1, kSlipSize);
      track.ambiguity2 += sign * random_.Between(1, kSlipSize);
      track.ambiguity5 += sign * signals_.Between(1, kSlipSize);
      track.lockStart = t;
      o.lockStarted = true;
      o.slipped = true;
      Measure(&o, track, t, random_, &samples);
    }
    MeasureOtherSignals(&o, track, samples);
    bool low = o.elevation < kLowElevation;
    o.hasCaRange = !random_.Chance(kMissingCaRange);
    o.hasL1Phase = !random_.Chance(kMissingL1Phase);
    o.hasDoppler = !random_.Chance(kMissingDoppler);
    o.hasP2Range = !random_.Chance(low ? kMissingL2Low : kMissingL2);
    o.hasL2Phase = !random_.Chance(low ? kMissingL2Low : kMissingL2);
    DrawMissingValues(&o);
    epoch.satellites.push_back(o);
  }
  std::sort(epoch.satellites.begin(), epoch.satellites.end(),
            [](const SatObservation& a, const SatObservation& b) {
              if (a.glonass != b.glonass) return !a.glonass;
              return a.index < b.index;
            });
  return epoch;
}

}  // namespace jpssim

namespace jpssim {

SignalTruth SatObservation::InSlot(jps::SignalSlot slot) const {
  SignalTruth s;
  switch (slot) {
    case jps::SignalSlot::kCa:
      s = {true, l1Frequency, caRange, l1Phase, doppler, snr,
           hasCaRange, hasL1Phase, hasDoppler, hasSnr};
      break;
    case jps::SignalSlot::kP2:
      s = {true, l2Frequency, p2Range, l2Phase, p2Doppler, p2Snr,
           hasP2Range, hasL2Phase, hasP2Doppler, hasP2Snr};
      break;
    case jps::SignalSlot::kP1:
      return p1;
    case jps::SignalSlot::kCa2:
      return ca2;
    case jps::SignalSlot::kL5:
      return l5;
    case jps::SignalSlot::kL1c:
      break;
  }
  return s;
}

}  // namespace jpssim
