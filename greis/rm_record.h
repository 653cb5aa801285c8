// The legacy raw-measurement record [rM]: header check and record parser.
#pragma once

#include <cstdint>

#include "greis/decoder_state.h"

namespace jps {

// Decodes and checks the record header: 0 when it passed, -1 when it failed
// (the reason in the context's last error).
int CheckRmHeader(DecoderState& s, const uint8_t* message, int L);
// 1 when the record was accepted and stored, -1 when it was refused.
int ParseRmRecord(DecoderState& s, const uint8_t* message, int L);

}  // namespace jps
