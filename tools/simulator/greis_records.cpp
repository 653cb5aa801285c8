#include "tools/simulator/greis_records.h"

#include <cmath>

#include "tools/simulator/sim_time.h"

namespace jpssim {
namespace {

using jpsbuild::Body;
using jpsbuild::Bytes;
using jpsbuild::Message;

constexpr float kPositionSigma = 0.8f;   // m, as the receiver states it
constexpr float kVelocitySigma = 0.03f;  // m/s
constexpr uint32_t kStandaloneSolution = 1;
constexpr uint32_t kGpsTimeScale = 0;
constexpr int kUtcDay = 7;
constexpr int kLastLeapWeek = 1929;           // week of the leap second of 2017-01-01
constexpr double kUtcA0 = -9.313225746e-10;   // s, GPS-UTC offset polynomial
constexpr float kUtcA1 = -8.881784197e-16f;   // s/s
constexpr double kUtcReferenceStep = 4096.0;  // s, tot is a multiple of it

double Semicircles(double radians) { return radians / kPi; }
float SemicirclesF(float radians) { return static_cast<float>(radians / kPi); }

}  // namespace

Bytes PositionVelocity(const ReceiverEpoch& epoch) {
  const Vec3& p = epoch.reportedPosition;
  const Vec3& v = epoch.reportedVelocity;
  return Message("PV", Body()
                           .F8(p.x)
                           .F8(p.y)
                           .F8(p.z)
                           .F4(kPositionSigma)
                           .F4(static_cast<float>(v.x))
                           .F4(static_cast<float>(v.y))
                           .F4(static_cast<float>(v.z))
                           .F4(kVelocitySigma)
                           .U1(kStandaloneSolution));
}

Bytes ReceiverClockOffset(double seconds) { return Message("TO", Body().F8(seconds)); }

Bytes ReceiverClockDrift(double rate) { return Message("DO", Body().F4(static_cast<float>(rate))); }

Bytes GpsUtcParameters(int week, double secondsOfWeek) {
  uint32_t tot =
      static_cast<uint32_t>(std::floor(secondsOfWeek / kUtcReferenceStep) * kUtcReferenceStep);
  return Message("UO", Body()
                           .F8(kUtcA0)
                           .F4(kUtcA1)
                           .U4(tot)
                           .U2(static_cast<uint32_t>(week))
                           .I1(kGpsMinusUtcSeconds)
                           .U1(kUtcDay)
                           .U2(kLastLeapWeek)
                           .I1(kGpsMinusUtcSeconds));
}

Bytes GpsEphemerisMessage(const GpsEphemeris& e, double transmitSecondsOfWeek) {
  Body b;
  b.U1(static_cast<uint32_t>(e.prn))
      .U4(static_cast<uint32_t>(transmitSecondsOfWeek))
      .U1(0)  // flags: healthy
      .I2(e.iodc)
      .I4(static_cast<int32_t>(e.toeOfWeek))  // toc
      .I1(0)                                  // user range accuracy index
      .U1(0)                                  // health
      .I2(e.week)
      .F4(e.tgd)
      .F4(0.0f)
      .F4(e.af1)
      .F4(e.af0)
      .I4(static_cast<int32_t>(e.toeOfWeek))
      .I2(e.iode)
      .F8(e.sqrtA)
      .F8(e.eccentricity)
      .F8(Semicircles(e.m0))
      .F8(Semicircles(e.omega0))
      .F8(Semicircles(e.i0))
      .F8(Semicircles(e.argPerigee))
      .F4(SemicirclesF(e.deltaN))
      .F4(SemicirclesF(e.omegaDot))
      .F4(SemicirclesF(e.iDot))
      .F4(e.crc)
      .F4(e.crs)
      .F4(e.cuc)
      .F4(e.cus)
      .F4(e.cic)
      .F4(e.cis);
  return Message("GE", b);
}

constexpr double kMetresPerKilometre = 1000.0;

Bytes GlonassEphemerisMessage(const GlonassEphemeris& e) {
  Body b;
  b.U1(static_cast<uint32_t>(e.slot))
      .I1(e.channel)
      .I2(e.dayNumber)
      .I4(e.tk)
      .I4(e.tb)
      .U1(0)  // health
      .U1(0)  // age of data, days
      .U1(0)  // flags
      // The receiver sends the orbit in kilometres, km/s and km/s^2.
      .F8(e.position.x / kMetresPerKilometre)
      .F8(e.position.y / kMetresPerKilometre)
      .F8(e.position.z / kMetresPerKilometre)
      .F4(static_cast<float>(e.velocity.x / kMetresPerKilometre))
      .F4(static_cast<float>(e.velocity.y / kMetresPerKilometre))
      .F4(static_cast<float>(e.velocity.z / kMetresPerKilometre))
      .F4(static_cast<float>(e.acceleration.x / kMetresPerKilometre))
      .F4(static_cast<float>(e.acceleration.y / kMetresPerKilometre))
      .F4(static_cast<float>(e.acceleration.z / kMetresPerKilometre))
      .F8(e.systemTimeCorrection)
      .F4(e.tau)
      .F4(e.gamma);
  return Message("NE", b);
}

Bytes EventText(uint32_t msOfDay, const std::string& text) {
  return Message("==", Body().U4(msOfDay).U1(0).Text(text));
}

Bytes EventMark(uint32_t msOfDay, int32_t nanoseconds) {
  return Message("XA", Body().U4(msOfDay).I4(nanoseconds).U1(kGpsTimeScale));
}

}  // namespace jpssim
