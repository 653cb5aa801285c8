#include "tools/jpsconv/qc_stream.h"

#include <cmath>
#include <cstdlib>
#include <cstdio>

#include "greis/ephemeris_views.h"
#include "support/gps_time.h"
#include "support/kel_records.h"
#include "tools/jpsconv/qc_input.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

constexpr double kZenith = 90;  // degrees


const jps::SignalValues& SignalIn(const jps::SatelliteValues& sv, jps::SignalSlot slot) {
  return sv.signals[static_cast<int>(slot)];
}

double Value(const jps::SignalValues& s, jps::SignalValue which, double value) {
  return (s.present & which) != 0 && std::isfinite(value) ? value : 0.0;
}

std::string Name(char letter, int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d", letter, number);
  return text;
}

}  // namespace

bool QcStreamSink::Open(jps::ConversionContext& context, jps::OutputFiles& files) {
  (void)context;
  (void)files;
  return true;  // the report is written by whoever asked for it, once it is done
}

bool QcStreamSink::Close(jps::ConversionContext& context, const jps::ConversionEnd& end) {
  (void)context;
  aborted_ = end.aborted;
  return true;
}

void QcStreamSink::OnKelEpoch(const jps::KelEpoch& epoch, const jps::KelMeasurement* m) {
  (void)m;
  kinematic_ = (epoch.epochFlags & jps::kKelFlagKinematic) != 0;
}

void QcStreamSink::OnStationLine(const jps::StaLine& line) {
  QcMark mark;
  if (QcMarkOf(line, &mark)) figures_.AddMark(mark);
}

void QcStreamSink::NoteUnhealthy(const std::string& name, int health, double tow) {
  QcUnhealthy& u = unhealthy_[name];
  if (u.ephemerides == 0) u.first = tow;
  u.name = name;
  u.health = health;
  u.last = tow;
  ++u.ephemerides;
}

void QcStreamSink::OnEphemeris(const jps::EphemerisMessage& m) {
  orbits_.Add(m);
  if (m.Is("NE")) {
    jps::GlonassEphemerisView v(m.body, m.length);
    if (v.Holds(jps::glonass_ephemeris::kHealth, 1) && v.unhealthy()) {
      NoteUnhealthy(Name('R', v.slot()), v.health(), m.timeOfWeek);
    }
    return;
  }
  char letter = 0;
  int offset = 0;
  if (m.Is("GE")) letter = 'G';
  if (m.Is("EN")) letter = 'E';
  if (m.Is("CN")) letter = 'C';
  if (m.Is("QE")) {
    letter = 'J';
    offset = jps::kQzssRinexOffset;
  }
  jps::GpsEphemerisView v(m.body, m.length);
  if (letter == 0 || !v.Holds(jps::gps_ephemeris::kHealth, 1) || v.health() == 0) return;
  NoteUnhealthy(Name(letter, v.prn() - offset), v.health(), m.timeOfWeek);
}

QcStreamSink::Satellite* QcStreamSink::StateOf(const jps::SatelliteValues& sv) {
  if (sv.number <= 0 || sv.number >= kNumbers) return nullptr;
  return &satellites_[static_cast<int>(sv.system)][sv.number];
}

void QcStreamSink::Observation(const jps::SatelliteValues& sv, double tow, QcObservation* out) {
  QcObservation& o = *out;
  o = QcObservation{};
  const jps::SignalValues& l1 = SignalIn(sv, jps::SignalSlot::kCa);
  const jps::SignalValues& l2 = SignalIn(sv, jps::SignalSlot::kP2);
  bool gps = sv.system == jps::GnssSystem::kGps && jps::IsGpsNumber(sv.number);
  bool glonass = sv.system == jps::GnssSystem::kGlonass;
  if (gps) {
    o.number = sv.number;
  } else if (glonass) {
    o.number = jps::GlonassNumber(sv.channel);
    o.slot = sv.number;
  } else {
    o.number = OtherSystemNumber(sv.system, sv.number);
  }
  if (gps || glonass) {
    o.carriers = KelCarriers(o.number);
    o.signals.l2Code = Value(l2, jps::kHasCode, l2.code);
    o.signals.l2Phase = Value(l2, jps::kHasPhase, l2.phase);
  } else {
    o.carriers.l1 = jps::SignalFrequency(sv.system, jps::SignalSlot::kCa, sv.channel);
  }
  o.signals.l1Code = Value(l1, jps::kHasCode, l1.code);
  o.signals.l1Phase = Value(l1, jps::kHasPhase, l1.phase);
  bool lost = ((l1.lli | (gps || glonass ? l2.lli : 0)) & jps::kLliLossOfLock) != 0;
  Satellite* state = StateOf(sv);
  if (sv.lockTime >= 0 && state != nullptr) {
    // Whole seconds of lock fewer than those since its previous epoch.
    double since = state->seen ? jps::TowDifference(tow, state->lastTime) : -1;
    lost = since > 0 && sv.lockTime < since;
  }
  if (state != nullptr) {
    state->seen = true;
    state->lastTime = tow;
  }
  o.signals.lock = lost ? LockHint::kRestarted : LockHint::kContinued;
  o.hasDoppler = (l1.present & jps::kHasDoppler) != 0;

  QcStreamValues& v = o.stream;
  v.present = true;
  v.system = sv.system;
  v.signals = sv.slotsPresent;
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    const jps::SignalValues& s = sv.signals[slot];
    if ((s.present & jps::kHasCnr) == 0 || !std::isfinite(s.cnr)) continue;
    v.cnrs |= static_cast<uint8_t>(1u << slot);
    v.cnr[slot] = static_cast<float>(s.cnr);
  }
}

