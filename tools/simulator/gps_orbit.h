// GPS satellites: each flies the broadcast orbit model, so that the
// ephemerides the receiver hands out reproduce the simulated orbit exactly.
#pragma once

#include <cstdint>

#include "tools/simulator/sim_time.h"
#include "tools/simulator/sim_vector.h"

namespace jpssim {

constexpr double kGpsEphemerisPeriod = 7200.0;  // a new ephemeris every two hours

// One broadcast GPS ephemeris. Angles in radians, rates in rad/s; the
// single-precision members are those the [GE] message carries as f4.
struct GpsEphemeris {
  int prn = 0;
  int week = 0;          // GPS week of toe
  double toe = 0;        // s since the session start
  double toeOfWeek = 0;  // s of the GPS week
  int iode = 0;
  int iodc = 0;
  double sqrtA = 0, eccentricity = 0, m0 = 0, omega0 = 0, i0 = 0, argPerigee = 0;
  float deltaN = 0, omegaDot = 0, iDot = 0;
  float crc = 0, crs = 0, cuc = 0, cus = 0, cic = 0, cis = 0;
  float af0 = 0, af1 = 0, tgd = 0;  // toc equals toe
};

// A GPS satellite: orbit elements at the session start (t = 0).
class GpsSatellite {
 public:
  GpsSatellite(int prn, int plane, int slot, double earthAngle, uint64_t constellationSeed);
  int prn() const { return prn_; }
  // The ephemeris in force at t: a new one every two hours of GPS time.
  GpsEphemeris EphemerisAt(double t, const SessionClock& clock) const;
  // Position at GPS time t and the satellite clock error (s) on L1 C/A.
  void StateAt(double t, const SessionClock& clock, Vec3* position, double* clockError);
  // Extra clock delay of L2 against L1 (s).
  double L2ClockOffset() const;

 private:
  int prn_;
  double a_, e_, i_, argPerigee_, m_, omegaEcef_;  // at t = 0
  float deltaN_, omegaDot_, iDot_;
  float crc_, crs_, cuc_, cus_, cic_, cis_;
  double clockBias_, clockRate_;  // at t = 0
  float tgd_;
  // The ephemeris of the last state asked for, kept for the next.
  GpsEphemeris current_;
  bool hasCurrent_ = false;
};

// Position and clock correction from a broadcast ephemeris (IS-GPS-200).
Vec3 GpsPosition(const GpsEphemeris& e, double t, double* relativisticCorrection);

}  // namespace jpssim
