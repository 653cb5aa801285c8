// One satellite's observations of an epoch in RINEX's units, from the
// entries the epoch brought (epoch_store.h): every signal slot that the
// satellite's system has, code in metres, phase in cycles with its
// loss-of-lock indicator, Doppler in Hz, C/N0 in dB-Hz, loop flags, and the
// satellite's lock time, elevation and azimuth.
#pragma once

#include <cstdint>

#include "epoch/epoch_store.h"
#include "epoch/loss_of_lock.h"
#include "epoch/observation_epoch.h"
#include "epoch/value_forms.h"

namespace jps {

// A satellite's carriers, worked out once for its system and channel: each
// signal slot's frequency (0: the system has no signal in the slot) and its
// ratio to the C/A carrier, which the relative Doppler forms are scaled by.
struct SatelliteCarriers {
  double frequency[kSignalSlotCount];  // Hz
  double toCa[kSignalSlotCount];
};
SatelliteCarriers CarriersOf(GnssSystem system, int channel);

// Who the satellite is and when.
struct SatelliteTime {
  uint8_t index;     // the receiver's satellite index
  GnssSystem system;
  int channel;       // GLONASS frequency channel
  int32_t gpsDay;    // the epoch's day since the GPS time origin
  const SatelliteCarriers* carriers;  // CarriersOf(system, channel)
};

// Fills out's values from raw (out's system, numbers and index are the
// caller's). tracks are the satellite's phase counters by slot; lockRestarted
// tells that its C/A lock time shows a new lock. A value that the forms turn
// into no number (a relative form without its C/A value) is left out.
void ResolveSatellite(const RawSatellite& raw, const SatelliteTime& satellite, bool lockRestarted,
                      PhaseCounterTrack (&tracks)[kSignalSlotCount], LossOfLock& lossOfLock,
                      SatelliteValues& out);

}  // namespace jps
