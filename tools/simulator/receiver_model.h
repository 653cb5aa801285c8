// The simulated receiver: where it stands (or walks), its clock, the
// atmosphere between it and each satellite, and its tracking loops. It turns
// the constellation into one set of observations per epoch.
//
// Conventions (those of the receiver's messages): pseudoranges in metres;
// carrier phases in cycles, growing with the range (phase x wavelength =
// code - 2 x ionosphere + ambiguity); Doppler in Hz is the rate of its
// signal's phase, so it is positive while the satellite moves away (RINEX's
// Doppler is its negative); signal strength (C/N0) in dB-Hz.
#pragma once

#include <cstdint>
#include <vector>

#include "support/gnss_signals.h"
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

// One signal of a satellite in one of the receiver's signal slots. The
// values are meaningful where their has-flag is set.
struct SignalTruth {
  bool sent = false;     // the satellite sends the signal (and the receiver tracks it)
  double frequency = 0;  // Hz
  double range = 0;      // m
  double phase = 0;      // cycles
  double doppler = 0;    // Hz
  double snr = 0;        // dB-Hz
  bool hasRange = false, hasPhase = false, hasDoppler = false, hasSnr = false;
};

struct SatObservation {
  size_t satellite = 0;  // position in the Constellation
  uint8_t index = 0;     // GREIS satellite index
  bool glonass = false;
  int glonassSlot = 0;     // orbital slot (1-24); 0 for GPS
  bool slotKnown = true;   // the receiver has read the slot from the satellite's data
  double l1Frequency = 0, l2Frequency = 0;
  double elevation = 0, azimuth = 0;  // degrees
  double lockTime = 0;                // s since the lock began
  bool lockStarted = false;           // tracking began (again) at this epoch, on every signal
  bool slipped = false;               // ... because of a cycle slip
  // C/A on L1 (slot c) and P on L2 (slot 2).
  double snr = 0;                     // C/A, dB-Hz
  double caRange = 0, p2Range = 0;    // m
  double l1Phase = 0, l2Phase = 0;    // cycles
  double doppler = 0;                 // C/A, Hz
  double p2Doppler = 0, p2Snr = 0;    // Hz, dB-Hz
  bool hasCaRange = true, hasP2Range = true, hasL1Phase = true, hasL2Phase = true;
  bool hasDoppler = true, hasSnr = true, hasP2Doppler = true, hasP2Snr = true;
  // The other slots: P on L1 (1), C/A on L2 or GPS L2C (3), L5 (5).
  SignalTruth p1, ca2, l5;

  // Any slot's signal alike (slot l, L1C: never sent).
  SignalTruth InSlot(jps::SignalSlot slot) const;
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
    double acquired = 0;  // when tracking began after the satellite came into view
    double lockStart = 0;
    int ambiguity1 = 0, ambiguity2 = 0, ambiguity5 = 0;
  };
  // Where satellite i is seen at receiver time t: its signal path, the
  // receiver clock offset, the elevation (degrees).
  struct Sight {
    SignalPath path;
    double offset = 0;
    double elevation = 0;
  };
  // The noise-free part of one satellite's signals at receiver time t.
  struct Signal {
    double geometry = 0;  // range + clocks + troposphere, m
    double iono1 = 0;     // L1 ionospheric delay, m
    double l2ClockOffset = 0;
    double elevation = 0;
    Vec3 line;  // unit vector from the receiver to the satellite
  };
  // A satellite's signals at t and half a Doppler step around it.
  struct Samples {
    Signal now, before, after;
  };
  Sight SightAt(size_t i, double t);
  Signal SignalAt(size_t i, double t);
  double Azimuth(const Vec3& line) const;  // degrees from north, 0 to 360
  Vec3 AntennaAt(double t, Vec3* velocity) const;
  double ClockOffsetAt(double t, double* drift) const;
  void Measure(SatObservation* o, const Track& track, double t, Random& noise, Samples* samples);
  // The signals beyond C/A and L2 P, and the Doppler and strength of L2 P.
  void MeasureOtherSignals(SatObservation* o, const Track& track, const Samples& samples);
  // A signal's frequency, Doppler and strength; MeasureSignal adds its range and phase.
  SignalTruth Carrier(const SatObservation& o, jps::SignalSlot slot, const Samples& samples);
  SignalTruth MeasureSignal(const SatObservation& o, jps::SignalSlot slot, int ambiguity,
                            double codeSigma, const Samples& samples);
  void DrawMissingValues(SatObservation* o);
  void StartLock(Track* track, double t);

  Constellation& sky_;
  Walk walk_;
  double interval_;
  Vec3 site_, east_, north_, up_;
  double clockBias_, clockRate_;
  Random random_;
  Random signals_;  // the other signals' noise and gaps, apart from the rest
  std::vector<Track> tracks_;
};

}  // namespace jpssim
