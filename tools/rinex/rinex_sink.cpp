#include "tools/rinex/rinex_sink.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "greis/ephemeris_views.h"
#include "support/gps_time.h"
#include "support/gps_weeks.h"
#include "tools/rinex/navigation_views.h"

namespace jpsrinex {
namespace {

constexpr const char* kLeftOut2Comment = "QZSS AND BEIDOU LEFT OUT: RINEX 2.11 HAS NO PLACE FOR THEM";
const double kUnplaced = std::numeric_limits<double>::quiet_NaN();

// GPS - UTC at a GPS time from the converter's table; 0 when it knows none.
int TableLeapSeconds(double gpsTime) {
  int32_t week = static_cast<int32_t>(std::floor(gpsTime / jps::kSecondsPerWeek));
  double tow = gpsTime - week * jps::kSecondsPerWeek;
  int32_t leap = jps::LeapSecondsAt(tow, week, tow > 0 ? tow : 1.0);
  return leap == jps::kNoLeapSecondCount ? 0 : leap;
}

template <typename Record>
void AddTo(std::vector<std::unique_ptr<NavigationFile>>& files, const Record& r) {
  for (auto& f : files) f->Add(r);
}

}  // namespace

RinexSink::RinexSink(RinexSinkOptions options)
    : options_(std::move(options)),
      obs_(options_.version),
      window_(options_.from, options_.to, options_.interval) {}

RinexSink::~RinexSink() = default;

bool RinexSink::Fail(jps::ConversionContext& context, const std::string& why) {
  error_ = why;
  obs_.Discard();
  for (auto& file : navFiles_) file->Discard();
  if (files_ != nullptr) {
    files_->Withdraw(options_.obsPath);
    for (const std::string& path : navPaths_) files_->Withdraw(path);
  }
  context.Report("RINEX: %s", why.c_str());
  return false;
}

bool RinexSink::Open(jps::ConversionContext& context, jps::OutputFiles& files) {
  context_ = &context;
  files_ = &files;
  bool v3 = options_.version == RinexVersion::k304;
  navFiles_.clear();
  navPaths_.clear();
  navFiles_.emplace_back(new NavigationFile(options_.version, v3 ? NavFileKind::kMixed : NavFileKind::kGps));
  navPaths_.push_back(options_.navPath);
  if (!v3) {
    navFiles_.emplace_back(new NavigationFile(options_.version, NavFileKind::kGlonass));
    navPaths_.push_back(options_.glonassNavPath);
  }
  std::string why;
  if (!obs_.Create(options_.obsPath, TemporaryName(options_.obsPath, &why), &why)) {
    return Fail(context, why);
  }
  for (size_t i = 0; i < navFiles_.size(); ++i) {
    if (!navFiles_[i]->Create(navPaths_[i], TemporaryName(navPaths_[i], &why), &why)) {
      return Fail(context, why);
    }
  }
  return true;
}

// The temporary name of the file at path; "" with *why when it can have none
// (something not a file stands there).
std::string RinexSink::TemporaryName(const std::string& path, std::string* why) {
  const char* temp = files_->Add(path.c_str());
  if (temp != nullptr) return temp;
  *why = "cannot write " + path + ": " + jps::SystemReason(errno);
  return "";
}

void RinexSink::Tell(const std::string& run) {
  if (!run.empty() && context_ != nullptr) context_->Report("RINEX: %s", run.c_str());
}

void RinexSink::OnObservationEpoch(const jps::ObservationEpoch& epoch) {
  double gpsTime = GpsSeconds(epoch.week, epoch.timeOfWeek);
  if (!seenEpoch_) {
    // The ephemerides received before the first epoch are placed near it.
    for (Received& r : received_) {
      if (std::isnan(r.gpsTime)) r.gpsTime = jps::NearestGpsTime(r.timeOfWeek, gpsTime);
    }
  }
  seenEpoch_ = true;
  lastSeenGps_ = gpsTime;
  if (!window_.Takes(epoch.timeOfWeek, gpsTime)) {
    ++counts_.epochsOutside;
    obs_.LeftOut(epoch);
    return;
  }
  if (!timeOrder_.Takes(gpsTime)) {
    obs_.LeftOut(epoch);
    ++counts_.epochsNotAfter;
    return;
  }
  if (!obs_.Add(epoch)) {
    ++counts_.epochsEmpty;
    return;
  }
  Tell(timeOrder_.Written(gpsTime));
}

bool RinexSink::Repeated(const jps::EphemerisMessage& m) {
  std::array<int64_t, 6> key{m.id[0] * 256 + m.id[1], 0, 0, 0, 0, 0};
  if (m.Is("NE")) {
    jps::GlonassEphemerisView v(m.body, m.length);
    key = {key[0], v.slot(), v.dayNumber(), v.tb(), v.hasN4() ? v.n4() : 0, 0};
  } else if (m.Is("WE")) {
    jps::SbasEphemerisView v(m.body, m.length);
    key = {key[0], v.prn(), v.week(), v.timeOfDay(), v.iod(), 0};
  } else {
    jps::GpsEphemerisView v(m.body, m.length);
    int navType = m.Is("EN") ? v.galileoNavType() : 0;
    key = {key[0], v.prn(), v.week(), v.toe(), v.iode(), navType};
  }
  return !ephemerisKeys_.insert(key).second;
}

void RinexSink::OnEphemeris(const jps::EphemerisMessage& m) {
  bool known = m.Is("GE") || m.Is("QE") || m.Is("EN") || m.Is("CN") ||
               m.Is("NE") || m.Is("WE");
  if (!known || m.body == nullptr || m.length <= 0) return;
  if (Repeated(m)) {
    ++counts_.recordsRepeated;
    return;
  }
  Received r;
  r.id[0] = m.id[0];
  r.id[1] = m.id[1];
  r.body.assign(m.body, m.body + m.length);
  r.timeOfWeek = m.timeOfWeek;
  r.gpsTime = seenEpoch_ ? jps::NearestGpsTime(m.timeOfWeek, lastSeenGps_) : kUnplaced;
  received_.push_back(std::move(r));
}

void RinexSink::OnStationLine(const jps::StaLine& line) {
  if (hasSite_ || line.kind != jps::StaLineKind::kStation || line.name[0] == '\0' ||
      std::strcmp(line.antenna, jps::kStaEntityAntennaText) == 0) {
    return;
  }
  hasSite_ = true;
  siteName_ = line.name;
  siteHeight_ = line.antennaHeight;
  slantHeight_ = std::strcmp(line.antenna, jps::kStaSlantAntennaText) == 0;
  if (!slantHeight_) siteAntenna_ = line.antenna;
}

void RinexSink::AddRecord(const Received& r, int leapSeconds) {
  double received = std::isnan(r.gpsTime) ? obs_.lastGpsTime() : r.gpsTime;
  const uint8_t* body = r.body.data();
  int length = static_cast<int>(r.body.size());
  bool added = false;
  jps::GnssSystem system = jps::GnssSystem::kGps;
  if (jps::IdIs(r.id, "GE") || jps::IdIs(r.id, "QE")) {
    GpsNavRecord g;
    bool qzss = jps::IdIs(r.id, "QE");
    system = qzss ? jps::GnssSystem::kQzss : jps::GnssSystem::kGps;
    added = GpsRecordFromView(jps::GpsEphemerisView(body, length), qzss ? 'J' : 'G', received, &g);
    if (added) AddTo(navFiles_, g);
  } else if (jps::IdIs(r.id, "EN")) {
    GalileoNavRecord g;
    system = jps::GnssSystem::kGalileo;
    added = GalileoRecordFromView(jps::GpsEphemerisView(body, length), received, &g);
    if (added) AddTo(navFiles_, g);
  } else if (jps::IdIs(r.id, "CN")) {
    BeidouNavRecord b;
    system = jps::GnssSystem::kBeidou;
    added = BeidouRecordFromView(jps::GpsEphemerisView(body, length), received, &b);
    if (added) AddTo(navFiles_, b);
  } else if (jps::IdIs(r.id, "NE")) {
    GlonassNavRecord g;
    system = jps::GnssSystem::kGlonass;
    int64_t utc = std::llround(received) - leapSeconds;
    added = GlonassRecordFromView(jps::GlonassEphemerisView(body, length), utc, &g);
    if (added) AddTo(navFiles_, g);
  } else if (jps::IdIs(r.id, "WE")) {
    SbasNavRecord s;
    system = jps::GnssSystem::kSbas;
    added = SbasRecordFromView(jps::SbasEphemerisView(body, length), received, &s);
    if (added) AddTo(navFiles_, s);
  }
  if (!added) {
    ++counts_.recordsUnusable;
    return;
  }
  bool placed = false;
  for (auto& f : navFiles_) placed = placed || f->Takes(system);
  if (!placed) ++counts_.recordsNoPlace;
}

void RinexSink::AddRecords(int leapSeconds) {
  for (const Received& r : received_) AddRecord(r, leapSeconds);
  received_.clear();
  for (int s = 0; s < jps::kGnssSystemCount; ++s) {
    counts_.records[s] = 0;
    for (auto& f : navFiles_) counts_.records[s] += f->records(static_cast<jps::GnssSystem>(s));
  }
  for (auto& f : navFiles_) counts_.valuesOutOfRange += f->valuesOutOfRange();
}

bool RinexSink::Close(jps::ConversionContext& context, const jps::ConversionEnd& end) {
  context_ = &context;
  Tell(timeOrder_.Finish());
  // A conversion stopped by the user ends with finished files, holding what
  // was converted; one without a single epoch writes none, and has not failed.
  if (obs_.epochs() == 0) {
    Fail(context, "no epoch of observations to write: no RINEX files written");
    empty_ = true;
    return true;
  }
  const BodyTally& t = obs_.tally();
  counts_.epochsWritten = t.epochs;
  counts_.firstWeek = obs_.firstWeek();
  counts_.valuesOutOfRange = t.valuesOutOfRange;
  counts_.blankValues = obs_.BlankValues();
  counts_.satellitesLeftOut = t.leftOutNoSlot + t.leftOutSystem + t.leftOutNoValue +
                              t.leftOutRepeated + t.leftOutBadNumber;
  for (int s = 0; s < jps::kGnssSystemCount; ++s) counts_.satellites[s] = t.SatelliteCount(s);
  bool hasLeap = end.leapSeconds > 0;
  int leap = hasLeap ? end.leapSeconds : TableLeapSeconds(obs_.lastGpsTime());
  if (!seenEpoch_) leap = 0;
  AddRecords(leap);

  ObservationHeader h;
  h.program = options_.program;
  h.runBy = options_.runBy;
  h.runDate = RunDateText(options_.runTime);
  if (slantHeight_) h.comments.push_back(kSlantHeightComment);
  bool v3 = options_.version == RinexVersion::k304;
  if (!v3 && t.leftOutSystem > 0) {
    h.comments.push_back(kLeftOut2Comment);
    context.Report("RINEX: %lld QZSS and BeiDou satellite records left out: RINEX 2.11 has no place for them",
                   static_cast<long long>(t.leftOutSystem));
  }
  h.markerName = hasSite_ ? siteName_ : options_.markerName;
  h.receiverType = options_.receiverType;
  h.antennaType = siteAntenna_;
  h.antennaHeight = siteHeight_;
  h.interval = options_.interval;
  h.hasLeapSeconds = hasLeap;
  h.leapSeconds = end.leapSeconds;
  NavHeader nh{h.program, h.runBy, h.runDate, hasLeap, end.leapSeconds};

  std::string why;
  if (!obs_.Finish(h, &why)) return Fail(context, why);
  for (auto& f : navFiles_) {
    if (!f->Finish(nh, &why)) return Fail(context, why);
  }
  // The conversion puts the files in place.
  obs_.HandOver();
  for (auto& f : navFiles_) f->HandOver();
  return true;
}

}  // namespace jpsrinex
