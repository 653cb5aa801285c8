#include "tools/simulator/glonass_orbit.h"

#include <cmath>

#include "tools/simulator/sim_random.h"

namespace jpssim {
namespace {

constexpr double kPz90Mu = 398600.4418e9;  // m^3/s^2
constexpr double kPz90Radius = 6378136.0;  // m
constexpr double kPz90J2 = 1082625.75e-9;
constexpr double kPz90Rotation = 7.292115e-5;  // rad/s
constexpr double kGlonassSemiMajorAxis = 25508200.0;
constexpr double kGlonassInclination = 64.8 * kDegree;
constexpr double kMaxStep = 10.0;  // s, integration step
constexpr double kSystemTimeCorrection = -1.86264514923e-9;
// Three planes 120 degrees apart, eight slots 45 degrees apart, each plane's
// slots shifted by 15 degrees from the previous plane's (degrees).
constexpr int kSlotsPerPlane = 8;
constexpr uint64_t kStreamLabel = 1000;  // random streams apart from the GPS ones
constexpr double kFirstNode = 10.0, kPlaneSpacing = 120.0;
constexpr double kSlotSpacing = 45.0, kPlanePhase = 15.0;
constexpr Spread kSemiMajorAxisSpread{kGlonassSemiMajorAxis - 1000.0,
                                      kGlonassSemiMajorAxis + 1000.0};
constexpr Spread kInclinationSpread{-0.3 * kDegree, 0.3 * kDegree};  // about the nominal
constexpr Spread kLunisolarSpread{-2e-6, 2e-6};                      // m/s^2
constexpr Spread kClockBiasSpread{-1e-4, 1e-4};                      // s
constexpr Spread kClockRateSpread{-2e-12, 2e-12};                    // s/s

Vec3 Acceleration(Vec3 r, Vec3 v, Vec3 lunisolar) {
  double rr = Norm(r);
  double r2 = rr * rr;
  double mu = kPz90Mu / (r2 * rr);
  double j2 = 1.5 * kPz90J2 * kPz90Mu * kPz90Radius * kPz90Radius / (r2 * r2 * rr);
  double z2 = 5.0 * r.z * r.z / r2;
  double w2 = kPz90Rotation * kPz90Rotation;
  return {-mu * r.x - j2 * r.x * (1.0 - z2) + w2 * r.x + 2.0 * kPz90Rotation * v.y + lunisolar.x,
          -mu * r.y - j2 * r.y * (1.0 - z2) + w2 * r.y - 2.0 * kPz90Rotation * v.x + lunisolar.y,
          -mu * r.z - j2 * r.z * (3.0 - z2) + lunisolar.z};
}

}  // namespace

GlonassSatellite::GlonassSatellite(int slot, int channel, double earthAngle, uint64_t seed)
    : slot_(slot), channel_(channel), time_(0) {
  Random r(StreamSeed(seed, kStreamLabel + static_cast<uint64_t>(slot)));
  int plane = (slot - 1) / kSlotsPerPlane;
  double node = (plane * kPlaneSpacing + kFirstNode) * kDegree;
  double u = (((slot - 1) % kSlotsPerPlane) * kSlotSpacing + plane * kPlanePhase) * kDegree;
  double a = r.In(kSemiMajorAxisSpread);
  double inc = kGlonassInclination + r.In(kInclinationSpread);
  double speed = std::sqrt(kPz90Mu / a);
  double cn = std::cos(node), sn = std::sin(node), ci = std::cos(inc), si = std::sin(inc);
  double cu = std::cos(u), su = std::sin(u);
  Vec3 rInertial{a * (cu * cn - su * ci * sn), a * (cu * sn + su * ci * cn), a * su * si};
  Vec3 vInertial{speed * (-su * cn - cu * ci * sn), speed * (-su * sn + cu * ci * cn),
                 speed * cu * si};
  r_ = RotateZ(rInertial, earthAngle);
  Vec3 turned = RotateZ(vInertial, earthAngle);
  v_ = {turned.x + kPz90Rotation * r_.y, turned.y - kPz90Rotation * r_.x, turned.z};
  // Lunisolar accelerations, in single precision as broadcast.
  lunisolar_ = {static_cast<float>(r.In(kLunisolarSpread)),
                static_cast<float>(r.In(kLunisolarSpread)),
                static_cast<float>(r.In(kLunisolarSpread))};
  clockBias_ = r.In(kClockBiasSpread);
  clockRate_ = r.In(kClockRateSpread);
}

void GlonassStep(double h, Vec3 lunisolar, Vec3* r, Vec3* v) {
  Vec3 r0 = *r, v0 = *v;
  Vec3 k1r = v0, k1v = Acceleration(r0, v0, lunisolar);
  Vec3 k2r = v0 + (h / 2) * k1v, k2v = Acceleration(r0 + (h / 2) * k1r, k2r, lunisolar);
  Vec3 k3r = v0 + (h / 2) * k2v, k3v = Acceleration(r0 + (h / 2) * k2r, k3r, lunisolar);
  Vec3 k4r = v0 + h * k3v, k4v = Acceleration(r0 + h * k3r, k4r, lunisolar);
  *r = r0 + (h / 6) * (k1r + 2.0 * k2r + 2.0 * k3r + k4r);
  *v = v0 + (h / 6) * (k1v + 2.0 * k2v + 2.0 * k3v + k4v);
}

void GlonassSatellite::Propagate(double t, Vec3* position, Vec3* velocity) const {
  Vec3 r = r_, v = v_;
  double left = t - time_;
  double direction = left < 0 ? -1.0 : 1.0;
  while (std::fabs(left) > kMaxStep) {
    GlonassStep(direction * kMaxStep, lunisolar_, &r, &v);
    left -= direction * kMaxStep;
  }
  if (left != 0.0) GlonassStep(left, lunisolar_, &r, &v);
  *position = r;
  if (velocity != nullptr) *velocity = v;
}

void GlonassSatellite::StateAt(double t, Vec3* position, Vec3* velocity) {
  // The kept state follows the requests, staying within one step behind them.
  while (t - time_ > kMaxStep) {
    GlonassStep(kMaxStep, lunisolar_, &r_, &v_);
    time_ += kMaxStep;
  }
  Propagate(t, position, velocity);
}

GlonassEphemeris GlonassSatellite::EphemerisAt(double t, const SessionClock& clock) const {
  GlonassEphemeris e;
  e.slot = slot_;
  e.channel = channel_;
  double sod = clock.GlonassSecondsOfDay(t);
  double half = kGlonassEphemerisPeriod / 2;
  double tb = std::floor(sod / kGlonassEphemerisPeriod) * kGlonassEphemerisPeriod + half;
  e.tb = static_cast<int>(tb);
  e.tk = e.tb - static_cast<int>(half);
  e.referenceTime = t + (tb - sod);
  e.dayNumber = clock.GlonassDayNumber(t);
  Vec3 r, v;
  Propagate(e.referenceTime, &r, &v);
  e.position = r;
  e.velocity = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
  e.acceleration = lunisolar_;
  e.systemTimeCorrection = kSystemTimeCorrection;
  // The user forms the clock error as -tau + gamma (t - tb).
  e.gamma = static_cast<float>(clockRate_);
  e.tau = static_cast<float>(-ClockError(e.referenceTime));
  return e;
}

}  // namespace jpssim
