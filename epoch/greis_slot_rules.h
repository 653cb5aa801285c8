// Per-satellite continuity of a GREIS epoch: the lock count written for each
// satellite, the reactions to the tracking-loop flags, and what a missing L1
// measurement does to the lock count.
#pragma once

#include <cstdint>

#include "support/kel_records.h"
#include "context/continuity.h"
#include "greis/decoder_state.h"

namespace jps {

constexpr uint8_t kMaxLockCount = 255;
constexpr double kRestartedLockSeconds = 1.0;
constexpr double kReacquireRestartSeconds = 4.0;

// Whole seconds of a lock time, at most 255.
uint8_t CappedLockCount(double seconds);

// Lock count of slot i (satellite sv) with the epoch step dt: the receiver's
// lock time while it can be trusted, else the program's own count.
uint8_t GreisLockCount(const DecoderState& state, int i, int sv, double dt);

// The epoch's [FC] flag word of slot i: bad code and phase, cycle slip.
// Messages carry the epoch's time of week.
void ApplyLoopFlags(DecoderState& state, int i, int sv, double tow, KelMeasurement& record);

// A record without L1 code or phase restarts the satellite's lock count.
void ApplyMissingL1Rule(ContinuityState& continuity, KelMeasurement& record, int sv);

}  // namespace jps
