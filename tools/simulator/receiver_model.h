// The simulated receiver: where it stands (or walks), its clock, the
// atmosphere between it and each satellite, and its tracking loops. It turns
// the constellation into one set of observations per epoch.
//
// Conventions (those of the receiver's messages): pseudoranges in metres;
// carrier phases in cycles, growing with the range (phase x wavelength =
// code - 2 x ionosphere + ambiguity); Doppler in Hz is the rate of the L1
// phase, so it is positive while the satellite moves away.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/simulator/constellation.h"
#include "tools/simulator/sim_random.h"
#include "tools/simulator/sim_time.h"
#include "tools/simulator/sim_vector.h"

namespace jpssim {

constexpr int kMaxTrackedSatellites = 23;  // the receiver's channels ([rM] holds 23)
constexpr double kElevationMask = 5.0;     // degrees

// Noise of the simulated measurements (one deviation; the noise is clipped
// at four deviations).
constexpr double kPhaseNoiseCycles = 0.002;
constexpr double kDopplerNoiseHz = 0.01;
constexpr double kCodeNoiseZenith = 0.15;  // m, plus the low-elevation part below
constexpr double kCodeNoiseLow = 0.45;     // m, fades with exp(-elevation / 12 degrees)
constexpr double kL2CodeNoiseFactor = 1.3;

struct SatObservation {
  size_t satellite = 0;  // position in the Constellation
  uint8_t index = 0;     // GREIS satellite index
  bool glonass = false;
  double l1Frequency = 0, l2Frequency = 0;
  double elevation = 0, azimuth = 0;  // degrees
  double snr = 0;                     // dB-Hz
  double caRange = 0, p2Range = 0;    // m
  double l1Phase = 0, l2Phase = 0;    // cycles
  double doppler = 0;                 // Hz
  double lockTime = 0;                // s since the lock began
  bool lockStarted = false;           // tracking began (again) at this epoch
  bool slipped = false;               // ... because of a cycle slip
  bool hasCaRange = true, hasP2Range = true, hasL1Phase = true, hasL2Phase = true;
  bool hasDoppler = true;
};

struct ReceiverEpoch {
  double t = 0;  // receiver time tag, s since the session start
  TimeTag tag;
  double clockOffset = 0;                   // receiver clock minus GPS time, s
  double clockDrift = 0;                    // s/s
  Vec3 position, velocity;                  // true antenna position, m and m/s
  Vec3 reportedPosition, reportedVelocity;  // the receiver's own solution
  std::vector<SatObservation> satellites;   // GPS by PRN, then GLONASS by index
};

// The antenna's way: static, then a walk of smoothly varying speed from
// the first site to the second, then static again.
struct Walk {
  double start = 0, end = 0;  // s since the session start; end <= start: no walk
  double length = 0;          // m
  double heading = 0;         // degrees from north
};

class ReceiverModel {
 public:
  // interval: seconds between epochs (slips are drawn per epoch).
  ReceiverModel(Constellation& sky, uint64_t seed, double interval, const Walk& walk);
  // Observations at receiver time t. restartTracking makes every satellite
  // begin a new lock with new ambiguities.
  ReceiverEpoch Observe(double t, bool restartTracking);
  // Satellites above the horizon at t (for the ephemerides sent first).
  std::vector<size_t> InView(double t);

 private:
  struct Track {
    bool tracking = false;
    double lockStart = 0;
    int ambiguity1 = 0, ambiguity2 = 0;
  };
  // The noise-free part of one satellite's signals at receiver time t.
  struct Signal {
    double geometry = 0;  // range + clocks + troposphere, m
    double iono1 = 0;     // L1 ionospheric delay, m
    double l2ClockOffset = 0;
    double elevation = 0, azimuth = 0;
  };
  Signal SignalAt(size_t i, double t);
  Vec3 AntennaAt(double t, Vec3* velocity) const;
  double ClockOffsetAt(double t, double* drift) const;
  void Measure(SatObservation* o, const Track& track, double t, Random& noise);
  void StartLock(Track* track, double t);

  Constellation& sky_;
  Walk walk_;
  double interval_;
  Vec3 site_, east_, north_, up_;
  double clockBias_, clockRate_;
  Random random_;
  std::vector<Track> tracks_;
};

}  // namespace jpssim
