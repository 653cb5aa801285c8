// Writers of the EPP ephemeris file's GPS and GLONASS blocks.
#pragma once

#include "greis/decoder_state.h"
#include "support/text_stream.h"

namespace jps {

// The EPP file's first line and closing block.
constexpr const char* kEppHeaderLine = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\n";

// 0 when a "GpsEph" block was written; -1 when the ephemeris was rejected.
int WriteGpsEph(DecoderState& state, TextStream& stream);
// Fills the GLONASS carrier frequencies and writes a "GlnEph" block; always 0.
int WriteGlnEph(DecoderState& state, TextStream& stream);
// The closing block with the GPS-UTC leap-second count.
void WriteGpsIon(TextStream& stream, int leapSeconds);

}  // namespace jps
