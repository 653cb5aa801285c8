// Broadcast ephemerides as RINEX navigation records carry them, one record
// per system, in RINEX's units (angles in radians, GLONASS and SBAS
// positions in km), with their weeks and dates resolved. The conversion's
// stream (navigation_views.h) and the KEL export's EPP file fill the same
// records; navigation_file.h writes them.
#pragma once

#include <cstdint>

namespace jpsrinex {

constexpr int32_t kBeidouWeekOffset = 1356;  // GPS week in which BDT week 0 began

// The orbit and clock terms that GPS, QZSS, Galileo and BeiDou share.
struct KeplerTerms {
  double af0, af1, af2;  // s, s/s, s/s^2
  double issue;          // IODE, Galileo IODnav, BeiDou AODE
  double crs, deltaN, m0;
  double cuc, eccentricity, cus, sqrtA;
  double toe, cic, omega0, cis;
  double i0, crc, omega, omegaDot;
  double iDot;
};

// GPS ('G') and QZSS ('J').
struct GpsNavRecord {
  char system;
  int number;         // PRN; QZSS PRN - 192
  int32_t tocWeek;    // full GPS week of toc
  double toc;         // s of tocWeek
  int32_t week;       // full GPS week of toe
  KeplerTerms kepler;
  double codesOnL2;
  double l2PDataFlag;
  double accuracy;    // m, RINEX's nominal value of the URA index; 0 when not known
  double health;      // the 6 health bits
  double tgd;         // s
  double iodc;
  double transmissionTime;  // s of week (from `week`; negative before it)
  double fitInterval;       // GPS: hours (0 not known); QZSS: the fit interval flag
};

struct GalileoNavRecord {
  int number;
  int32_t tocWeek;
  double toc;
  int32_t week;  // Galileo week as RINEX numbers it: the GPS week
  KeplerTerms kepler;
  double dataSources;  // RINEX's bits: I/NAV 517, F/NAV 258
  double sisa;         // m
  double health;
  double bgdE1E5a, bgdE1E5b;  // s
  double transmissionTime;
};

struct BeidouNavRecord {
  int number;
  int32_t tocWeek;  // BDT weeks and seconds
  double toc;
  int32_t week;
  KeplerTerms kepler;
  double accuracy;  // m
  double health;    // SatH1
  double tgd1, tgd2;
  double transmissionTime;
  double aodc;
};

// GLONASS: times in UTC seconds since 1980-01-06 00:00 (UTC's own count).
struct GlonassNavRecord {
  int slot;
  int64_t referenceUtc;  // tb
  int64_t frameUtc;      // tk
  double minusTau;       // s: -tauN, as RINEX writes the clock bias
  double gamma;
  double position[3], velocity[3], acceleration[3];  // km, km/s, km/s^2
  double health;   // 0 healthy, 1 Bn says unhealthy
  double channel;  // frequency channel
  double age;      // days
};

// SBAS ('S'): positions in km.
struct SbasNavRecord {
  int number;     // PRN - 100
  int32_t week;   // full GPS week of t0
  double t0;      // s of week
  double af0, af1;
  double transmissionTime;  // s of week
  double position[3], velocity[3], acceleration[3];
  double health;
  double accuracy;  // m
  double iodn;
};

// The nominal metres RINEX asks for of a GPS or QZSS URA index: 2^(1 + N/2)
// rounded to 0.1 m for N 0-6 (2.0 ... 16.0), 2^(N - 2) for N 7-15; 0 for
// an index out of range.
double UraMetres(int index);
// The fit interval in hours of a GPS ephemeris: its flag clear, 4 hours; set,
// the longer interval its IODC tells (6, 8, 14 or 26 hours).
double GpsFitIntervalHours(bool longFit, int iodc);

}  // namespace jpsrinex

namespace jpsrinex {

// The weeks of a GPS-style ephemeris whose message went out at messageTow of
// the full week messageWeek: toe's week (toe more than half a week from the
// message time lies in the neighbouring week), toc's week (likewise from
// toe), and the transmission time counted from toe's week.
struct EphemerisWeeks {
  int32_t week;
  int32_t tocWeek;
  double transmissionTime;
};
EphemerisWeeks PlaceEphemerisWeeks(int32_t messageWeek, double messageTow, double toe, double toc);

}  // namespace jpsrinex
