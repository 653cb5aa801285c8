#include "greis/station_line.h"

#include "context/conversion_context.h"
#include "greis/station_marks.h"
#include "support/text_helpers.h"

namespace jps {

int EmitNumberedStationLine(DecoderState& state, const NumberedStationEvent& event) {
  if (state.StationOutput == nullptr) return 0;
  double time = TimeOfWeek(state, static_cast<double>(event.msOfDay));
  char text[kEventTextSize];
  CopyBounded(text, event.text, kEventTextSize - 1);
  char number[16];
  FormatText(number, sizeof number, "%d", ++state.Context->continuity.StationNumber);
  EmitStationLine(state, time, number, 0.0, text, "");
  return 0;
}

}  // namespace jps
