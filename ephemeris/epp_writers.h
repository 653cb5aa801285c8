// Writers of the EPP ephemeris file's GPS and GLONASS blocks.
#pragma once

#include "context/conversion_context.h"
#include "greis/ephemeris_views.h"
#include "support/text_stream.h"

namespace jps {

// The EPP file's first line and closing block.
constexpr const char* kEppHeaderLine = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\n";

// 0 when a "GpsEph" block was written; -1 when the ephemeris was rejected
// (the reason told to the host).
int WriteGpsEph(const GpsEphemerisView& ephemeris, TextStream& stream, ConversionContext& context);
// Writes a "GlnEph" block unless GLONASS is left out, the channel has no
// satellite number or the satellite is unhealthy (told to the host); always 0.
int WriteGlnEph(const GlonassEphemerisView& ephemeris, TextStream& stream,
                ConversionContext& context);
// The closing block with the GPS-UTC leap-second count.
void WriteGpsIon(TextStream& stream, int leapSeconds);

}  // namespace jps
