// Per-satellite tracking continuity kept between epochs. LockSeconds starts
// every conversion at 0; the other tables and the epoch times live for the
// whole process, as the host expects of a plug-in that stays loaded.
#pragma once

#include <cstdint>

namespace jps {

constexpr int kSatelliteNumbers = 72;   // satellite numbers 0 to 71
constexpr int kPhaseTrackSize = 71;     // satellite numbers 0 to 70

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
};

extern ContinuityState Continuity;

// Puts the process-wide state back as it is when the plug-in is loaded.
// For tests that run several conversions in one process.
void ResetProcessStateForTesting();

}  // namespace jps
