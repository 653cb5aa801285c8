// Where the satellites stand in the receiver's sky, worked out from their
// broadcast ephemerides and the receiver's position, for the quality report
// of a stream that does not send the receiver's own elevations [EL] and
// azimuths [AZ] (or sends one and not the other).
//
// GPS, QZSS and Galileo satellites fly the broadcast Kepler model of their
// latest [GE] [QE] [EN]; GLONASS satellites the latest [NE] state integrated
// from its reference time, as a user integrates it. BeiDou (whose
// geostationary satellites need a model of their own) and SBAS are not
// placed. A GLONASS reference time is in Moscow time (UTC + 3 h); GPS - UTC
// is taken as kAssumedLeapSeconds: a recording made when it was less places
// a GLONASS satellite a few kilometres off along its orbit, a few thousandths
// of a degree in the sky.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "plugin/conversion_sink.h"
#include "support/gnss_signals.h"
#include "tools/simulator/gps_orbit.h"
#include "tools/simulator/sim_vector.h"

namespace jpsconv {

constexpr int kAssumedLeapSeconds = 18;   // GPS - UTC since 2017-01-01
constexpr double kKeplerReach = 6 * 3600.0;    // s from the reference time an ephemeris is used
constexpr double kGlonassReach = 2 * 3600.0;
constexpr double kGlonassStep = 60.0;          // s, integration step

// Degrees; azimuth from north through east, 0 to 360.
struct LookAngles {
  double elevation = 0, azimuth = 0;
};

// The angles at which a receiver at `receiver` sees `target` (ECEF, m).
LookAngles LookAnglesOf(const double receiver[3], const jpssim::Vec3& target);

class BroadcastOrbits {
 public:
  // Takes a satellite's ephemeris ([GE] [QE] [EN] [NE]; others are ignored).
  void Add(const jps::EphemerisMessage& message);
  // The satellite's position (ECEF, m) at the GPS time of week; false when no
  // ephemeris of it lies within reach. number: the RINEX number (GLONASS: slot).
  bool Position(jps::GnssSystem system, int number, double timeOfWeek, jpssim::Vec3* out);

 private:
  struct Glonass {
    double tb = 0;  // s of the Moscow day
    jpssim::Vec3 r0, v0, lunisolar;
    double stateTime = 0;  // s from tb of the state r, v, which follows the requests
    jpssim::Vec3 r, v;
  };
  using Key = std::pair<int, int>;  // system, number
  void AddKepler(jps::GnssSystem system, const jps::EphemerisMessage& message);
  void AddGlonass(const jps::EphemerisMessage& message);
  jpssim::Vec3 Propagate(Glonass& g, double dt) const;

  std::map<Key, jpssim::GpsEphemeris> kepler_;
  std::map<int, Glonass> glonass_;  // by slot
};

}  // namespace jpsconv
