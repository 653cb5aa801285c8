#include "tools/simulator/constellation.h"

#include <cmath>

#include "support/satellite_numbers.h"

namespace jpssim {
namespace {

constexpr uint64_t kConstellationSeed = 20240612;  // the sky does not depend on --seed
constexpr int kGpsPlanes = 6;
constexpr int kGpsSlotsPerPlane = 5;
// PRNs of the 30 simulated GPS satellites, plane by plane.
constexpr int kGpsPrns[kGpsPlanes * kGpsSlotsPerPlane] = {9, 31, 8,  7,  26, 2,  19, 13, 30, 22,
                                                          1, 6,  3,  24, 25, 11, 28, 14, 18, 27,
                                                          5, 29, 15, 32, 12, 10, 16, 17, 21, 23};
constexpr int kGlonassSlots = 24;
// Frequency channel of each GLONASS slot (1 to 24).
constexpr int kGlonassChannels[kGlonassSlots] = {1,  -4, 5, 6,  1, -4, 5, 6, -2, -7, 0, -1,
                                                 -2, -7, 0, -1, 4, -3, 3, 2, 4,  -3, 3, 2};
constexpr double kSiderealDay = 86164.0905;
constexpr double kTypicalTravelTime = 0.075;  // s, the first guess of the light time

}  // namespace

Constellation::Constellation(const SessionClock& clock) : clock_(clock) {
  // The Earth's angle against the orbit planes at the session start.
  double turns = std::fmod(static_cast<double>(clock.start()), kSiderealDay) / kSiderealDay;
  double earthAngle = turns * 2.0 * kPi;
  for (int p = 0; p < kGpsPlanes; ++p) {
    for (int s = 0; s < kGpsSlotsPerPlane; ++s) {
      gps_.emplace_back(kGpsPrns[p * kGpsSlotsPerPlane + s], p, s, earthAngle, kConstellationSeed);
    }
  }
  for (int slot = 1; slot <= kGlonassSlots; ++slot) {
    glonass_.emplace_back(slot, kGlonassChannels[slot - 1], earthAngle, kConstellationSeed);
  }
}

uint8_t Constellation::Index(size_t i) const {
  if (!IsGlonass(i)) return static_cast<uint8_t>(gps_[i].prn());
  return static_cast<uint8_t>(kGlonassIndexOffset + Channel(i));
}

int Constellation::Channel(size_t i) const {
  return IsGlonass(i) ? glonass_[i - gps_.size()].channel() : 0;
}

int Constellation::GlonassSlot(size_t i) const {
  return IsGlonass(i) ? glonass_[i - gps_.size()].slot() : 0;
}

double Constellation::L1Frequency(size_t i) const {
  return IsGlonass(i) ? jps::GlonassL1Frequency(Channel(i)) : kGpsL1Frequency;
}

double Constellation::L2Frequency(size_t i) const {
  return IsGlonass(i) ? jps::GlonassL2Frequency(Channel(i)) : kGpsL2Frequency;
}

void Constellation::SatelliteState(size_t i, double t, Vec3* position, double* clockError) {
  if (!IsGlonass(i)) {
    gps_[i].StateAt(t, clock_, position, clockError);
    return;
  }
  GlonassSatellite& s = glonass_[i - gps_.size()];
  s.StateAt(t, position, nullptr);
  *clockError = s.ClockError(t);
}

SignalPath Constellation::PathTo(size_t i, double t, Vec3 receiver) {
  SignalPath path;
  double travel = kTypicalTravelTime;
  Vec3 satellite;
  for (int k = 0; k < 4; ++k) {
    SatelliteState(i, t - travel, &satellite, &path.clockError);
    // The Earth turns while the signal travels.
    Vec3 turned = RotateZ(satellite, kEarthRotationRate * travel);
    Vec3 d = turned - receiver;
    path.range = Norm(d);
    path.line = (1.0 / path.range) * d;
    travel = path.range / kLightSpeed;
  }
  path.l2ClockOffset = IsGlonass(i) ? 0.0 : gps_[i].L2ClockOffset();
  return path;
}

int64_t Constellation::EphemerisIssue(size_t i, double t) const {
  // GPS ephemerides change on two-hour boundaries of GPS time, GLONASS ones
  // on half-hour boundaries of GLONASS time.
  double seconds = static_cast<double>(clock_.start()) + t;
  if (!IsGlonass(i)) return static_cast<int64_t>(std::floor(seconds / kGpsEphemerisPeriod));
  seconds += static_cast<double>(kGlonassMinusUtcSeconds - kGpsMinusUtcSeconds);
  return static_cast<int64_t>(std::floor(seconds / kGlonassEphemerisPeriod));
}

GpsEphemeris Constellation::GpsEphemerisAt(size_t i, double t) const {
  return gps_[i].EphemerisAt(t, clock_);
}

GlonassEphemeris Constellation::GlonassEphemerisAt(size_t i, double t) const {
  return glonass_[i - gps_.size()].EphemerisAt(t, clock_);
}

}  // namespace jpssim
