#include "greis/station_marks.h"

#include <cstring>

#include "context/conversion_context.h"
#include "greis/event_records.h"
#include "support/sta_lines.h"
#include "support/text_stream.h"

namespace jps {
namespace {

bool HasStaStream(const DecoderState& s) {
  return s.StaStream != nullptr && s.StaStream->IsOpen();
}

// Writes the station line of the pending site and closes it.
void WritePendingSite(DecoderState& s) {
  StationMark& st = s.Station;
  WriteStationLine(s, st.SiteTime, st.SiteName, st.AntennaHeight, st.Description,
                   st.AntennaText);
  st.SiteName[0] = '\0';
  st.Description[0] = '\0';
  st.PendingSite = 0;
  ++s.Context->counters.stationMarks;
}

// A pending site that matches a name typed with _CAN or _SAV.
bool PendingSiteNamed(const StationMark& st, const char* name) {
  return st.PendingSite != 0 && SameTextIgnoringCase(st.SiteName, name);
}

}  // namespace

void WriteStationLine(DecoderState& s, double time, const char* name, double height,
                      const char* description, const char* antenna) {
  if (s.StaStream == nullptr) return;
  s.StaStream->Printf("STA: * %.2lf * %s * %.3lf * %s * %s * \n", time, name, height,
                      description, antenna);
}

void WriteCameraPulse(DecoderState* s, int list, int index) {
  if (!HasStaStream(*s) || (list != kEventListA && list != kEventListB)) return;
  int32_t count = list == kEventListA ? s->XaEventCount : s->XbEventCount;
  if (index < 0 || index >= count || index >= kMaxEventMarks) return;
  const EventMark& mark = list == kEventListA ? s->XaEvents[index] : s->XbEvents[index];
  double time = TimeOfWeek(*s, LoadU32(mark.bytes)) + LoadI32(mark.bytes + 4) * 1e-9;
  s->StaStream->Printf("\nCAMERA PULSE #%d AT: %.6lf\n", ++s->PulseNumbers[list], time);
  ++s->Context->counters.eventMarks;
}

void WriteEpochCameraPulses(DecoderState* s) {
  for (int k = 0; k < s->XaEventCount; ++k) WriteCameraPulse(s, kEventListA, k);
  s->XaEventCount = 0;
  for (int k = 0; k < s->XbEventCount; ++k) WriteCameraPulse(s, kEventListB, k);
  s->XbEventCount = 0;
}

void WriteStationMarks(DecoderState* s) {
  EventState& e = s->Events;
  StationMark& st = s->Station;
  ConversionSwitches& switches = s->Context->switches;
  if (e.EventCount == 0 || !HasStaStream(*s)) return;
  const double t = TimeOfWeek(*s, e.EventTime);

  if (e.DynamicsCount != 0) {
    const char* word = e.Dynamics != 0 ? "KINEMATIC" : "STATIC";
    s->Context->Notify(t, "Entering %s mode", word);
    s->StaStream->Printf("%.1lf ENTERING %s MODE\n", t, word);
    switches.dynamicMode = e.Dynamics != 0;
  }
  if (e.AntennaCount != 0) CopyEventText(st.AntennaText, e.AntennaText);
  if (e.HeightCount != 0) {
    st.AntennaHeight = e.AntennaHeight;
    if (e.SlantCount != 0) {
      CopyEventText(st.AntennaText, kStaSlantAntennaText);
    } else if (std::strcmp(st.AntennaText, kStaSlantAntennaText) == 0) {
      st.AntennaText[0] = '\0';
    }
  }
  if (e.SiteCount != 0) {
    CopyEventText(st.SiteName, e.SiteText);
    st.PendingSite = 1;
    st.SiteTime = t;
    if (!switches.siteAwaitsSave) WritePendingSite(*s);
  }
  if (e.DescriptionCount != 0) CopyEventText(st.Description, e.DescriptionText);
  if (e.CancelCount != 0 && switches.siteAwaitsSave && PendingSiteNamed(st, e.CancelText)) {
    s->StaStream->Printf("SITE %s CANCELED\n", st.SiteName);
    st.SiteName[0] = '\0';
    st.PendingSite = 0;
  }
  if (e.DynamicEntered != 0 && switches.siteAwaitsSave && st.PendingSite != 0) {
    WritePendingSite(*s);
  }
  if (e.SaveCount != 0 && switches.siteAwaitsSave && PendingSiteNamed(st, e.SaveText)) {
    WritePendingSite(*s);
  }
  if (e.EntityCount != 0 && e.EntityText[0] != '\0') {
    WriteStationLine(*s, t, e.EntityText, st.AntennaHeight, st.Description, kStaEntityAntennaText);
    st.Description[0] = '\0';
    ++s->Context->counters.stationMarks;
  }
  std::memset(&e, 0, sizeof e);
}

void FlushPendingSite(DecoderState* s) {
  StationMark& st = s->Station;
  if (st.PendingSite == 0 || !s->Context->switches.siteAwaitsSave) return;
  s->Context->Report("SITE (%s) found without SAVE.  Saving feature anyway", st.SiteName);
  if (!HasStaStream(*s)) return;
  WriteStationLine(*s, st.SiteTime, st.SiteName, st.AntennaHeight, st.Description,
                   st.AntennaText);
  ++s->Context->counters.stationMarks;
}

}  // namespace jps
