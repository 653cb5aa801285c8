// Body parsers of the GREIS messages. Each takes the message from its first
// identifier character and the body length L, returns 0 when the body was
// accepted and stored and non-zero when it was refused (wrong length, a body
// too short for what is read from it, or a failed checksum). They report nothing.
#pragma once

#include <cstdint>

#include "greis/decoder_state.h"

namespace jps {

// True when the message's checksum byte is right.
bool ChecksumOk(const uint8_t* message, int L);

int ParseReceiverTime(DecoderState& s, const uint8_t* message, int L);   // [~~]
int ParseReceiverDate(DecoderState& s, const uint8_t* message, int L);   // [RD]
int ParseSatIndices(DecoderState& s, const uint8_t* message, int L);     // [SI]

}  // namespace jps
