// Turns one complete GREIS epoch of DecoderState into KEL records.
#pragma once

#include "support/kel_records.h"
#include "greis/decoder_state.h"

namespace jps {

// 0 when epoch and measurements are ready to write; -1 when the epoch is
// refused; the reason (when there is one to say) has gone to the host.
int BuildGreisEpoch(DecoderState* state, KelEpoch* epoch, KelMeasurement* measurements);

}  // namespace jps
