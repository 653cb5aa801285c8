// The station-mark lines (station lines, mode changes, cancelled sites and
// camera pulses) that the operator's typed events and the event inputs make,
// handed to the decoder state's station output as they arise. Without an
// output nothing is made, and the typed events wait.
#pragma once

#include "greis/decoder_state.h"

namespace jps {

// One station line: time, name, antenna height, description, antenna.
void EmitStationLine(DecoderState& state, double time, const char* name, double height,
                     const char* description, const char* antenna);
// The camera pulse of mark index of list A (0) or B (1).
void EmitCameraPulse(DecoderState* state, int list, int index);
// Every [XA] mark, then every [XB] mark of the epoch; empties both lists.
void EmitEpochCameraPulses(DecoderState* state);
// Applies the keyword events collected since the last epoch, with their lines.
void ApplyStationEvents(DecoderState* state);
// End of conversion: a site typed but never saved is reported and handed over.
void FlushPendingSite(DecoderState* state);

}  // namespace jps