bool QcStreamSink::Compute(jps::GnssSystem system, int number, double tow, LookAngles* angles) {
  jpssim::Vec3 satellite;
  if (!hasPosition_ || !orbits_.Position(system, number, tow, &satellite)) return false;
  *angles = LookAnglesOf(position_, satellite);
  return true;
}

void QcStreamSink::PlaceInSky(const jps::SatelliteValues& sv, double tow, const QcObservation& o,
                              QcStreamValues* v) {
  // A damaged message may say more than the sky holds: such a value is none.
  bool hasElevation = sv.hasElevation && std::abs(sv.elevation) <= kZenith;
  bool hasAzimuth = sv.hasAzimuth && sv.azimuth < kFullCircle;
  if (hasElevation) {
    v->elevationFrom = SkySource::kReceiver;
    v->elevation = sv.elevation;
  }
  if (hasAzimuth) {
    v->azimuthFrom = SkySource::kReceiver;
    v->azimuth = sv.azimuth;
  }
  Satellite* state = StateOf(sv);
  if ((hasElevation && hasAzimuth) || state == nullptr) return;
  Satellite& h = *state;
  if (!h.valid || std::fabs(jps::TowDifference(tow, h.time)) > kSkyRefreshSeconds) {
    h.valid = Compute(sv.system, sv.number, tow, &h.angles);
    h.time = tow;
  }
  if (!h.valid) {
    h.unplaced = true;
    return;
  }
  if (h.unplaced) {
    // Its bins from before it could be placed: placed now.
    h.unplaced = false;
    figures_.FillSky(o, [&](double time, double* elevation, double* azimuth) {
      LookAngles a;
      if (!Compute(sv.system, sv.number, std::fmod(time, jps::kSecondsPerWeek), &a)) return false;
      *elevation = a.elevation;
      *azimuth = a.azimuth;
      return true;
    });
  }
  if (!hasElevation) {
    v->elevationFrom = SkySource::kComputed;
    v->elevation = h.angles.elevation;
  }
  if (!hasAzimuth) {
    v->azimuthFrom = SkySource::kComputed;
    v->azimuth = h.angles.azimuth;
  }
}

void QcStreamSink::OnObservationEpoch(const jps::ObservationEpoch& epoch) {
  if (!hasWeek_) {
    hasWeek_ = true;
    week_ = epoch.week;
  }
  if (epoch.hasPosition) {
    hasPosition_ = true;
    for (int k = 0; k < 3; ++k) position_[k] = epoch.position[k];
  }
  ++epochs_;
  observations_.resize(static_cast<size_t>(epoch.satelliteCount));  // no allocation once grown
  for (int i = 0; i < epoch.satelliteCount; ++i) {
    const jps::SatelliteValues& sv = epoch.satellites[i];
    QcObservation& o = observations_[static_cast<size_t>(i)];
    Observation(sv, epoch.timeOfWeek, &o);
    PlaceInSky(sv, epoch.timeOfWeek, o, &o.stream);
  }
  figures_.AddEpoch(epoch.timeOfWeek, kinematic_, observations_);
}

void QcStreamSink::Finish(QcReport* report) {
  report->kel = input_;
  figures_.Finish(report);
  report->hasWeek = hasWeek_ && report->present > 0;
  report->week = week_;
  report->stream.present = true;
  for (const auto& entry : unhealthy_) report->stream.unhealthy.push_back(entry.second);
  if (aborted_) report->damage = "stopped before the end of the input";
}

}  // namespace jpsconv
