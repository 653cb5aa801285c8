// Turns one decoded rM record into KEL records.
#pragma once

#include "epoch/kel_records.h"
#include "greis/decoder_state.h"

namespace jps {

// 0 when epoch and measurements are ready to write; -1 when refused (ErrorText set).
int BuildRmEpoch(DecoderState* state, KelEpoch* epoch, KelMeasurement* measurements);

}  // namespace jps
