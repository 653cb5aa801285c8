// Turns one complete GREIS epoch of DecoderState into KEL records.
#pragma once

#include "epoch/kel_records.h"
#include "greis/decoder_state.h"

namespace jps {

// 0 when epoch and measurements are ready to write; -1 when the epoch is
// refused, with the reason in ErrorText (empty when there is nothing to say).
int BuildGreisEpoch(DecoderState* state, KelEpoch* epoch, KelMeasurement* measurements);

}  // namespace jps
