#include "tools/jpsconv/rinex_epochs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "epoch/geodetic.h"
#include "support/gps_weeks.h"
#include "support/portable_math.h"
#include "support/satellite_numbers.h"
#include "tools/jpsconv/rinex_fields.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

constexpr double kGridTolerance = 1e-3;   // s: an epoch this close to the grid is on it
constexpr double kBoundTolerance = 1e-6;  // s
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr double kRadiansPerDegree = jps::kPi / 180.0;

bool OnGrid(double tow, double interval) {
  double rest = std::fmod(tow, interval);
  return rest < kGridTolerance || interval - rest < kGridTolerance;
}

void Count(const ObsEpoch& epoch, double gpsTime, int32_t week, const jps::KelEpoch& kel,
           EpochTally* t) {
  if (t->epochs == 0) {
    t->first = epoch.time;
    t->firstWeek = week;
  } else {
    int64_t ms = std::llround((gpsTime - t->lastTime) * kMillisecondsPerSecond);
    ++t->spacings[ms];
  }
  ++t->epochs;
  t->last = epoch.time;
  t->lastTime = gpsTime;
  if (!t->hasPosition && (kel.epochFlags & jps::kKelFlagPosition) != 0) {
    t->hasPosition = true;
    t->latitude = kel.latitude;
    t->longitude = kel.longitude;
    t->height = kel.height;
  }
  for (const ObsSatellite& s : epoch.satellites) {
    t->satellites.insert({s.system, s.number});
    for (double v : s.values) t->blankValues += v == 0.0 ? 1 : 0;
  }
}

}  // namespace

EpochBuilder::EpochBuilder(RinexSession* session, const RinexOptions& options)
    : session_(session), options_(options) {}

bool EpochBuilder::InTime(double tow, double gpsTime) {
  if (!started_) {
    // The first epoch is the reference for bounds given as seconds of the week.
    started_ = true;
    from_ = options_.from.set ? BoundTime(options_.from, gpsTime) : 0;
    to_ = options_.to.set ? BoundTime(options_.to, gpsTime) : 0;
  }
  if (options_.from.set && gpsTime < from_ - kBoundTolerance) return false;
  if (options_.to.set && gpsTime > to_ + kBoundTolerance) return false;
  return options_.interval <= 0 || OnGrid(tow, options_.interval);
}

bool EpochBuilder::Satellite(const jps::KelMeasurement& m, double gpsTime, ObsSatellite* out,
                             std::string* name, std::string* why) const {
  int number = m.satellite;
  if (jps::IsGpsNumber(number)) {
    out->system = kGpsSystem;
    out->number = number;
  } else if (jps::IsGlonassNumber(number)) {
    int channel = jps::GlonassChannel(number);
    out->system = kGlonassSystem;
    out->number = session_->slots.SlotAt(channel, gpsTime);
    if (out->number == 0) {
      *name = SatelliteName(number);
      *why = "no GLONASS ephemeris names the slot of its channel";
      return false;
    }
  } else {
    *name = std::to_string(number);
    *why = "neither a GPS nor a GLONASS satellite number";
    return false;
  }
  // The KEL file stores the carrier phases with the sign opposite to RINEX's.
  const double values[kObservationTypes] = {m.l1Code, -m.l1Phase, m.doppler, m.l2Code, -m.l2Phase};
  for (int i = 0; i < kObservationTypes; ++i) out->values[i] = values[i] == 0.0 ? 0.0 : values[i];
  out->lossOfLock = m.lockCount == jps::kRestartedLockCount;
  return true;
}

bool EpochBuilder::Build(const jps::KelEpoch& epoch,
                         const std::vector<jps::KelMeasurement>& measurements, ObsEpoch* out,
                         EpochTally* tally) {
  double tow = epoch.receiverTime;
  bool taken = tow >= 0 && tow <= jps::kSecondsPerWeek;
  if (taken && session_->weeks.empty() && session_->fixedWeek >= 0) {
    session_->weeks.Add(session_->fixedWeek, tow);  // --week is the week of the first epoch
  }
  int32_t week = taken ? session_->weeks.WeekOf(tow) : -1;
  double gpsTime = GpsSeconds(week, tow);
  taken = week >= 0 && InTime(tow, gpsTime);
  out->satellites.clear();
  for (size_t i = 0; taken && i < measurements.size(); ++i) {
    ObsSatellite s{};
    std::string name, why;
    if (!Satellite(measurements[i], gpsTime, &s, &name, &why)) {
      if (tally != nullptr) tally->satellitesLeftOut.emplace(name, why);
      continue;
    }
    bool repeated = std::any_of(
        out->satellites.begin(), out->satellites.end(),
        [&](const ObsSatellite& o) { return o.system == s.system && o.number == s.number; });
    if (!repeated) {
      out->satellites.push_back(s);
    } else if (tally != nullptr) {
      tally->satellitesLeftOut.emplace(SatelliteId(s.system, s.number),
                                       "a second record in one epoch (the first is kept)");
    }
  }
  if (!taken || out->satellites.empty()) {
    if (tally != nullptr) ++tally->leftOut;
    return false;
  }
  std::sort(out->satellites.begin(), out->satellites.end(),
            [](const ObsSatellite& a, const ObsSatellite& b) {
              return a.system != b.system ? a.system < b.system : a.number < b.number;
            });
  out->time = jps::FullWeekToDateTime(week, tow);
  out->clockOffset = epoch.clockOffset / jps::kSpeedOfLight;
  if (tally != nullptr) Count(*out, gpsTime, week, epoch, tally);
  return true;
}

void GeodeticToEcef(double latitude, double longitude, double height, double xyz[3]) {
  jps::EcefPosition p =
      jps::GeodeticToEcef(latitude * kRadiansPerDegree, longitude * kRadiansPerDegree, height);
  xyz[0] = p.x;
  xyz[1] = p.y;
  xyz[2] = p.z;
}

double StatedInterval(const EpochTally& tally, double asked) {
  if (asked > 0) return asked;
  int64_t best = 0, count = 0;
  for (const auto& [ms, n] : tally.spacings) {
    if (ms > 0 && n > count) {
      best = ms;
      count = n;
    }
  }
  return static_cast<double>(best) / kMillisecondsPerSecond;
}

}  // namespace jpsconv
