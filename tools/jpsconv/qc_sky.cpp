#include "tools/jpsconv/qc_sky.h"

#include <cmath>

#include "epoch/geodetic.h"
#include "greis/ephemeris_views.h"
#include "support/gps_time.h"
#include "tools/rinex/glonass_dates.h"
#include "tools/simulator/glonass_orbit.h"

namespace jpsconv {
namespace {

constexpr double kSemicircle = jps::kPi;   // radians
constexpr double kKilometre = 1000.0;
constexpr double kDay = jps::kSecondsPerDay;
// A GLONASS state in kilometres lies this far from the Earth's centre.
constexpr double kGlonassLeast = 20000e3, kGlonassMost = 30000e3;  // m


}  // namespace

LookAngles LookAnglesOf(const double receiver[3], const jpssim::Vec3& target) {
  jps::GeodeticPosition p = jps::EcefToGeodetic(receiver[0], receiver[1], receiver[2]);
  double dx = target.x - receiver[0], dy = target.y - receiver[1], dz = target.z - receiver[2];
  double sl = std::sin(p.latitude), cl = std::cos(p.latitude);
  double so = std::sin(p.longitude), co = std::cos(p.longitude);
  double east = -so * dx + co * dy;
  double north = -sl * co * dx - sl * so * dy + cl * dz;
  double up = cl * co * dx + cl * so * dy + sl * dz;
  LookAngles a;
  a.elevation = std::atan2(up, std::hypot(east, north)) / jpssim::kDegree;
  a.azimuth = std::atan2(east, north) / jpssim::kDegree;
  if (a.azimuth < 0) a.azimuth += 360.0;
  return a;
}

void BroadcastOrbits::Add(const jps::EphemerisMessage& m) {
  if (m.Is("GE")) AddKepler(jps::GnssSystem::kGps, m);
  if (m.Is("QE")) AddKepler(jps::GnssSystem::kQzss, m);
  if (m.Is("EN")) AddKepler(jps::GnssSystem::kGalileo, m);
  if (m.Is("NE")) AddGlonass(m);
}

void BroadcastOrbits::AddKepler(jps::GnssSystem system, const jps::EphemerisMessage& m) {
  jps::GpsEphemerisView v(m.body, m.length);
  if (!v.complete() || !(v.sqrtA() > 0) || !std::isfinite(v.sqrtA())) return;
  int number = system == jps::GnssSystem::kQzss ? v.prn() - jps::kQzssRinexOffset : v.prn();
  jpssim::GpsEphemeris e;
  e.prn = number;
  e.toe = 0;  // times are counted from the reference time
  e.toeOfWeek = v.toe();
  e.sqrtA = v.sqrtA();
  e.eccentricity = v.eccentricity();
  e.m0 = v.m0() * kSemicircle;
  e.omega0 = v.omega0() * kSemicircle;
  e.i0 = v.i0() * kSemicircle;
  e.argPerigee = v.argumentOfPerigee() * kSemicircle;
  e.deltaN = static_cast<float>(v.deltaN() * kSemicircle);
  e.omegaDot = static_cast<float>(v.omegaDot() * kSemicircle);
  e.iDot = static_cast<float>(v.iDot() * kSemicircle);
  e.crc = v.crc();
  e.crs = v.crs();
  e.cuc = v.cuc();
  e.cus = v.cus();
  e.cic = v.cic();
  e.cis = v.cis();
  kepler_[{static_cast<int>(system), number}] = e;
}

void BroadcastOrbits::AddGlonass(const jps::EphemerisMessage& m) {
  jps::GlonassEphemerisView v(m.body, m.length);
  if (!v.complete()) return;
  Glonass g;
  g.tb = v.tb();
  g.r0 = {v.position(0) * kKilometre, v.position(1) * kKilometre, v.position(2) * kKilometre};
  g.v0 = {v.velocity(0) * kKilometre, v.velocity(1) * kKilometre, v.velocity(2) * kKilometre};
  g.lunisolar = {v.acceleration(0) * kKilometre, v.acceleration(1) * kKilometre,
                 v.acceleration(2) * kKilometre};
  double radius = jpssim::Norm(g.r0);
  if (!(radius > kGlonassLeast && radius < kGlonassMost) || !std::isfinite(jpssim::Norm(g.v0)) ||
      !std::isfinite(jpssim::Norm(g.lunisolar))) {
    return;
  }
  g.r = g.r0;
  g.v = g.v0;
  glonass_[v.slot()] = g;
}

jpssim::Vec3 BroadcastOrbits::Propagate(Glonass& g, double dt) const {
  // From the kept state when it lies nearer than the reference time.
  if (std::fabs(dt - g.stateTime) > std::fabs(dt)) {
    g.stateTime = 0;
    g.r = g.r0;
    g.v = g.v0;
  }
  while (std::fabs(dt - g.stateTime) > kGlonassStep) {
    double h = dt > g.stateTime ? kGlonassStep : -kGlonassStep;
    jpssim::GlonassStep(h, g.lunisolar, &g.r, &g.v);
    g.stateTime += h;
  }
  jpssim::Vec3 r = g.r, v = g.v;
  if (dt != g.stateTime) jpssim::GlonassStep(dt - g.stateTime, g.lunisolar, &r, &v);
  return r;
}

bool BroadcastOrbits::Position(jps::GnssSystem system, int number, double tow,
                               jpssim::Vec3* out) {
  if (system == jps::GnssSystem::kGlonass) {
    auto found = glonass_.find(number);
    if (found == glonass_.end()) return false;
    double moscow = tow - kAssumedLeapSeconds + static_cast<double>(jpsrinex::kMoscowAheadOfUtc);
    double dt = std::remainder(std::fmod(moscow, kDay) - found->second.tb, kDay);
    if (std::fabs(dt) > kGlonassReach) return false;
    *out = Propagate(found->second, dt);
    return true;
  }
  auto found = kepler_.find({static_cast<int>(system), number});
  if (found == kepler_.end()) return false;
  double dt = jps::TowDifference(tow, found->second.toeOfWeek);
  if (std::fabs(dt) > kKeplerReach) return false;
  double relativistic = 0;
  *out = jpssim::GpsPosition(found->second, dt, &relativistic);
  return true;
}

}  // namespace jpsconv
