#include "tools/jpsconv/rinex_navigation.h"

namespace jpsconv {

jpsrinex::GpsNavRecord GpsRecordOfBlock(const jps::EppGpsBlock& e, int32_t messageWeek) {
  jpsrinex::GpsNavRecord r{};
  r.system = 'G';
  r.number = e.prn;
  jpsrinex::EphemerisWeeks w = jpsrinex::PlaceEphemerisWeeks(messageWeek, e.messageTime, e.toe, e.toc);
  r.week = w.week;
  r.tocWeek = w.tocWeek;
  r.toc = e.toc;
  r.transmissionTime = w.transmissionTime;
  jpsrinex::KeplerTerms& k = r.kepler;
  k.af0 = e.af0;
  k.af1 = e.af1;
  k.af2 = e.af2;
  k.issue = e.iode;
  k.crs = e.crs;
  k.deltaN = e.deltaN;
  k.m0 = e.m0;
  k.cuc = e.cuc;
  k.eccentricity = e.eccentricity;
  k.cus = e.cus;
  k.sqrtA = e.sqrtA;
  k.toe = e.toe;
  k.cic = e.cic;
  k.omega0 = e.omega0;
  k.cis = e.cis;
  k.i0 = e.i0;
  k.crc = e.crc;
  k.omega = e.omega;
  k.omegaDot = e.omegaDot;
  k.iDot = e.iDot;
  r.tgd = e.tgd;
  r.iodc = e.iodc;
  return r;
}

jpsrinex::GlonassNavRecord GlonassRecordOfBlock(const jps::EppGlonassBlock& e,
                                                const jpsrinex::GlonassTimes& t) {
  jpsrinex::GlonassNavRecord r{};
  r.slot = e.slot;
  r.referenceUtc = t.referenceUtc;
  r.frameUtc = t.frameUtc;
  r.minusTau = e.minusTau;
  r.gamma = e.gamma;
  for (int i = 0; i < 3; ++i) {
    r.position[i] = e.position[i];
    r.velocity[i] = e.velocity[i];
    r.acceleration[i] = e.acceleration[i];
  }
  r.health = e.health;
  r.channel = e.channel;
  r.age = e.age;
  return r;
}

}  // namespace jpsconv
