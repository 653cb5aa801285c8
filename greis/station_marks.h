// The STA station-mark file: station lines, mode changes, cancelled sites and
// camera pulses, from the operator's typed events and the event inputs.
#pragma once

#include "greis/decoder_state.h"

namespace jps {

constexpr const char* kStaHeaderLine = "Mark File:\n";

// Writes one station line "STA: * time * name * height * description * antenna * ".
void WriteStationLine(DecoderState& state, double time, const char* name, double height,
                      const char* description, const char* antenna);
// Writes the camera-pulse line of mark index of list A (0) or B (1).
void WriteCameraPulse(DecoderState* state, int list, int index);
// Writes every [XA] mark, then every [XB] mark of the epoch, and empties both lists.
void WriteEpochCameraPulses(DecoderState* state);
// Applies the keyword events collected since the last epoch; writes the STA lines.
void WriteStationMarks(DecoderState* state);
// End of conversion: a site typed but never saved is reported and written.
void FlushPendingSite(DecoderState* state);

}  // namespace jps
