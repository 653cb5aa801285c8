// Turns one decoded rM record into KEL records.
#pragma once

#include <cstdint>

#include "context/continuity.h"
#include "support/kel_records.h"
#include "greis/decoder_state.h"

namespace jps {

// 0 when epoch and measurements are ready to write; -1 when refused (the
// reason has gone to the host).
int BuildRmEpoch(DecoderState* state, KelEpoch* epoch, KelMeasurement* measurements);

// Sets record.lockCount from the receiver's lock time (tenths of a second) and
// remembers it with the epoch time in the satellite's history. A satellite seen
// for the first time, or whose lock time went down, gets 1.
void RmLockCount(KelMeasurement& record, double time, uint16_t lockTenths, SatHistory& history);

}  // namespace jps
