// One epoch of observations as the receiver's stream gives them, for every
// satellite of its satellite list and every signal slot: the values that a
// RINEX file or a quality report takes, in metres, cycles, Hz and dB-Hz, with
// RINEX's signs. The KEL epoch is a narrower view of the same epoch.
#pragma once

#include <cstdint>

#include "greis/satellite_messages.h"
#include "support/gnss_signals.h"

namespace jps {

// Satellites one epoch can hold: those of one satellite list.
constexpr int kMaxStreamSatellites = kMaxListedSatellites;

// Which values of a signal are present.
enum SignalValue : uint8_t {
  kHasCode = 1,
  kHasPhase = 2,
  kHasDoppler = 4,
  kHasCnr = 8,
};

// RINEX loss-of-lock indicator bit: lock lost since the previous epoch (or
// the satellite's first epoch), a cycle slip is possible.
constexpr uint8_t kLliLossOfLock = 1;

struct SignalValues {
  double code;     // pseudorange, m
  double phase;    // carrier phase, cycles, as tracked (no alignment applied)
  double doppler;  // Hz, positive while the satellite approaches (RINEX's sign)
  double cnr;      // carrier-to-noise density, dB-Hz
  uint16_t loopFlags;  // the receiver's loop flags of the signal, when hasLoopFlags
  uint8_t present;     // SignalValue bits
  uint8_t lli;         // RINEX loss-of-lock indicator of the phase
  bool hasLoopFlags;
};

struct SatelliteValues {
  GnssSystem system;
  uint8_t index;      // the receiver's satellite index
  int16_t number;     // RINEX satellite number (GLONASS: the orbital slot)
  int8_t channel;     // GLONASS frequency channel; 0 for the other systems
  int8_t elevation;   // degrees, when hasElevation
  uint16_t azimuth;   // degrees, when hasAzimuth
  bool hasElevation, hasAzimuth;
  int32_t lockTime;   // s since the receiver last lost lock on C/A; -1 when not sent
  uint8_t slotsPresent;  // bit per SignalSlot with any value
  SignalValues signals[kSignalSlotCount];
};

struct ObservationEpoch {
  int32_t week;        // full GPS week of the receiver time
  double timeOfWeek;   // s, the receiver's time tag (whole milliseconds)
  bool hasClockOffset;
  double clockOffset;  // receiver clock offset, s
  bool hasPosition;
  double position[3];  // the receiver's own position, ECEF, m
  int satelliteCount;
  SatelliteValues satellites[kMaxStreamSatellites];
};

}  // namespace jps
