#include "tools/jpsconv/qc_input.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "support/epp_reader.h"
#include "support/file64.h"
#include "support/gps_time.h"
#include "support/line_reader.h"
#include "support/sta_lines.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/kel_companions.h"
#include "tools/jpsconv/kel_reader.h"

namespace jpsconv {
namespace {

// The whole GPS week of the first epoch, from the last GPS ephemeris of the
// EPP file: the week, of the three around the ephemeris's, nearest to it.
void ReadWeek(const std::string& epp, const jps::KelHeader& header, QcReport* report) {
  int32_t week = 0;
  double toe = 0;
  if (epp.empty() || report->present == 0 || jps::EppLatestGpsWeek(epp.c_str(), &week, &toe) != 0) {
    return;
  }
  int32_t whole = RecordingWeek(week, header);
  report->week =
      whole + static_cast<int32_t>(std::lround((toe - report->first) / jps::kSecondsPerWeek));
  report->hasWeek = true;
}

void ReadMarks(const std::string& sta, QcAccumulator* figures) {
  jps::UniqueFile file(std::fopen(sta.c_str(), "rb"));
  if (!file) return;
  char text[jps::kTextLineSize];
  jps::StaLine line;
  while (jps::ReadTextLine(file.get(), text) >= 0) {
    QcMark mark;
    mark.hasTime = true;
    switch (jps::ParseStaLine(text, &line)) {
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
        continue;
    }
    mark.time = line.time;
    if (!IsTimeOfWeek(mark.time)) mark.hasTime = false;
    figures->AddMark(mark);
  }
}

}  // namespace

std::string ReadQcReport(const std::string& kelPath, QcReport* report, bool* cannotOpen) {
  KelReader reader;
  std::string error = reader.Open(kelPath, cannotOpen);
  if (!error.empty()) return error;
  report->kel = kelPath;
  report->epp = FileBeside(kelPath, ".epp");
  report->sta = FileBeside(kelPath, ".STA");

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
    figures.AddEpoch(epoch, measurements);
  }
  if (!report->sta.empty()) ReadMarks(report->sta, &figures);
  figures.Finish(report);
  ReadWeek(report->epp, reader.header(), report);
  return "";
}

}  // namespace jpsconv
