#include "tools/rinex/navigation_views.h"

#include <cmath>

#include "support/gnss_signals.h"
#include "support/gps_time.h"
#include "support/portable_math.h"
#include "tools/rinex/glonass_dates.h"

namespace jpsrinex {
namespace {

constexpr int kFirstSbasPrn = 120, kLastSbasPrn = 158;
constexpr int kLastPrn = 63;
constexpr double kBeidouBehindGps = 14;      // s: BDT = GPS - 14 s
constexpr double kMetresPerKm = 1000;
constexpr double kGalileoInav = 517;  // E1-B and E5b data, clock for E5b/E1
constexpr double kGalileoFnav = 258;  // E5a-I data, clock for E5a/E1
constexpr int kGalileoFnavType = 1;

int32_t WeekOfTime(double gpsTime) {
  return static_cast<int32_t>(std::floor(gpsTime / jps::kSecondsPerWeek));
}

// The full week of a message time of week sent near receivedGps.
int32_t MessageWeek(double messageTow, double receivedGps) {
  double d = messageTow - (receivedGps - WeekOfTime(receivedGps) * jps::kSecondsPerWeek);
  int32_t week = WeekOfTime(receivedGps);
  if (d > jps::kSecondsPerWeek / 2) --week;
  if (d < -jps::kSecondsPerWeek / 2) ++week;
  return week;
}

void Kepler(const jps::GpsEphemerisView& v, KeplerTerms* k) {
  const double pi = jps::kPi;
  k->af0 = v.af0();
  k->af1 = v.af1();
  k->af2 = v.af2();
  k->issue = v.iode();
  k->crs = v.crs();
  k->deltaN = v.deltaN() * pi;
  k->m0 = v.m0() * pi;
  k->cuc = v.cuc();
  k->eccentricity = v.eccentricity();
  k->cus = v.cus();
  k->sqrtA = v.sqrtA();
  k->toe = v.toe();
  k->cic = v.cic();
  k->omega0 = v.omega0() * pi;
  k->cis = v.cis();
  k->i0 = v.i0() * pi;
  k->crc = v.crc();
  k->omega = v.argumentOfPerigee() * pi;
  k->omegaDot = v.omegaDot() * pi;
  k->iDot = v.iDot() * pi;
}

// The record's weeks from the message time, for a time scale behind GPS
// time by `behind` seconds whose week 0 began in GPS week weekOffset.
EphemerisWeeks Weeks(const jps::GpsEphemerisView& v, double receivedGps, double behind,
                     int32_t weekOffset) {
  double tow = v.timeOfWeek();
  int32_t messageWeek = MessageWeek(tow, receivedGps - behind) - weekOffset;
  return PlaceEphemerisWeeks(messageWeek, tow, v.toe(), v.toc());
}

// The fields that GPS, QZSS, Galileo and BeiDou records share.
template <typename Record>
void Common(const jps::GpsEphemerisView& v, double receivedGps, double behind, int32_t weekOffset,
            Record* r) {
  EphemerisWeeks w = Weeks(v, receivedGps, behind, weekOffset);
  r->week = w.week;
  r->tocWeek = w.tocWeek;
  r->toc = v.toc();
  r->transmissionTime = w.transmissionTime;
  Kepler(v, &r->kepler);
}

}  // namespace

double SisaMetres(int index) {
  if (index < 0) return -1;
  if (index < 50) return index * 0.01;
  if (index < 75) return 0.5 + (index - 50) * 0.02;
  if (index < 100) return 1.0 + (index - 75) * 0.04;
  if (index <= 125) return 2.0 + (index - 100) * 0.16;
  return -1;
}

bool GpsRecordFromView(const jps::GpsEphemerisView& v, char system, double receivedGps,
                       GpsNavRecord* out) {
  if (!v.complete()) return false;
  bool qzss = system == 'J';
  int number = qzss ? v.prn() - jps::kQzssRinexOffset : v.prn();
  if (number < 1 || number > kLastPrn || (qzss && v.prn() <= jps::kQzssRinexOffset)) return false;
  GpsNavRecord r{};
  r.system = system;
  r.number = number;
  Common(v, receivedGps, 0, 0, &r);
  r.codesOnL2 = v.codesOnL2();
  r.l2PDataFlag = v.l2PDataFlag() ? 1 : 0;
  r.accuracy = UraMetres(v.uraIndex());
  r.health = v.health();
  r.tgd = v.tgd();
  r.iodc = v.iodc();
  r.fitInterval = qzss ? (v.fitIntervalLong() ? 1 : 0) : GpsFitIntervalHours(v.fitIntervalLong(), v.iodc());
  *out = r;
  return true;
}

bool GalileoRecordFromView(const jps::GpsEphemerisView& v, double receivedGps,
                           GalileoNavRecord* out) {
  if (!v.complete() || v.prn() < 1 || v.prn() > kLastPrn) return false;
  GalileoNavRecord r{};
  r.number = v.prn();
  Common(v, receivedGps, 0, 0, &r);
  r.dataSources = v.galileoNavType() == kGalileoFnavType ? kGalileoFnav : kGalileoInav;
  r.sisa = SisaMetres(v.uraIndex());
  r.health = v.health();
  r.bgdE1E5a = v.bgdE1E5a();
  r.bgdE1E5b = v.bgdE1E5b();
  *out = r;
  return true;
}

bool BeidouRecordFromView(const jps::GpsEphemerisView& v, double receivedGps, BeidouNavRecord* out) {
  if (!v.complete() || v.prn() < 1 || v.prn() > kLastPrn) return false;
  BeidouNavRecord r{};
  r.number = v.prn();
  Common(v, receivedGps, kBeidouBehindGps, kBeidouWeekOffset, &r);
  r.accuracy = UraMetres(v.uraIndex());
  r.health = v.health();
  r.tgd1 = v.tgd();
  r.tgd2 = v.tgd2();
  r.aodc = v.iodc();
  *out = r;
  return true;
}

bool GlonassRecordFromView(const jps::GlonassEphemerisView& v, int64_t receivedUtc,
                           GlonassNavRecord* out) {
  if (!v.complete() || v.slot() < 1 || v.slot() > kLastPrn) return false;
  GlonassNavRecord r{};
  r.slot = v.slot();
  GlonassTimes t = DateGlonassEphemeris(v.dayNumber(), v.hasN4() ? v.n4() : 0, v.tk(), v.tb(),
                                        receivedUtc);
  r.frameUtc = t.frameUtc;
  r.referenceUtc = t.referenceUtc;
  r.minusTau = -static_cast<double>(v.tau());
  r.gamma = v.gamma();
  for (int i = 0; i < 3; ++i) {
    r.position[i] = v.position(i);
    r.velocity[i] = v.velocity(i);
    r.acceleration[i] = v.acceleration(i);
  }
  r.health = v.unhealthy() ? 1 : 0;
  r.channel = v.channel();
  r.age = v.age();
  *out = r;
  return true;
}

bool SbasRecordFromView(const jps::SbasEphemerisView& v, double receivedGps, SbasNavRecord* out) {
  if (!v.complete() || v.prn() < kFirstSbasPrn || v.prn() > kLastSbasPrn) return false;
  SbasNavRecord r{};
  r.number = v.prn() - jps::kSbasRinexOffset;
  double tow = v.timeOfWeek();
  int32_t messageWeek = MessageWeek(tow, receivedGps);
  // t0 is a time of the day: the one nearest the message time.
  double day = std::floor(tow / jps::kSecondsPerDay) * jps::kSecondsPerDay;
  double t0 = day + v.timeOfDay();
  if (t0 - tow > jps::kSecondsPerDay / 2) t0 -= jps::kSecondsPerDay;
  if (tow - t0 > jps::kSecondsPerDay / 2) t0 += jps::kSecondsPerDay;
  r.week = messageWeek + static_cast<int32_t>(std::floor(t0 / jps::kSecondsPerWeek));
  r.t0 = t0 - (r.week - messageWeek) * jps::kSecondsPerWeek;
  r.transmissionTime = tow + (messageWeek - r.week) * jps::kSecondsPerWeek;
  r.af0 = v.af0();
  r.af1 = v.af1();
  for (int i = 0; i < 3; ++i) {
    r.position[i] = v.position(i) / kMetresPerKm;
    r.velocity[i] = v.velocity(i) / kMetresPerKm;
    r.acceleration[i] = v.acceleration(i) / kMetresPerKm;
  }
  r.accuracy = UraMetres(v.accuracy());
  r.iodn = v.iod();
  *out = r;
  return true;
}

}  // namespace jpsrinex
