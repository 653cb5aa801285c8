// The conversion that ConvertFile runs, reachable from C++ with outputs of
// the caller's own beside the KEL, EPP and STA files, or instead of them.
// It uses the plug-in's process-wide objects (context, continuity, abort
// count, decoder state): one conversion at a time in a process.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"
#include "context/host_records.h"
#include "greis/decoder_state.h"
#include "plugin/conversion_sink.h"

namespace jps {

struct ConversionOutputs {
  bool kelFiles = true;                    // the KEL, EPP and STA files of OutputPath
  ConversionSink* const* extra = nullptr;  // more outputs, fed in the same pass
  int extraCount = 0;
};

// ConvertFile's work with the host's records: checks them, converts, copies
// the counters back. The callbacks are used for the call only.
int32_t RunConversionRequest(ConversionRequest* request, const HostCallbacks* callbacks,
                             const ConversionOutputs& outputs);
// Asks the running conversion to stop at its next step (safe from a signal
// handler or another thread).
void RequestAbort();
// The last error or status text, as GetErrString hands it out.
const char* LastErrorText();

// The plug-in's process-wide objects (continuity, decoder state) put back as
// they are when it is loaded, for tests that run several conversions in one
// process and want each to start afresh.
void ResetProcessStateForTesting();
// The plug-in's own context and decoder state, as the last conversion left
// them, for tests that look at what a conversion changed there.
const ConversionContext& PluginContextForTesting();
const DecoderState& PluginDecoderStateForTesting();

}  // namespace jps
