#include "tools/simulator/receiver_model.h"

#include <algorithm>
#include <cmath>

#include "epoch/geodetic.h"

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
constexpr int kAmbiguitySpread = 40;  // cycles at lock start
constexpr int kSlipSize = 30;         // cycles, at most

}  // namespace

ReceiverModel::ReceiverModel(Constellation& sky, uint64_t seed, double interval, const Walk& walk)
    : sky_(sky),
      walk_(walk),
      interval_(interval),
      random_(StreamSeed(seed, 7)),
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

ReceiverModel::Signal ReceiverModel::SignalAt(size_t i, double t) {
  double offset = ClockOffsetAt(t, nullptr);
  double trueTime = t - offset;
  Vec3 antenna = AntennaAt(trueTime, nullptr);
  SignalPath path = sky_.PathTo(i, trueTime, antenna);
  Signal s;
  double up = Dot(path.line, up_);
  s.elevation = std::asin(std::max(-1.0, std::min(1.0, up))) / kDegree;
  s.azimuth = std::atan2(Dot(path.line, east_), Dot(path.line, north_)) / kDegree;
  if (s.azimuth < 0) s.azimuth += 360.0;
  double el = std::max(s.elevation, kLowestMappedElevation) * kDegree;
  double troposphere = kZenithTroposphere * std::exp(-kSiteHeight / kTroposphereScaleHeight) /
                       (std::sin(el) + kMappingA / (std::tan(el) + kMappingB));
  double ratio = kEarthRadius * std::cos(el) / (kEarthRadius + kIonosphereHeight);
  double obliquity = 1.0 / std::sqrt(1.0 - ratio * ratio);
  double localHour = std::fmod(sky_.clock().At(t).msOfDay / 3.6e6 + kSiteLongitude / 15.0, 24.0);
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
}

void ReceiverModel::Measure(SatObservation* o, const Track& track, double t, Random& noise) {
  size_t i = o->satellite;
  Signal s = SignalAt(i, t);
  double f1 = o->l1Frequency, f2 = o->l2Frequency;
  double lambda1 = kLightSpeed / f1, lambda2 = kLightSpeed / f2;
  double iono2 = s.iono1 * (f1 / f2) * (f1 / f2);
  auto cleanPhase = [&](double at) {
    Signal q = SignalAt(i, at);
    return (q.geometry - q.iono1) / lambda1;
  };
  double codeSigma =
      kCodeNoiseZenith + kCodeNoiseLow * std::exp(-s.elevation / kCodeNoiseElevationScale);
  o->elevation = s.elevation;
  o->azimuth = s.azimuth;
  o->snr =
      kSnrBase + kSnrRise * std::sin(std::max(s.elevation, 0.0) * kDegree) + noise.Noise(kSnrNoise);
  o->caRange = s.geometry + s.iono1 + noise.Noise(codeSigma);
  o->p2Range = s.geometry + iono2 + kLightSpeed * s.l2ClockOffset +
               noise.Noise(kL2CodeNoiseFactor * codeSigma);
  o->l1Phase = (s.geometry - s.iono1) / lambda1 + track.ambiguity1 + noise.Noise(kPhaseNoiseCycles);
  o->l2Phase = (s.geometry - iono2) / lambda2 + track.ambiguity2 + noise.Noise(kPhaseNoiseCycles);
  o->doppler = (cleanPhase(t + kDopplerStep) - cleanPhase(t - kDopplerStep)) / (2 * kDopplerStep) +
               noise.Noise(kDopplerNoiseHz);
  o->lockTime = t - track.lockStart;
}

std::vector<size_t> ReceiverModel::InView(double t) {
  std::vector<size_t> view;
  for (size_t i = 0; i < sky_.size(); ++i) {
    if (SignalAt(i, t).elevation > 0) view.push_back(i);
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
    double elevation = SignalAt(i, t).elevation;
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
    o.l1Frequency = sky_.L1Frequency(i);
    o.l2Frequency = sky_.L2Frequency(i);
    if (!track.tracking || restartTracking) {
      StartLock(&track, t);
      o.lockStarted = true;
    }
    Measure(&o, track, t, random_);
    double slipEvery = o.elevation < kLowElevation ? kSlipEverySecondsLow : kSlipEverySecondsHigh;
    if (!o.lockStarted && random_.Chance(interval_ / slipEvery)) {
      // A cycle slip: the receiver notices it and begins a new lock.
      int sign = random_.Chance(0.5) ? 1 : -1;
      track.ambiguity1 += sign * random_.Between(1, kSlipSize);
      track.ambiguity2 += sign * random_.Between(1, kSlipSize);
      track.lockStart = t;
      o.lockStarted = true;
      o.slipped = true;
      Measure(&o, track, t, random_);
    }
    bool low = o.elevation < kLowElevation;
    o.hasCaRange = !random_.Chance(kMissingCaRange);
    o.hasL1Phase = !random_.Chance(kMissingL1Phase);
    o.hasDoppler = !random_.Chance(kMissingDoppler);
    o.hasP2Range = !random_.Chance(low ? kMissingL2Low : kMissingL2);
    o.hasL2Phase = !random_.Chance(low ? kMissingL2Low : kMissingL2);
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
