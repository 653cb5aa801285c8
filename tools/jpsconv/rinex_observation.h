// The RINEX 3.04 observation file (mixed GPS and GLONASS): its header, and
// per epoch the epoch line and one line per satellite. Each satellite line
// carries the five observation types of its system, a value as F14.3
// followed by the loss-of-lock indicator and the signal-strength indicator
// (left blank), a blank field where there is no value.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/gps_weeks.h"

namespace jpsconv {

constexpr int kObservationTypes = 5;
// The types in the order of the values: code, phase and Doppler on L1, code
// and phase on L2 (the KEL file's L2 values come from the P code).
constexpr const char* kGpsObservationTypes[kObservationTypes] = {"C1C", "L1C", "D1C", "C2W", "L2W"};
constexpr const char* kGlonassObservationTypes[kObservationTypes] = {"C1C", "L1C", "D1C", "C2P",
                                                                     "L2P"};
constexpr int kL1PhaseIndex = 1;
constexpr int kL2PhaseIndex = 4;

struct ObsSatellite {
  char system;                       // 'G' or 'R'
  int number;                        // PRN or slot
  double values[kObservationTypes];  // 0 = no value (a blank field)
  bool lossOfLock;                   // sets the indicator of the phases present
};

struct ObsEpoch {
  jps::DateTime time;
  double clockOffset;  // receiver clock offset, s; 0 when unknown (not written)
  std::vector<ObsSatellite> satellites;
};

struct ObsHeader {
  std::string program;  // "jpsconv 1.0"
  std::string runDate;  // "yyyymmdd hhmmss UTC"
  std::vector<std::string> comments;
  std::string markerName;
  std::string receiverType;
  std::string antennaType;
  bool hasPosition = false;
  double position[3] = {0, 0, 0};  // approximate ECEF position, m
  double antennaHeight = 0;        // m, above the marker
  double interval = 0;             // s; 0 = unknown (no INTERVAL line)
  jps::DateTime first{}, last{};
  bool hasLeapSeconds = false;
  int leapSeconds = 0;
  std::vector<std::pair<int, int>> glonassSlots;  // slot, frequency channel
};

std::string FormatObsHeader(const ObsHeader& header);
// The epoch line and the satellite lines. A value that does not fit its field
// is written blank and counted in *outOfRange.
std::string FormatObsEpoch(const ObsEpoch& epoch, int64_t* outOfRange);

}  // namespace jpsconv
