#include "greis/station_marks.h"

#include <cstring>

#include "context/conversion_context.h"
#include "greis/event_records.h"
#include "greis/station_output.h"
#include "support/sta_lines.h"
#include "support/text_helpers.h"

namespace jps {
namespace {

bool HasStationOutput(const DecoderState& s) { return s.StationOutput != nullptr; }

StaLine LineOf(StaLineKind kind, double time) {
  StaLine line{};
  line.kind = kind;
  line.time = time;
  return line;
}

void Emit(DecoderState& s, const StaLine& line) {
  if (HasStationOutput(s)) s.StationOutput->OnStationLine(line);
}

// Hands over the station line of the pending site and closes it.
void WritePendingSite(DecoderState& s) {
  StationMark& st = s.Station;
  EmitStationLine(s, st.SiteTime, st.SiteName, st.AntennaHeight, st.Description,
                   st.AntennaText);
  st.SiteName[0] = '\0';
  st.Description[0] = '\0';
  st.PendingSite = 0;
}

// A pending site that matches a name typed with _CAN or _SAV.
bool PendingSiteNamed(const StationMark& st, const char* name) {
  return st.PendingSite != 0 && SameTextIgnoringCase(st.SiteName, name);
}

}  // namespace

void EmitStationLine(DecoderState& s, double time, const char* name, double height,
                      const char* description, const char* antenna) {
  StaLine line = LineOf(StaLineKind::kStation, time);
  CopyBounded(line.name, name, sizeof line.name - 1);
  line.antennaHeight = height;
  CopyBounded(line.description, description, sizeof line.description - 1);
  CopyBounded(line.antenna, antenna, sizeof line.antenna - 1);
  Emit(s, line);
}

void EmitCameraPulse(DecoderState* s, int list, int index) {
  if (!HasStationOutput(*s) || (list != kEventListA && list != kEventListB)) return;
  int32_t count = list == kEventListA ? s->XaEventCount : s->XbEventCount;
  if (index < 0 || index >= count || index >= kMaxEventMarks) return;
  const EventMark& mark = list == kEventListA ? s->XaEvents[index] : s->XbEvents[index];
  double time = TimeOfWeek(*s, LoadU32(mark.bytes)) + LoadI32(mark.bytes + 4) * 1e-9;
  StaLine line = LineOf(StaLineKind::kCameraPulse, time);
  line.pulse = ++s->PulseNumbers[list];
  Emit(*s, line);
}

void EmitEpochCameraPulses(DecoderState* s) {
  for (int k = 0; k < s->XaEventCount; ++k) EmitCameraPulse(s, kEventListA, k);
  s->XaEventCount = 0;
  for (int k = 0; k < s->XbEventCount; ++k) EmitCameraPulse(s, kEventListB, k);
  s->XbEventCount = 0;
}

void ApplyStationEvents(DecoderState* s) {
  EventState& e = s->Events;
  StationMark& st = s->Station;
  ConversionSwitches& switches = s->Context->switches;
  if (e.EventCount == 0 || !HasStationOutput(*s)) return;
  const double t = TimeOfWeek(*s, e.EventTime);

  if (e.DynamicsCount != 0) {
    const char* word = e.Dynamics != 0 ? "KINEMATIC" : "STATIC";
    s->Context->Notify(t, "Entering %s mode", word);
    StaLine line = LineOf(StaLineKind::kModeChange, t);
    line.kinematic = e.Dynamics != 0 ? 1 : 0;
    Emit(*s, line);
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
    StaLine line = LineOf(StaLineKind::kSiteCanceled, t);
    CopyBounded(line.name, st.SiteName, sizeof line.name - 1);
    Emit(*s, line);
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
    EmitStationLine(*s, t, e.EntityText, st.AntennaHeight, st.Description, kStaEntityAntennaText);
    st.Description[0] = '\0';
  }
  std::memset(&e, 0, sizeof e);
}

void FlushPendingSite(DecoderState* s) {
  StationMark& st = s->Station;
  if (st.PendingSite == 0 || !s->Context->switches.siteAwaitsSave) return;
  s->Context->Report("SITE (%s) found without SAVE.  Saving feature anyway", st.SiteName);
  if (!HasStationOutput(*s)) return;
  EmitStationLine(*s, st.SiteTime, st.SiteName, st.AntennaHeight, st.Description,
                   st.AntennaText);
}

}  // namespace jps
