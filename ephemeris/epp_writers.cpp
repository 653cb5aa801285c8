#include "ephemeris/epp_writers.h"

namespace jps {

// Interim writers: blocks land with the message bodies.
int WriteGpsEph(DecoderState&, TextStream&) { return 0; }
int WriteGlnEph(DecoderState&, TextStream&) { return 0; }

void WriteGpsIon(TextStream& stream, int leapSeconds) {
  stream.Printf("GpsIon { Utc: %d\n}\n", leapSeconds);
}

}  // namespace jps
