// The satellites in the sky: the GPS constellation (six planes) and the
// GLONASS constellation (three planes of eight slots). Each satellite is
// known by its GREIS satellite index: the PRN for GPS, 45 plus the
// frequency channel for GLONASS (antipodal slots share a channel and are
// never in view together).
#pragma once

#include <cstdint>
#include <vector>

#include "support/satellite_numbers.h"
#include "tools/simulator/glonass_orbit.h"
#include "tools/simulator/gps_orbit.h"
#include "tools/simulator/sim_time.h"
#include "tools/simulator/sim_vector.h"

namespace jpssim {

constexpr int kGlonassIndexOffset = jps::kGlonassNumberOffset;
constexpr double kGpsL1Frequency = 1575.42e6;
constexpr double kGpsL2Frequency = 1227.6e6;

// Where a signal left the satellite, as seen from a receiver.
struct SignalPath {
  double range = 0;          // geometric range, m, with the light time and Earth rotation
  double clockError = 0;     // satellite clock error on L1, s
  double l2ClockOffset = 0;  // extra L2 delay, s
  Vec3 line;                 // unit vector from the receiver to the satellite
};

class Constellation {
 public:
  explicit Constellation(const SessionClock& clock);

  size_t size() const { return gps_.size() + glonass_.size(); }
  bool IsGlonass(size_t i) const { return i >= gps_.size(); }
  uint8_t Index(size_t i) const;
  int Channel(size_t i) const;
  int GlonassSlot(size_t i) const;  // orbital slot 1-24; 0 for GPS
  double L1Frequency(size_t i) const;
  double L2Frequency(size_t i) const;

  // The signal path from satellite i to a receiver at position at GPS time t.
  SignalPath PathTo(size_t i, double t, Vec3 receiver);
  // Identifies the broadcast ephemeris in force at t (changes when a new one
  // is broadcast).
  int64_t EphemerisIssue(size_t i, double t) const;
  GpsEphemeris GpsEphemerisAt(size_t i, double t) const;
  GlonassEphemeris GlonassEphemerisAt(size_t i, double t) const;
  const SessionClock& clock() const { return clock_; }

 private:
  void SatelliteState(size_t i, double t, Vec3* position, double* clockError);

  SessionClock clock_;
  std::vector<GpsSatellite> gps_;
  std::vector<GlonassSatellite> glonass_;
};

}  // namespace jpssim
