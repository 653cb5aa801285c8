// Per-satellite tracking continuity and the epoch times, kept between epochs
// and (but for LockSeconds, which every conversion starts at 0) between
// conversions: the host keeps the plug-in loaded, and the epoch assembly
// carries lock counts, phase unwrapping and derived Dopplers across files.
#pragma once

#include <cstdint>

#include "support/satellite_numbers.h"

namespace jps {

constexpr int kSatelliteNumbers = 72;                     // satellite numbers 0 to 71
constexpr int kPhaseTrackSize = kLastGlonassNumber + 1;   // satellite numbers 0 to 70

struct SatHistory {
  double codeTime;       // seconds of week of the last code used for a derived Doppler
  double code;           // that code, metres
  int32_t lastLock;      // rM lock rule: whole seconds
  double lastLockTime;   // rM lock rule: seconds of week
};

struct PhaseTrack {
  uint32_t lastRaw;      // last counter value; 0 = none
  int32_t wrapCount;
  double lastPhase;      // cycles
  double lastCode;       // metres
};

struct ContinuityState {
  double LockSeconds[kSatelliteNumbers];
  double ReacquireTimer[kSatelliteNumbers];
  SatHistory History[kSatelliteNumbers];
  PhaseTrack L1Track[kPhaseTrackSize];
  PhaseTrack L2Track[kPhaseTrackSize];
  double PreviousEpochTime;   // -1.0 when the plug-in is loaded
  double LastEpochTime;       // 0 when the plug-in is loaded
  int32_t StationNumber;      // the last number of a numbered station line; 0 when loaded
};

// The state as it is when the plug-in is loaded.
void ResetContinuity(ContinuityState& continuity);

}  // namespace jps
