#include "tools/jpsconv/rinex_navigation.h"

#include <cstdio>

#include "support/gps_time.h"
#include "support/gps_weeks.h"
#include "tools/jpsconv/rinex_fields.h"
#include "tools/rinex/rinex_time.h"

namespace jpsconv {
namespace {

constexpr const char* kVersionContent =
    "     3.04           N: GNSS NAV DATA    M: MIXED            ";
constexpr const char* kOrbitIndent = "    ";
constexpr int64_t kWholeSecondsPerWeek = static_cast<int64_t>(jps::kSecondsPerWeek);
// Values the EPP file does not carry. The converter writes only ephemerides
// whose health flag is clear; the others are unknown and written as zero.
constexpr double kHealthy = 0;
constexpr double kUnknown = 0;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// -1, 0 or 1: the week of a time of week t relative to that of a time of week
// ref close to it (t - ref beyond half a week means the neighbouring week).
int32_t WeekShift(double t, double ref) {
  double d = t - ref;
  if (d < -jpsrinex::kHalfWeek) return 1;
  if (d > jpsrinex::kHalfWeek) return -1;
  return 0;
}

std::string Orbit(double a, double b, double c, double d) {
  return kOrbitIndent + NavNumber(a) + NavNumber(b) + NavNumber(c) + NavNumber(d) + "\n";
}

std::string Orbit(double a, double b) { return kOrbitIndent + NavNumber(a) + NavNumber(b) + "\n"; }

std::string FirstLine(char system, int number, const jps::DateTime& t, double a, double b,
                      double c) {
  return SatelliteId(system, number) + NavTimeFields(t) + NavNumber(a) + NavNumber(b) +
         NavNumber(c) + "\n";
}

}  // namespace

std::string FormatNavHeader(const NavHeader& h) {
  std::string out = HeaderLine(kVersionContent, "RINEX VERSION / TYPE");
  out += HeaderLine(
      TextField(h.program, kRinexNameColumns) + TextField("", kRinexNameColumns) + h.runDate,
      "PGM / RUN BY / DATE");
  if (h.hasLeapSeconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%6d", h.leapSeconds);
    out += HeaderLine(text, "LEAP SECONDS");
  }
  return out + HeaderLine("", "END OF HEADER");
}

std::string FormatGpsRecord(const jps::EppGpsBlock& e, int32_t messageWeek) {
  int32_t toeWeek = messageWeek + WeekShift(e.toe, e.messageTime);
  int32_t tocWeek = toeWeek + WeekShift(e.toc, e.toe);
  double transmission = e.messageTime + (messageWeek - toeWeek) * jps::kSecondsPerWeek;
  std::string out =
      FirstLine(kGpsSystem, e.prn, jps::FullWeekToDateTime(tocWeek, e.toc), e.af0, e.af1, e.af2);
  out += Orbit(e.iode, e.crs, e.deltaN, e.m0);
  out += Orbit(e.cuc, e.eccentricity, e.cus, e.sqrtA);
  out += Orbit(e.toe, e.cic, e.omega0, e.cis);
  out += Orbit(e.i0, e.crc, e.omega, e.omegaDot);
  out += Orbit(e.iDot, kUnknown /* codes on L2 */, toeWeek, kUnknown /* L2 P data flag */);
  out += Orbit(kUnknown /* accuracy, m */, kHealthy, e.tgd, e.iodc);
  return out + Orbit(transmission, kUnknown /* fit interval, hours */);
}

std::string FormatGlonassRecord(const jps::EppGlonassBlock& e, const GlonassEphemerisTimes& t) {
  int64_t week = FloorDiv(t.referenceUtc, kWholeSecondsPerWeek);
  double towUtc = static_cast<double>(t.referenceUtc - week * kWholeSecondsPerWeek);
  jps::DateTime epoch = jps::FullWeekToDateTime(static_cast<int32_t>(week), towUtc);
  // The frame time counts from the start of the UTC week.
  int64_t frameOfWeek =
      t.frameUtc - FloorDiv(t.frameUtc, kWholeSecondsPerWeek) * kWholeSecondsPerWeek;
  std::string out = FirstLine(kGlonassSystem, e.slot, epoch, e.minusTau, e.gamma,
                              static_cast<double>(frameOfWeek));
  out += Orbit(e.position[0], e.velocity[0], e.acceleration[0], e.health);
  out += Orbit(e.position[1], e.velocity[1], e.acceleration[1], e.channel);
  return out + Orbit(e.position[2], e.velocity[2], e.acceleration[2], e.age);
}

}  // namespace jpsconv
