#include "tools/jpsconv/qc_input.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "support/file64.h"
#include "support/line_reader.h"
#include "support/sta_lines.h"
#include "tools/jpsconv/kel_companions.h"
#include "tools/jpsconv/kel_epp_context.h"
#include "tools/jpsconv/kel_reader.h"

namespace jpsconv {
namespace {

// The observations of a KEL epoch as the report takes them: phases with
// RINEX's sign (the KEL file stores them the other way round), GLONASS slots
// from the EPP file, and a lock restart wherever the lock count is 1 (the
// converter writes 1 wherever the lock restarted or the L1 measurement was
// bad).
class KelObservations {
 public:
  explicit KelObservations(const KelEppContext& context) : context_(context) {}

  const std::vector<QcObservation>& Of(const jps::KelEpoch& epoch,
                                       const std::vector<jps::KelMeasurement>& measurements) {
    out_.clear();
    double tow = epoch.receiverTime;
    int32_t week = IsTimeOfWeek(tow) ? context_.WeekOf(tow) : -1;
    for (const jps::KelMeasurement& m : measurements) {
      QcObservation o;
      o.number = m.satellite;
      o.slot = context_.SlotAt(m.satellite, week, tow);
      o.carriers = KelCarriers(m.satellite);
      o.signals.l1Phase = -m.l1Phase;
      o.signals.l2Phase = -m.l2Phase;
      o.signals.l1Code = m.l1Code;
      o.signals.l2Code = m.l2Code;
      o.signals.lock =
          m.lockCount <= jps::kRestartedLockCount ? LockHint::kRestarted : LockHint::kContinued;
      o.hasDoppler = m.doppler != 0.0;
      out_.push_back(o);
    }
    return out_;
  }

 private:
  const KelEppContext& context_;
  std::vector<QcObservation> out_;
};

void ReadMarks(const std::string& sta, QcAccumulator* figures) {
  jps::UniqueFile file(std::fopen(sta.c_str(), "rb"));
  if (!file) return;
  char text[jps::kTextLineSize];
  jps::StaLine line;
  QcMark mark;
  while (jps::ReadTextLine(file.get(), text) >= 0) {
    jps::ParseStaLine(text, &line);
    if (QcMarkOf(line, &mark)) figures->AddMark(mark);
  }
}

}  // namespace

bool QcMarkOf(const jps::StaLine& line, QcMark* out) {
  QcMark mark;
  mark.hasTime = true;
  switch (line.kind) {
    case jps::StaLineKind::kStation:
      mark.kind = QcMarkKind::kStation;
      mark.name = line.name;
      mark.description = line.description;
      mark.antenna = line.antenna;
      mark.antennaHeight = line.antennaHeight;
      break;
    case jps::StaLineKind::kModeChange:
      mark.kind = QcMarkKind::kModeChange;
      mark.kinematic = line.kinematic != 0;
      break;
    case jps::StaLineKind::kSiteCanceled:
      mark.kind = QcMarkKind::kSiteCanceled;
      mark.hasTime = false;
      mark.name = line.name;
      break;
    case jps::StaLineKind::kCameraPulse:
      mark.kind = QcMarkKind::kCameraPulse;
      mark.pulse = line.pulse;
      break;
    default:
      return false;
  }
  mark.time = line.time;
  if (!IsTimeOfWeek(mark.time)) mark.hasTime = false;
  *out = mark;
  return true;
}

std::string ReadQcReport(const std::string& kelPath, QcReport* report, bool* cannotOpen) {
  KelReader reader;
  std::string error = reader.Open(kelPath, cannotOpen);
  if (!error.empty()) return error;
  report->kel = kelPath;
  report->epp = FileBeside(kelPath, ".epp");
  report->sta = FileBeside(kelPath, ".STA");

  KelEppContext context;
  context.Load(kelPath, reader.header());
  KelObservations observations(context);
  QcAccumulator figures;
  jps::KelEpoch epoch;
  std::vector<jps::KelMeasurement> measurements;
  for (;;) {
    KelReader::Step step = reader.Next(&epoch, &measurements);
    if (step == KelReader::kEnd) break;
    if (step == KelReader::kBad) {
      report->damage = reader.error();
      break;
    }
    figures.AddEpoch(epoch.receiverTime, (epoch.epochFlags & jps::kKelFlagKinematic) != 0,
                     observations.Of(epoch, measurements));
  }
  if (!report->sta.empty()) ReadMarks(report->sta, &figures);
  figures.Finish(report);
  // The week of the first epoch, as the RINEX export places it.
  if (report->present > 0) report->week = context.WeekOf(report->first);
  report->hasWeek = report->present > 0 && report->week >= 0;
  return "";
}

}  // namespace jpsconv
