#include "tools/jpsconv/rinex_epochs.h"

#include <cmath>

#include "epoch/geodetic.h"
#include "support/gps_weeks.h"
#include "support/portable_math.h"
#include "support/satellite_numbers.h"
#include "tools/jpsconv/qc_input.h"
#include "tools/jpsconv/satellite_names.h"
#include "tools/rinex/rinex_text.h"

namespace jpsconv {
namespace {

constexpr double kRadiansPerDegree = jps::kPi / 180.0;
constexpr int kL1 = static_cast<int>(jps::SignalSlot::kCa);
constexpr int kL2 = static_cast<int>(jps::SignalSlot::kP2);

// A KEL value of 0 is no value.
void Put(jps::SignalValues* s, double value, double* field, uint8_t bit) {
  if (value == 0.0) return;
  *field = value;
  s->present |= bit;
}

}  // namespace

namespace {

int64_t MsOfWeek(double time) {
  double tow = std::fmod(time, jps::kSecondsPerWeek);
  return std::llround(tow * 1000.0);
}

}  // namespace

std::string LossOfLockOfKelFile(const std::string& kel, LossOfLock* out) {
  QcReport report;
  bool cannotOpen = false;
  std::string error = ReadQcReport(kel, &report, &cannotOpen);
  if (!error.empty()) return error;
  for (const QcSatellite& s : report.satellites) {
    for (const std::vector<double>* times : {&s.slips, &s.arcStarts}) {
      for (double t : *times) out->insert({s.number, MsOfWeek(t)});
    }
  }
  return "";
}

EpochBuilder::EpochBuilder(RinexSession* session, const RinexOptions& options,
                           const LossOfLock& lossOfLock)
    : session_(session), window_(options.from, options.to, options.interval),
      lossOfLock_(lossOfLock) {}

bool EpochBuilder::Satellite(const jps::KelMeasurement& m, double gpsTime,
                             jps::SatelliteValues* out, std::string* name,
                             std::string* why) const {
  *out = jps::SatelliteValues{};
  int number = m.satellite;
  if (jps::IsGpsNumber(number)) {
    out->system = jps::GnssSystem::kGps;
    out->number = static_cast<int16_t>(number);
  } else if (jps::IsGlonassNumber(number)) {
    int channel = jps::GlonassChannel(number);
    out->system = jps::GnssSystem::kGlonass;
    out->channel = static_cast<int8_t>(channel);
    out->number = static_cast<int16_t>(session_->slots.SlotAt(channel, gpsTime));
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
  jps::SignalValues& l1 = out->signals[kL1];
  jps::SignalValues& l2 = out->signals[kL2];
  Put(&l1, m.l1Code, &l1.code, jps::kHasCode);
  Put(&l1, -m.l1Phase, &l1.phase, jps::kHasPhase);
  Put(&l1, m.doppler, &l1.doppler, jps::kHasDoppler);
  Put(&l2, m.l2Code, &l2.code, jps::kHasCode);
  Put(&l2, -m.l2Phase, &l2.phase, jps::kHasPhase);
  bool lost = lossOfLock_.count({number, MsOfWeek(gpsTime)}) != 0;
  l1.lli = l2.lli = lost ? jps::kLliLossOfLock : 0;
  if (l1.present != 0) out->slotsPresent |= 1u << kL1;
  if (l2.present != 0) out->slotsPresent |= 1u << kL2;
  return true;
}

bool EpochBuilder::Build(const jps::KelEpoch& epoch,
                         const std::vector<jps::KelMeasurement>& measurements,
                         jps::ObservationEpoch* out, EpochTally* tally) {
  double tow = epoch.receiverTime;
  bool taken = tow >= 0 && tow <= jps::kSecondsPerWeek;
  if (taken && session_->weeks.empty() && session_->fixedWeek >= 0) {
    session_->weeks.Add(session_->fixedWeek, tow);  // --week is the week of the first epoch
  }
  int32_t week = taken ? session_->weeks.WeekOf(tow) : -1;
  double gpsTime = GpsSeconds(week, tow);
  // An epoch outside the window is built too: its losses of lock go to the
  // next phases written.
  bool dated = week >= 0;
  taken = dated && window_.Takes(tow, gpsTime);
  out->satelliteCount = 0;
  for (size_t i = 0; dated && i < measurements.size(); ++i) {
    jps::SatelliteValues& s = out->satellites[out->satelliteCount];
    std::string name, why;
    if (!Satellite(measurements[i], gpsTime, &s, &name, &why)) {
      if (taken) tally->satellitesLeftOut.emplace(name, why);
      continue;
    }
    bool repeated = false;
    for (int k = 0; k < out->satelliteCount && !repeated; ++k) {
      repeated = out->satellites[k].system == s.system && out->satellites[k].number == s.number;
    }
    if (repeated) {
      if (!taken) continue;
      tally->satellitesLeftOut.emplace(
          jpsrinex::SatelliteId(jpsrinex::SystemLetter(s.system), s.number),
          "a second record in one epoch (the first is kept)");
      continue;
    }
    if (out->satelliteCount < jps::kMaxStreamSatellites - 1) ++out->satelliteCount;
  }
  if (!taken || out->satelliteCount == 0) {
    ++tally->leftOut;
    return false;
  }
  out->week = week;
  out->timeOfWeek = tow;
  out->hasClockOffset = epoch.clockOffset != 0.0;
  out->clockOffset = epoch.clockOffset / jps::kSpeedOfLight;
  out->hasPosition = (epoch.epochFlags & jps::kKelFlagPosition) != 0;
  if (out->hasPosition) GeodeticToEcef(epoch.latitude, epoch.longitude, epoch.height, out->position);
  return true;
}

void GeodeticToEcef(double latitude, double longitude, double height, double xyz[3]) {
  jps::EcefPosition p =
      jps::GeodeticToEcef(latitude * kRadiansPerDegree, longitude * kRadiansPerDegree, height);
  xyz[0] = p.x;
  xyz[1] = p.y;
  xyz[2] = p.z;
}

}  // namespace jpsconv
