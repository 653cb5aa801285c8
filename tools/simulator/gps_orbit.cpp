#include "tools/simulator/gps_orbit.h"

#include <cmath>

#include "tools/simulator/sim_random.h"

namespace jpssim {
namespace {

constexpr double kGpsMu = 3.986005e14;             // m^3/s^2, as the GPS user uses it
constexpr double kRelativityF = -4.442807633e-10;  // s/m^(1/2)
constexpr double kGpsSemiMajorAxis = 26559700.0;
constexpr double kL2GroupDelayFactor = (77.0 / 60.0) * (77.0 / 60.0);

// Six planes 60 degrees apart, five slots 72 degrees apart, each plane's
// slots shifted by 15 degrees from the previous plane's (degrees).
constexpr double kFirstNode = 30.0, kPlaneSpacing = 60.0;
constexpr double kSlotSpacing = 72.0, kPlanePhase = 15.0;
// Plausible spreads of the elements and clock terms of the broadcast model.
constexpr Spread kSemiMajorAxisSpread{kGpsSemiMajorAxis - 2000.0, kGpsSemiMajorAxis + 2000.0};
constexpr Spread kEccentricitySpread{0.001, 0.015};
constexpr Spread kInclinationSpread{54.0, 56.0};  // degrees
constexpr Spread kArgumentOfPerigeeSpread{-kPi, kPi};
constexpr Spread kDeltaNSpread{3.5e-9, 5.0e-9};                      // rad/s
constexpr Spread kNodeRateSpread{-8.3e-9, -7.9e-9};                  // rad/s
constexpr Spread kInclinationRateSpread{-2e-10, 2e-10};              // rad/s
constexpr Spread kCrcSpread{180.0, 300.0}, kCrsSpread{-60.0, 60.0};  // m
constexpr Spread kCucSpread{-6e-6, 6e-6}, kCusSpread{-8e-6, 8e-6};   // rad
constexpr Spread kCicSpread{-1e-7, 1e-7}, kCisSpread{-1e-7, 1e-7};   // rad
constexpr Spread kClockBiasSpread{-2e-4, 2e-4};                      // s
constexpr Spread kClockRateSpread{-5e-12, 5e-12};                    // s/s
constexpr Spread kGroupDelaySpread{-1e-8, -1e-9};                    // s

}  // namespace

GpsSatellite::GpsSatellite(int prn, int plane, int slot, double earthAngle, uint64_t seed)
    : prn_(prn) {
  Random r(StreamSeed(seed, static_cast<uint64_t>(prn)));
  a_ = r.In(kSemiMajorAxisSpread);
  e_ = r.In(kEccentricitySpread);
  i_ = r.In(kInclinationSpread) * kDegree;
  argPerigee_ = r.In(kArgumentOfPerigeeSpread);
  double latitudeArgument = (slot * kSlotSpacing + plane * kPlanePhase) * kDegree;
  m_ = latitudeArgument - argPerigee_;
  double nodeInertial = (plane * kPlaneSpacing + kFirstNode) * kDegree;
  omegaEcef_ = nodeInertial - earthAngle;
  // The single-precision terms are those the ephemeris carries as f4.
  deltaN_ = static_cast<float>(r.In(kDeltaNSpread));
  omegaDot_ = static_cast<float>(r.In(kNodeRateSpread));
  iDot_ = static_cast<float>(r.In(kInclinationRateSpread));
  crc_ = static_cast<float>(r.In(kCrcSpread));
  crs_ = static_cast<float>(r.In(kCrsSpread));
  cuc_ = static_cast<float>(r.In(kCucSpread));
  cus_ = static_cast<float>(r.In(kCusSpread));
  cic_ = static_cast<float>(r.In(kCicSpread));
  cis_ = static_cast<float>(r.In(kCisSpread));
  clockBias_ = r.In(kClockBiasSpread);
  clockRate_ = r.In(kClockRateSpread);
  tgd_ = static_cast<float>(r.In(kGroupDelaySpread));
}

namespace {

// The reference time in its week of the ephemeris in force at a time of week.
double ToeOfWeek(double secondsOfWeek) {
  return std::floor(secondsOfWeek / kGpsEphemerisPeriod) * kGpsEphemerisPeriod;
}

}  // namespace

GpsEphemeris GpsSatellite::EphemerisAt(double t, const SessionClock& clock) const {
  TimeTag tag = clock.AtWithoutDate(t);
  GpsEphemeris e;
  e.prn = prn_;
  e.week = tag.week;
  e.toeOfWeek = ToeOfWeek(tag.secondsOfWeek);
  e.toe = clock.SinceStart(tag.week, e.toeOfWeek);
  int block = static_cast<int>(e.toeOfWeek / kGpsEphemerisPeriod);
  e.iode = (block * 11 + prn_ * 7) % 256;
  e.iodc = e.iode;
  double n = std::sqrt(kGpsMu / (a_ * a_ * a_)) + deltaN_;
  e.sqrtA = std::sqrt(a_);
  e.eccentricity = e_;
  e.m0 = std::remainder(m_ + n * e.toe, 2.0 * kPi);
  e.i0 = i_ + iDot_ * e.toe;
  e.omega0 = std::remainder(
      omegaEcef_ + (omegaDot_ - kEarthRotationRate) * e.toe + kEarthRotationRate * e.toeOfWeek,
      2.0 * kPi);
  e.argPerigee = argPerigee_;
  e.deltaN = deltaN_;
  e.omegaDot = omegaDot_;
  e.iDot = iDot_;
  e.crc = crc_;
  e.crs = crs_;
  e.cuc = cuc_;
  e.cus = cus_;
  e.cic = cic_;
  e.cis = cis_;
  e.af0 = static_cast<float>(clockBias_ + clockRate_ * e.toe);
  e.af1 = static_cast<float>(clockRate_);
  e.tgd = tgd_;
  return e;
}

void GpsSatellite::StateAt(double t, const SessionClock& clock, Vec3* position,
                           double* clockError) {
  TimeTag tag = clock.AtWithoutDate(t);
  if (!hasCurrent_ || current_.week != tag.week ||
      current_.toeOfWeek != ToeOfWeek(tag.secondsOfWeek)) {
    current_ = EphemerisAt(t, clock);
    hasCurrent_ = true;
  }
  double relativistic = 0;
  *position = GpsPosition(current_, t, &relativistic);
  // The true clock, not its single-precision broadcast.
  *clockError = clockBias_ + clockRate_ * t + relativistic - tgd_;
}

double GpsSatellite::L2ClockOffset() const { return -(kL2GroupDelayFactor - 1.0) * tgd_; }

Vec3 GpsPosition(const GpsEphemeris& e, double t, double* relativisticCorrection) {
  double a = e.sqrtA * e.sqrtA;
  double tk = t - e.toe;
  double n = std::sqrt(kGpsMu / (a * a * a)) + e.deltaN;
  double m = e.m0 + n * tk;
  double E = m;
  for (int k = 0; k < 20; ++k) {
    double next = m + e.eccentricity * std::sin(E);
    if (std::fabs(next - E) < 1e-14) {
      E = next;
      break;
    }
    E = next;
  }
  double ecc = e.eccentricity;
  double nu = std::atan2(std::sqrt(1.0 - ecc * ecc) * std::sin(E), std::cos(E) - ecc);
  double phi = nu + e.argPerigee;
  double s2 = std::sin(2.0 * phi), c2 = std::cos(2.0 * phi);
  double u = phi + e.cus * s2 + e.cuc * c2;
  double r = a * (1.0 - ecc * std::cos(E)) + e.crs * s2 + e.crc * c2;
  double inc = e.i0 + e.cis * s2 + e.cic * c2 + e.iDot * tk;
  double xp = r * std::cos(u), yp = r * std::sin(u);
  double node =
      e.omega0 + (e.omegaDot - kEarthRotationRate) * tk - kEarthRotationRate * e.toeOfWeek;
  double cn = std::cos(node), sn = std::sin(node), ci = std::cos(inc);
  *relativisticCorrection = kRelativityF * ecc * e.sqrtA * std::sin(E);
  return {xp * cn - yp * ci * sn, xp * sn + yp * ci * cn, yp * std::sin(inc)};
}

}  // namespace jpssim
