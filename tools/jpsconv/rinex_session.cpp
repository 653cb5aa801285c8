#include "tools/jpsconv/rinex_session.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "support/epp_blocks.h"
#include "support/gps_weeks.h"
#include "support/line_reader.h"
#include "support/sta_lines.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/kel_companions.h"
#include "tools/jpsconv/rinex_export.h"
#include "tools/jpsconv/rinex_navigation.h"

namespace jpsconv {
namespace {

const double kNoTime = std::numeric_limits<double>::quiet_NaN();

// The file named on the command line, else the one beside the KEL file.
std::string CompanionFile(const std::string& given, const std::string& kel,
                          const std::string& extension) {
  return given.empty() ? FileBeside(kel, extension) : given;
}

bool LoadSite(const std::string& kel, const RinexOptions& options, RinexSession* s,
              SessionFailure* failure) {
  s->markerName = BaseName(WithExtension(kel, ""));
  std::string sta = CompanionFile(options.sta, kel, ".STA");
  if (sta.empty()) return true;
  std::FILE* file = std::fopen(sta.c_str(), "rb");
  if (file == nullptr) {
    *failure = {true, "cannot open " + sta + ": " + ErrnoText()};
    return false;
  }
  // The first saved site: a station line that names one (not an entity).
  char text[jps::kTextLineSize];
  jps::StaLine r;
  while (jps::ReadTextLine(file, text) >= 0) {
    if (jps::ParseStaLine(text, &r) != jps::StaLineKind::kStation || r.name[0] == '\0' ||
        std::strcmp(r.antenna, jps::kStaEntityAntennaText) == 0) {
      continue;
    }
    s->markerName = r.name;
    s->antennaHeight = r.antennaHeight;
    s->slantHeight = std::strcmp(r.antenna, jps::kStaSlantAntennaText) == 0;
    if (!s->slantHeight) s->antennaType = r.antenna;
    break;
  }
  std::fclose(file);
  return true;
}

// For each block in file order, the GPS time of the GPS ephemeris nearest it
// in the file (the one before it, else the one after it): a GLONASS block was
// received close to it.
std::vector<double> NearestGpsTimes(const jps::EppBlocks& epp, const std::vector<int32_t>& weeks) {
  std::vector<double> times(epp.order.size(), kNoTime);
  auto gpsTime = [&](size_t i) {
    size_t g = epp.order[i].second;
    return weeks[g] < 0 ? kNoTime : GpsSeconds(weeks[g], epp.gps[g].messageTime);
  };
  double last = kNoTime;
  for (size_t i = 0; i < epp.order.size(); ++i) {
    if (!epp.order[i].first) last = gpsTime(i);
    times[i] = last;
  }
  double next = kNoTime;
  for (size_t i = epp.order.size(); i-- > 0;) {
    if (!epp.order[i].first) next = gpsTime(i);
    if (std::isnan(times[i])) times[i] = next;
  }
  return times;
}

void LoadNavigation(const jps::EppBlocks& epp, const std::vector<int32_t>& weeks, RinexSession* s) {
  std::vector<double> nearest = NearestGpsTimes(epp, weeks);
  // The receiver sends an ephemeris again and again: each is written once.
  std::set<std::array<int64_t, 5>> written;  // system, satellite, week, reference time, issue
  auto repeated = [&](const std::array<int64_t, 5>& key) {
    if (written.insert(key).second) return false;
    ++s->recordsLeftOut[kRepeatedEphemeris];
    return true;
  };
  double fallback = s->fixedWeek >= 0 ? GpsSeconds(s->fixedWeek, kHalfWeek) : kNoTime;
  int leap = s->hasLeapSeconds ? s->leapSeconds : 0;
  for (size_t i = 0; i < epp.order.size(); ++i) {
    size_t index = epp.order[i].second;
    if (!epp.order[i].first) {
      if (weeks[index] < 0) {
        ++s->recordsLeftOut["a GPS ephemeris whose week is negative"];
        continue;
      }
      jpsrinex::GpsNavRecord record = GpsRecordOfBlock(epp.gps[index], weeks[index]);
      if (repeated({0, record.number, record.week, std::llround(record.kepler.toe),
                    std::llround(record.kepler.issue)})) {
        continue;
      }
      for (auto& nav : s->navs) nav->Add(record);
      continue;
    }
    const jps::EppGlonassBlock& block = epp.glonass[index];
    double reference = std::isnan(nearest[i]) ? fallback : nearest[i];
    if (!UsableGlonassBlock(block)) {
      ++s->recordsLeftOut["a GLONASS ephemeris without a usable slot or channel"];
      continue;
    }
    if (std::isnan(reference)) {
      ++s->recordsLeftOut["a GLONASS ephemeris that no GPS time places"];
      continue;
    }
    jpsrinex::GlonassTimes times = GlonassTimes(block, std::llround(reference) - leap);
    s->slots.Add(block.channel, block.slot, static_cast<double>(times.frameUtc + leap));
    if (!GlonassOrbitInKilometres(block)) {
      ++s->recordsLeftOut["a GLONASS ephemeris whose position is no orbit in kilometres"];
      continue;
    }
    jpsrinex::GlonassNavRecord record = GlonassRecordOfBlock(block, times);
    if (repeated({1, record.slot, record.referenceUtc, 0, 0})) continue;
    for (auto& nav : s->navs) nav->Add(record);
  }
}

}  // namespace

bool LoadRinexSession(const std::string& kel, const jps::KelHeader& header,
                      const RinexOptions& options, RinexSession* s, SessionFailure* failure) {
  using jpsrinex::NavFileKind;
  bool v3 = options.version == jpsrinex::RinexVersion::k304;
  s->navs.clear();
  s->navs.push_back(std::make_unique<jpsrinex::NavigationFile>(
      options.version, v3 ? NavFileKind::kMixed : NavFileKind::kGps));
  if (!v3) {
    s->navs.push_back(
        std::make_unique<jpsrinex::NavigationFile>(options.version, NavFileKind::kGlonass));
  }
  if (!LoadSite(kel, options, s, failure)) return false;
  std::string eppPath = CompanionFile(options.epp, kel, ".epp");
  jps::EppBlocks epp;
  if (!eppPath.empty()) {
    int read = jps::ReadEppBlocks(eppPath.c_str(), &epp);
    if (read == jps::kEppCannotOpen) {
      *failure = {true, "cannot open " + eppPath + ": " + ErrnoText()};
      return false;
    }
    if (read == jps::kEppNotKeywordFile) {
      *failure = {false, eppPath + " is not an EPP file (its first line is not \"$EPHREC ...\")"};
      return false;
    }
    s->eppPath = eppPath;
  }
  if (options.week >= 0) s->fixedWeek = RecordingWeek(options.week, header);
  // GPS-UTC of 0 is what the EPP file holds when the receiver sent none.
  s->hasLeapSeconds = epp.hasLeapSeconds && epp.leapSeconds > 0;
  s->leapSeconds = epp.leapSeconds;

  std::vector<int32_t> weeks;
  for (const jps::EppGpsBlock& b : epp.gps) {
    int32_t week = s->fixedWeek >= 0 ? jps::FullWeekNear(b.week, s->fixedWeek)
                                     : RecordingWeek(b.week, header);
    weeks.push_back(week);
    if (s->fixedWeek < 0) s->weeks.Add(week, b.messageTime);
  }
  if (s->fixedWeek < 0 && s->weeks.empty()) {
    failure->fileError = false;
    failure->message =
        s->eppPath.empty()
            ? "no EPP file beside " + kel +
                  " to take the GPS week from: name one with --epp FILE "
                  "or give the week with --week N"
            : s->eppPath +
                  " holds no GPS ephemeris to take the GPS week from: give the week with "
                  "--week N";
    return false;
  }
  LoadNavigation(epp, weeks, s);
  return true;
}

}  // namespace jpsconv
