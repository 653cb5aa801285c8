#include "greis/station_line.h"

#include "context/conversion_context.h"
#include "support/text_helpers.h"
#include "support/text_stream.h"

namespace jps {

int WriteNumberedStationLine(DecoderState& state, const NumberedStationEvent& event) {
  if (state.StaStream == nullptr || !state.StaStream->IsOpen()) return 0;
  double time = TimeOfWeek(state, static_cast<double>(event.msOfDay));
  char text[kEventTextSize];
  CopyBounded(text, event.text, kEventTextSize - 1);
  char number[16];
  FormatText(number, sizeof number, "%d", ++state.Context->continuity.StationNumber);
  state.StaStream->Printf("STA: * %.2lf * %s * 0.000 * %s *  * \n", time, number, text);
  ++state.Context->counters.stationMarks;
  return 0;
}

}  // namespace jps
