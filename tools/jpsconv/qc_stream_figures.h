// What the quality report takes from the receiver's stream and a KEL file
// cannot hold: each signal of each satellite with its C/N0, where the
// satellite stood in the sky (the receiver's [EL] and [AZ], or worked out
// from the ephemerides), C/N0 against elevation, and the satellites that
// their ephemerides call unhealthy.
//
// Definitions:
//   - a satellite is tracked in an epoch when the epoch holds any value of it;
//     a signal when the epoch holds any value of that signal;
//   - a signal's share is the epochs that have it, of the epochs its
//     satellite was tracked above kElevationMask (epochs whose elevation is
//     not known count in neither);
//   - C/N0 against elevation: per signal (system and slot), the values of
//     every satellite in bins of kElevationBinDegrees (below 0 in the first).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/gnss_signals.h"
#include "tools/jpsconv/qc_series.h"

namespace jpsconv {

constexpr double kElevationMask = 10.0;  // degrees
constexpr double kElevationBinDegrees = 5.0;
constexpr int kElevationBins = 18;  // up to 90 degrees

enum class SkySource : uint8_t { kNone, kReceiver, kComputed };

// One satellite in one epoch, beyond the KEL file's values.
struct QcStreamValues {
  bool present = false;  // false for a KEL file's observation
  jps::GnssSystem system = jps::GnssSystem::kGps;
  SkySource elevationFrom = SkySource::kNone, azimuthFrom = SkySource::kNone;
  double elevation = 0, azimuth = 0;  // degrees
  uint8_t signals = 0;                // bit per signal slot with any value
  uint8_t cnrs = 0;                   // bit per slot with a C/N0
  float cnr[jps::kSignalSlotCount] = {};  // dB-Hz
};

// A running mean, least and largest value.
struct QcStatistic {
  long values = 0;
  double sum = 0, min = 0, max = 0;
  void Add(double v);
  double Mean() const { return values > 0 ? sum / static_cast<double>(values) : 0.0; }
};

struct QcSignalFigures {
  long epochs = 0;       // with any value of the signal
  long epochsAbove = 0;  // of those, with the satellite above the mask
  QcStatistic cnr;       // dB-Hz
};

struct QcSatelliteStream {
  bool present = false;
  jps::GnssSystem system = jps::GnssSystem::kGps;
  long epochsAbove = 0;  // tracked above the mask
  long elevationFromReceiver = 0, elevationComputed = 0;  // epochs, by where it came from
  long azimuthFromReceiver = 0, azimuthComputed = 0;
  QcStatistic elevation;  // degrees
  QcSignalFigures signals[jps::kSignalSlotCount];
  std::vector<QcTrackPoint> track;  // the series' bins, in time order
};

// A satellite that an ephemeris received called unhealthy.
struct QcUnhealthy {
  std::string name;     // "G09", "R05"
  int health = 0;       // as broadcast (GPS: the 6 bits; GLONASS: the health byte)
  long ephemerides = 0; // received saying so
  double first = 0, last = 0;  // times of week at which they arrived
};

// C/N0 against elevation of one signal.
struct QcCnrCurve {
  jps::GnssSystem system = jps::GnssSystem::kGps;
  int slot = 0;
  QcStatistic bins[kElevationBins];
};

struct QcStreamReport {
  bool present = false;  // the report comes from the receiver's stream
  double binSeconds = 0; // of the satellites' tracks
  std::vector<QcUnhealthy> unhealthy;        // by name
  std::vector<QcCnrCurve> cnrByElevation;    // by system, then slot
};

// The bin of an elevation.
int ElevationBin(double elevation);
// Adds a satellite's epoch to its figures.
void AddStreamValues(const QcStreamValues& v, QcSatelliteStream* figures);
// The signal's name: "L1 C/A", "E5a"; its RINEX code is Signal(system, slot).
const char* SignalName(jps::GnssSystem system, int slot);
// "GPS", "GLONASS", ...
using jps::SystemName;

// Gathers the C/N0 of every satellite by signal and elevation.
class CnrByElevation {
 public:
  void Add(const QcStreamValues& v);
  std::vector<QcCnrCurve> Curves() const;

 private:
  QcCnrCurve curves_[jps::kGnssSystemCount][jps::kSignalSlotCount];
};

}  // namespace jpsconv
