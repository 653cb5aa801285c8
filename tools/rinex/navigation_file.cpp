#include "tools/rinex/navigation_file.h"

#include <initializer_list>

#include "support/gps_time.h"

namespace jpsrinex {
namespace {

constexpr const char* kVersionMixed = "     3.04           N: GNSS NAV DATA    M: MIXED";
constexpr const char* kVersionGps = "     2.11           N: GPS NAV DATA";
constexpr const char* kVersionGlonass = "     2.11           G: GLONASS NAV DATA";
constexpr const char* kOrbitIndent3 = "    ";  // 4X
constexpr const char* kOrbitIndent2 = "   ";   // 3X
constexpr int kNumberWidth2 = 2;             // 2.11: I2 satellite number
constexpr int64_t kWholeSecondsPerWeek = static_cast<int64_t>(jps::kSecondsPerWeek);

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

jps::DateTime UtcDate(int64_t utcSeconds) {
  int64_t week = FloorDiv(utcSeconds, kWholeSecondsPerWeek);
  return jps::FullWeekToDateTime(static_cast<int32_t>(week),
                                 static_cast<double>(utcSeconds - week * kWholeSecondsPerWeek));
}

}  // namespace

bool NavigationFile::Takes(jps::GnssSystem system) const {
  switch (kind_) {
    case NavFileKind::kMixed:
      return true;
    case NavFileKind::kGps:
      return system == jps::GnssSystem::kGps;
    case NavFileKind::kGlonass:
      return system == jps::GnssSystem::kGlonass;
  }
  return false;
}

void NavigationFile::FirstLine(char system, int number, const jps::DateTime& t, double a, double b,
                               double c) {
  char text[kSatelliteIdWidth];
  if (version_ == RinexVersion::k304) {
    WriteSatelliteId(text, system, number);
  } else {
    WriteInteger(text, number, kNumberWidth2);
  }
  text_.append(text, version_ == RinexVersion::k304 ? kSatelliteIdWidth : kNumberWidth2);
  text_ += NavTime(t, version_);
  for (double v : {a, b, c}) {
    char field[kNavNumberWidth];
    if (!WriteNavNumber(field, v)) ++outOfRange_;
    text_.append(field, kNavNumberWidth);
  }
  text_ += '\n';
}

void NavigationFile::Orbit(std::initializer_list<double> values) {
  text_ += version_ == RinexVersion::k304 ? kOrbitIndent3 : kOrbitIndent2;
  for (double v : values) {
    char field[kNavNumberWidth];
    if (!WriteNavNumber(field, v)) ++outOfRange_;
    text_.append(field, kNavNumberWidth);
  }
  text_ += '\n';
}

void NavigationFile::Add(const GpsNavRecord& r) {
  jps::GnssSystem system = r.system == 'J' ? jps::GnssSystem::kQzss : jps::GnssSystem::kGps;
  if (!Takes(system)) return;
  const KeplerTerms& k = r.kepler;
  FirstLine(r.system, r.number, jps::FullWeekToDateTime(r.tocWeek, r.toc), k.af0, k.af1, k.af2);
  Orbit({k.issue, k.crs, k.deltaN, k.m0});
  Orbit({k.cuc, k.eccentricity, k.cus, k.sqrtA});
  Orbit({k.toe, k.cic, k.omega0, k.cis});
  Orbit({k.i0, k.crc, k.omega, k.omegaDot});
  Orbit({k.iDot, r.codesOnL2, static_cast<double>(r.week), r.l2PDataFlag});
  Orbit({r.accuracy, r.health, r.tgd, r.iodc});
  Orbit({r.transmissionTime, r.fitInterval});
  ++records_[static_cast<int>(system)];
}

void NavigationFile::Add(const GalileoNavRecord& r) {
  if (!Takes(jps::GnssSystem::kGalileo)) return;
  const KeplerTerms& k = r.kepler;
  FirstLine('E', r.number, jps::FullWeekToDateTime(r.tocWeek, r.toc), k.af0, k.af1, k.af2);
  Orbit({k.issue, k.crs, k.deltaN, k.m0});
  Orbit({k.cuc, k.eccentricity, k.cus, k.sqrtA});
  Orbit({k.toe, k.cic, k.omega0, k.cis});
  Orbit({k.i0, k.crc, k.omega, k.omegaDot});
  Orbit({k.iDot, r.dataSources, static_cast<double>(r.week)});
  Orbit({r.sisa, r.health, r.bgdE1E5a, r.bgdE1E5b});
  Orbit({r.transmissionTime});
  ++records_[static_cast<int>(jps::GnssSystem::kGalileo)];
}

void NavigationFile::Add(const BeidouNavRecord& r) {
  if (!Takes(jps::GnssSystem::kBeidou)) return;
  const KeplerTerms& k = r.kepler;
  // BDT dates: BDT week 0 began on 2006-01-01, the first day of GPS week 1356.
  FirstLine('C', r.number, jps::FullWeekToDateTime(r.tocWeek + kBeidouWeekOffset, r.toc), k.af0,
            k.af1, k.af2);
  Orbit({k.issue, k.crs, k.deltaN, k.m0});
  Orbit({k.cuc, k.eccentricity, k.cus, k.sqrtA});
  Orbit({k.toe, k.cic, k.omega0, k.cis});
  Orbit({k.i0, k.crc, k.omega, k.omegaDot});
  Orbit({k.iDot, 0.0, static_cast<double>(r.week)});
  Orbit({r.accuracy, r.health, r.tgd1, r.tgd2});
  Orbit({r.transmissionTime, r.aodc});
  ++records_[static_cast<int>(jps::GnssSystem::kBeidou)];
}

void NavigationFile::Add(const GlonassNavRecord& r) {
  if (!Takes(jps::GnssSystem::kGlonass)) return;
  // The frame time counts from the start of the UTC week.
  int64_t frameOfWeek = r.frameUtc - FloorDiv(r.frameUtc, kWholeSecondsPerWeek) * kWholeSecondsPerWeek;
  FirstLine('R', r.slot, UtcDate(r.referenceUtc), r.minusTau, r.gamma,
            static_cast<double>(frameOfWeek));
  Orbit({r.position[0], r.velocity[0], r.acceleration[0], r.health});
  Orbit({r.position[1], r.velocity[1], r.acceleration[1], r.channel});
  Orbit({r.position[2], r.velocity[2], r.acceleration[2], r.age});
  ++records_[static_cast<int>(jps::GnssSystem::kGlonass)];
}

void NavigationFile::Add(const SbasNavRecord& r) {
  if (!Takes(jps::GnssSystem::kSbas)) return;
  FirstLine('S', r.number, jps::FullWeekToDateTime(r.week, r.t0), r.af0, r.af1, r.transmissionTime);
  Orbit({r.position[0], r.velocity[0], r.acceleration[0], r.health});
  Orbit({r.position[1], r.velocity[1], r.acceleration[1], r.accuracy});
  Orbit({r.position[2], r.velocity[2], r.acceleration[2], r.iodn});
  ++records_[static_cast<int>(jps::GnssSystem::kSbas)];
}

std::string NavigationFile::Header(const NavHeader& h) const {
  const char* version = kind_ == NavFileKind::kMixed     ? kVersionMixed
                        : kind_ == NavFileKind::kGlonass ? kVersionGlonass
                                                         : kVersionGps;
  std::string out = HeaderLine(version, "RINEX VERSION / TYPE");
  out += ProgramLine(h.program, h.runBy, h.runDate);
  if (h.hasLeapSeconds && kind_ != NavFileKind::kGlonass) out += LeapSecondsLine(h.leapSeconds);
  return out + HeaderLine("", "END OF HEADER");
}

bool NavigationFile::Create(const std::string& path, const std::string& temp,
                            std::string* error) {
  return file_.Create(path, temp.empty() ? path + kPendingSuffix : temp, false, error);
}

bool NavigationFile::Finish(const NavHeader& header, std::string* error) {
  file_.Write(Header(header));
  file_.Write(text_);
  return file_.Close(error);
}

}  // namespace jpsrinex
