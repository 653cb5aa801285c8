#include "tools/jpsconv/qc_input.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

#include "support/epp_reader.h"
#include "support/gps_time.h"
#include "support/gps_weeks.h"
#include "support/line_reader.h"
#include "support/sta_lines.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/kel_reader.h"

namespace jpsconv {
namespace {

// A creation stamp outside these years (since 1900) is not a date.
constexpr int kFirstStampYear = 80, kLastStampYear = 200;
constexpr int kMonthsPerYear = 12, kLongestMonth = 31;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The first of the paths that names a file, or "".
std::string Beside(const std::string& kel, std::initializer_list<const char*> extensions) {
  for (const char* extension : extensions) {
    std::string path = WithExtension(kel, extension);
    if (FileSize(path) >= 0 && !IsDirectory(path)) return path;
  }
  return "";
}

// The GPS week in which the KEL file was written: a recording is older than
// that. The clock stands in for a stamp that is not a date.
int32_t WrittenInWeek(const jps::KelHeader& h) {
  jps::CalendarTime t{};
  if (h.createYear >= kFirstStampYear && h.createYear <= kLastStampYear && h.createMonth >= 0 &&
      h.createMonth < kMonthsPerYear && h.createDay >= 1 && h.createDay <= kLongestMonth) {
    t = {h.createSecond, h.createMinute, h.createHour, h.createDay, h.createMonth, h.createYear, 0};
  } else {
    std::time_t now = std::time(nullptr);
    const std::tm* utc = std::gmtime(&now);
    t = {utc->tm_sec, utc->tm_min, utc->tm_hour, utc->tm_mday, utc->tm_mon, utc->tm_year, 0};
  }
  return jps::FullWeekOfCalendar(t);
}

// The whole GPS week of the first epoch, from the last GPS ephemeris of the
// EPP file: the week, of the three around the ephemeris's, nearest to it.
void ReadWeek(const std::string& epp, int32_t writtenInWeek, QcReport* report) {
  int32_t week = 0;
  double toe = 0;
  if (epp.empty() || report->present == 0 || jps::EppLatestGpsWeek(epp.c_str(), &week, &toe) != 0) {
    return;
  }
  int32_t whole = jps::FullWeekNotAfter(week, writtenInWeek);
  report->week =
      whole + static_cast<int32_t>(std::lround((toe - report->first) / jps::kSecondsPerWeek));
  report->hasWeek = true;
}

void ReadMarks(const std::string& sta, QcAccumulator* figures) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(sta.c_str(), "rb"));
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
  report->epp = Beside(kelPath, {".epp", ".EPP"});
  report->sta = Beside(kelPath, {".STA", ".sta"});

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
  ReadWeek(report->epp, WrittenInWeek(reader.header()), report);
  return "";
}

}  // namespace jpsconv
