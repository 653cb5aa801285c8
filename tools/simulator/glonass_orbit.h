// GLONASS satellites: each moves under the equations of motion of the
// GLONASS interface document (central body, J2, Earth rotation and a
// constant lunisolar acceleration), so that the broadcast state at tb,
// integrated the way a user does, gives back the simulated orbit.
#pragma once

#include <cstdint>

#include "tools/simulator/sim_time.h"
#include "tools/simulator/sim_vector.h"

namespace jpssim {

constexpr double kGlonassEphemerisPeriod = 1800.0;  // a new ephemeris every 30 minutes

// One broadcast GLONASS ephemeris, as the [NE] message carries it.
struct GlonassEphemeris {
  int slot = 0;
  int channel = 0;                        // frequency channel number k
  int dayNumber = 0;                      // day within the four-year period
  int tk = 0;                             // time of frame start, s of the GLONASS day
  int tb = 0;                             // reference time, s of the GLONASS day
  double referenceTime = 0;               // tb as seconds since the session start
  Vec3 position, velocity, acceleration;  // PZ-90, m, m/s, m/s^2
  double systemTimeCorrection = 0;        // tau_c, s
  float tau = 0;                          // satellite clock correction, s
  float gamma = 0;                        // relative frequency deviation
};

// One Runge-Kutta step of h seconds (either way) of those equations of motion,
// from the state r, v (PZ-90, m, m/s) with a constant lunisolar acceleration
// (m/s^2): the user's integration of a broadcast state, as the satellites fly.
void GlonassStep(double h, Vec3 lunisolar, Vec3* r, Vec3* v);

class GlonassSatellite {
 public:
  GlonassSatellite(int slot, int channel, double earthAngle, uint64_t constellationSeed);
  int slot() const { return slot_; }
  int channel() const { return channel_; }
  // The ephemeris in force at t: a new one every 30 minutes of GLONASS time.
  GlonassEphemeris EphemerisAt(double t, const SessionClock& clock) const;
  // Position and velocity at GPS time t. The kept state moves forward with
  // the requests, so they should come in (roughly) increasing time.
  void StateAt(double t, Vec3* position, Vec3* velocity);
  // Satellite clock error (s) at GPS time t.
  double ClockError(double t) const { return clockBias_ + clockRate_ * t; }

 private:
  // Integrates a copy of the kept state to t.
  void Propagate(double t, Vec3* position, Vec3* velocity) const;

  int slot_;
  int channel_;
  double time_;     // time of the kept state
  Vec3 r_, v_;      // kept state
  Vec3 lunisolar_;  // constant perturbing acceleration
  double clockBias_, clockRate_;
};

}  // namespace jpssim
