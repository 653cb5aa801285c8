// The loop that runs one conversion: the JPS file decoded once, what it holds
// handed to each output.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"
#include "context/host_records.h"
#include "greis/decoder_state.h"
#include "plugin/conversion_sink.h"

namespace jps {

// Converts with the context's host, counters and continuity, decoding into
// state (cleared first) and feeding the outputs in the order given (each
// opened in that order; the first that cannot be opened ends the
// conversion). 0 when the input was converted to its end or the user
// aborted; -1 when a file could not be opened or created, or an output
// could not be written.
int32_t ConversionDriver(ConversionContext& context, DecoderState& state, const char* jpsPath,
                         const ConversionOptions& options, ConversionSink* const* outputs,
                         int outputCount);

}  // namespace jps
