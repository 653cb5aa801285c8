#include "greis/station_marks.h"

#include "plugin/conversion_switches.h"
#include "plugin/host_messages.h"
#include "support/text_stream.h"

namespace jps {

void WriteStationLine(DecoderState& s, double time, const char* name, double height,
                      const char* description, const char* antenna) {
  if (s.StaStream == nullptr) return;
  s.StaStream->Printf("STA: * %.2lf * %s * %.3lf * %s * %s * \n", time, name, height,
                      description, antenna);
}

// Interim: event handling lands with the event records.
void WriteCameraPulse(DecoderState*, int, int) {}
void WriteStationMarks(DecoderState*) {}
void WriteEpochCameraPulses(DecoderState* s) {
  s->XaEventCount = 0;
  s->XbEventCount = 0;
}

void FlushPendingSite(DecoderState* s) {
  StationMark& st = s->Station;
  if (st.PendingSite == 0 || !Switches.siteAwaitsSave) return;
  ReportMessage("SITE (%s) found without SAVE.  Saving feature anyway", st.SiteName);
  if (s->StaStream == nullptr || !s->StaStream->IsOpen()) return;
  WriteStationLine(*s, st.SiteTime, st.SiteName, st.AntennaHeight, st.Description,
                   st.AntennaText);
  ++Counters.stationMarks;
}

}  // namespace jps
