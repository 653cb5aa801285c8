// A station line numbered by the converter itself, for an event that carries
// a time and a text but no point name.
#pragma once

#include <cstdint>

#include "greis/decoder_state.h"

namespace jps {

// The event to write: its time in milliseconds of the day and its text (at
// most 31 characters are used).
struct NumberedStationEvent {
  uint32_t msOfDay;
  char text[kEventTextSize];
};

// When the decoder state has a station output, hands it the station line
// "STA: * <time of week> * <n> * 0.000 * <text> *  * " where n is a running
// number of the process (from 1). Returns 0.
int EmitNumberedStationLine(DecoderState& state, const NumberedStationEvent& event);

}  // namespace jps
