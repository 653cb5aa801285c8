// Decoding for a host that does not watch progress: the steps of DecodeNext
// that return 0 without reporting anything are taken together, straight from
// the bytes read ahead, so that the driver sees only the steps that matter.
// The state after each returned event is the one that single DecodeNext
// calls leave.
#pragma once

#include <cstdint>

#include "greis/dispatch.h"

namespace jps {

// In the hunt phase, consumes at once the bytes read ahead that cannot start
// a message (no first identifier character, or one that the next byte does
// not complete), as the hunt and second-character steps would.
void SkipHunt(DecoderState* state);

// DecodeNext until it returns an event other than 0, or until Abort was
// called or the input position reached pauseAt (then 0).
DecoderEvent DecodeUntilEvent(DecoderState* state, int64_t pauseAt = INT64_MAX);

}  // namespace jps
