// The loop that runs one conversion from the JPS file to the KEL, EPP and STA files.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"
#include "context/host_records.h"
#include "greis/decoder_state.h"

namespace jps {

// Path buffers hold a 255-character path and a new four-character extension.
constexpr size_t kDerivedPathSize = kPathSize + 8;

// Converts with the context's host, counters and continuity, decoding into
// state (cleared first). 0 when the input was converted to its end or the
// user aborted; -1 when a file could not be opened or created, or an output
// could not be written.
int32_t ConversionDriver(ConversionContext& context, DecoderState& state, const char* jpsPath,
                         const char* kelPath, const char* eppPath,
                         const ConversionOptions& options);

// The plug-in's process-wide objects (continuity, decoder state) put back as
// they are when it is loaded, for tests that run several conversions in one
// process and want each to start afresh.
void ResetProcessStateForTesting();
// The plug-in's own context and decoder state, as the last conversion left
// them, for tests that look at what a conversion changed there.
const ConversionContext& PluginContextForTesting();
const DecoderState& PluginDecoderStateForTesting();

}  // namespace jps
