// RINEX navigation records from the receiver's ephemeris messages, built
// byte by byte in the layouts the receiver sends ([GE] and [NE]), then read
// back from the record text by the columns RINEX gives each field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/builder/message_builder.h"
#include "tools/rinex/navigation_file.h"
#include "tools/rinex/navigation_views.h"

namespace {

constexpr double kPi = 3.141592653589793;  // semicircles to radians
constexpr double kWeek = 604800.0;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t b = 0;
  for (size_t e; (e = text.find('\n', b)) != std::string::npos; b = e + 1) out.push_back(text.substr(b, e - b));
  return out;
}

// The n-th number of a record line: after "G05 yyyy mm dd hh mm ss" on the
// first line (3.04: 23 columns; 2.11: 22), after 4 (2.11: 3) blanks on the others.
double Number(const std::string& line, size_t start, int n) {
  std::string field = line.substr(start + 19 * static_cast<size_t>(n), 19);
  EXPECT_EQ(field[15], 'E') << line;
  return std::strtod(field.c_str(), nullptr);
}

struct GeFields {
  int prn = 5;
  uint32_t tow = 504000;  // Friday 20:00 of the message
  uint8_t flags = 0x02 | (2 << 2);  // L2 P data flag, codes on L2 = 2 (C/A), fit 4 h, alert clear
  int iodc = 421;
  int32_t toc = 511200;
  int ura = 7;
  int health = 63;
  int week = 783;  // as broadcast, ten bits
  float tgd = 5.58793545e-09f, af2 = 0, af1 = 5.68434189e-13f, af0 = 2.04225071e-05f;
  int32_t toe = 511200;
  int iode = 165;
  double sqrtA = 5153.67751312256, e = 3.44982428941876e-03, m0 = -0.937, omega0 = 0.941,
         i0 = 0.306, omega = 0.124;
  float deltaN = 1.48977e-09f, omegaDot = -2.57e-09f, iDot = -9.6e-11f, crc = 226.71875f,
        crs = -58.59375f, cuc = -3.0770898e-06f, cus = 8.0522150e-06f, cic = -9.3132257e-08f,
        cis = -1.0058284e-07f;
};

// A [GE] message in the receiver's layout (offsets 0 to 121, checksum last).
jpsbuild::Bytes GeMessage(const GeFields& f) {
  jpsbuild::Body b;
  b.U1(f.prn).U4(f.tow).U1(f.flags).I2(f.iodc).I4(f.toc).I1(f.ura).U1(f.health).I2(f.week);
  b.F4(f.tgd).F4(f.af2).F4(f.af1).F4(f.af0).I4(f.toe).I2(f.iode);
  b.F8(f.sqrtA).F8(f.e).F8(f.m0).F8(f.omega0).F8(f.i0).F8(f.omega);
  b.F4(f.deltaN).F4(f.omegaDot).F4(f.iDot).F4(f.crc).F4(f.crs).F4(f.cuc).F4(f.cus).F4(f.cic).F4(f.cis);
  EXPECT_EQ(b.size(), 122u);
  return jpsbuild::Message("GE", b);
}

std::string GpsRecordText(const GeFields& f, jpsrinex::RinexVersion version, double receivedGps) {
  jpsbuild::Bytes m = GeMessage(f);
  jps::GpsEphemerisView view(m.data() + 5, static_cast<int>(m.size()) - 5);
  jpsrinex::GpsNavRecord r;
  EXPECT_TRUE(jpsrinex::GpsRecordFromView(view, 'G', receivedGps, &r));
  jpsrinex::NavigationFile file(version, version == jpsrinex::RinexVersion::k304
                                             ? jpsrinex::NavFileKind::kMixed
                                             : jpsrinex::NavFileKind::kGps);
  file.Add(r);
  return file.text();
}

struct NeFields {
  int slot = 5, channel = 1, day = 973;  // 2014-08-30 in the period from 2012
  int32_t tk = 660, tb = 900;            // 00:11 and 00:15 Moscow time
  int health = 0x04;                     // orbit check only: healthy for RINEX
  int age = 3;
  double x = 1000.5, y = -2000.25, z = 25000.125;
  float vx = 1.5f, vy = -0.25f, vz = 0.03125f, ax = 9.31322575e-10f, ay = 0, az = -9.31322575e-10f;
  float tau = 2.5e-05f, gamma = 1.818989404e-12f;
  int n4 = 5;  // 2012-2015
};

jpsbuild::Bytes NeMessage(const NeFields& f) {
  jpsbuild::Body b;
  b.U1(f.slot).I1(f.channel).I2(f.day).I4(f.tk).I4(f.tb).U1(f.health).U1(f.age).U1(0);
  b.F8(f.x).F8(f.y).F8(f.z).F4(f.vx).F4(f.vy).F4(f.vz).F4(f.ax).F4(f.ay).F4(f.az);
  b.F8(0).F4(f.tau).F4(f.gamma).F4(0).U1(0).U1(f.n4).U2(0);
  EXPECT_EQ(b.size(), 87u);
  return jpsbuild::Message("NE", b);
}

std::string GlonassRecordText(const NeFields& f, int64_t receivedUtc) {
  jpsbuild::Bytes m = NeMessage(f);
  jps::GlonassEphemerisView view(m.data() + 5, static_cast<int>(m.size()) - 5);
  jpsrinex::GlonassNavRecord r;
  EXPECT_TRUE(jpsrinex::GlonassRecordFromView(view, receivedUtc, &r));
  jpsrinex::NavigationFile file(jpsrinex::RinexVersion::k304, jpsrinex::NavFileKind::kMixed);
  file.Add(r);
  return file.text();
}

// D19.12 holds 13 significant digits.
void ExpectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 5e-13 * std::fabs(expected));
}

// GPS seconds of 2014-08-29 20:02:22 (week 1807, Friday).
constexpr double kReceived = 1807 * kWeek + 504142;

}  // namespace

TEST(RinexNavigation, GpsRecordCarriesEveryFieldOfTheMessage) {
  GeFields f;
  std::vector<std::string> l = Lines(GpsRecordText(f, jpsrinex::RinexVersion::k304, kReceived));
  ASSERT_EQ(l.size(), 8u);
  // toc 511200 s of week 1807: Friday 2014-08-29 22:00.
  EXPECT_EQ(l[0].substr(0, 23), "G05 2014 08 29 22 00 00");
  ExpectClose(Number(l[0], 23, 0), static_cast<double>(f.af0));
  ExpectClose(Number(l[0], 23, 1), static_cast<double>(f.af1));
  EXPECT_EQ(Number(l[1], 4, 0), 165);  // IODE
  ExpectClose(Number(l[1], 4, 1), static_cast<double>(f.crs));
  EXPECT_NEAR(Number(l[1], 4, 2), f.deltaN * kPi, 1e-12 * std::fabs(f.deltaN * kPi));
  EXPECT_NEAR(Number(l[1], 4, 3), f.m0 * kPi, 1e-12);
  EXPECT_NEAR(Number(l[2], 4, 3), f.sqrtA, 1e-8);
  EXPECT_EQ(Number(l[3], 4, 0), 511200);  // toe
  EXPECT_NEAR(Number(l[3], 4, 2), f.omega0 * kPi, 1e-12);
  EXPECT_NEAR(Number(l[4], 4, 0), f.i0 * kPi, 1e-12);
  EXPECT_NEAR(Number(l[4], 4, 2), f.omega * kPi, 1e-12);
  EXPECT_EQ(Number(l[5], 4, 1), 2);     // codes on L2
  EXPECT_EQ(Number(l[5], 4, 2), 1807);  // the week of toe, in full
  EXPECT_EQ(Number(l[5], 4, 3), 1);     // L2 P data flag
  EXPECT_EQ(Number(l[6], 4, 0), 32.0);  // URA index 7: 2^(7-2) m
  EXPECT_EQ(Number(l[6], 4, 1), 63);    // the six health bits
  ExpectClose(Number(l[6], 4, 2), static_cast<double>(f.tgd));
  EXPECT_EQ(Number(l[6], 4, 3), 421);   // IODC
  EXPECT_EQ(Number(l[7], 4, 0), 504000);
  EXPECT_EQ(Number(l[7], 4, 1), 4);     // fit interval flag clear: 4 hours
  EXPECT_EQ(l[7].size(), 4u + 2 * 19);

  // URA indexes: 2^(1 + N/2) to 0.1 m up to 6, then 2^(N - 2).
  const double metres[] = {2.0, 2.8, 4.0, 5.7, 8.0, 11.3, 16.0, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192};
  for (int n = 0; n <= 15; ++n) {
    f.ura = n;
    EXPECT_EQ(Number(Lines(GpsRecordText(f, jpsrinex::RinexVersion::k304, kReceived))[6], 4, 0), metres[n]);
  }
  // A longer fit interval, told by the IODC.
  f.flags |= 0x01;
  EXPECT_EQ(Number(Lines(GpsRecordText(f, jpsrinex::RinexVersion::k304, kReceived))[7], 4, 1), 6);
  f.iodc = 245;
  EXPECT_EQ(Number(Lines(GpsRecordText(f, jpsrinex::RinexVersion::k304, kReceived))[7], 4, 1), 8);
}

TEST(RinexNavigation, GpsRecordIn211AndAcrossTheWeeksEnd) {
  GeFields f;
  f.tow = 597600;  // Saturday 22:00 of week 1807; toe and toc at the start of week 1808
  f.toc = f.toe = 0;
  std::vector<std::string> l = Lines(GpsRecordText(f, jpsrinex::RinexVersion::k211, 1807 * kWeek + 597700));
  ASSERT_EQ(l.size(), 8u);
  EXPECT_EQ(l[0].substr(0, 22), " 5 14  8 31  0  0  0.0");
  EXPECT_EQ(l[1].substr(0, 3), "   ");
  EXPECT_EQ(Number(l[5], 3, 2), 1808);
  EXPECT_EQ(Number(l[7], 3, 0), 597600 - kWeek);  // transmission counted from toe's week
}

TEST(RinexNavigation, GlonassRecordDatedInUtcAcrossTheMoscowMidnight) {
  NeFields f;
  // 2014-08-29 20:02:22 UTC, near which the message arrived.
  const int64_t received = static_cast<int64_t>(kReceived) - 16;
  for (int n4 : {5, 0}) {  // the period from the message, or the one nearest the receiver's date
    f.n4 = n4;
    std::vector<std::string> l = Lines(GlonassRecordText(f, received));
    ASSERT_EQ(l.size(), 4u);
    // 00:15 Moscow time on the 30th is 21:15 UTC on the 29th.
    EXPECT_EQ(l[0].substr(0, 23), "R05 2014 08 29 21 15 00") << n4;
    ExpectClose(Number(l[0], 23, 0), -static_cast<double>(f.tau));  // -tauN
    ExpectClose(Number(l[0], 23, 1), static_cast<double>(f.gamma));
    // The frame at 00:11 Moscow time: Friday 21:11 UTC, 5 x 86400 + 76260 s into the UTC week.
    EXPECT_EQ(Number(l[0], 23, 2), 508260);
    EXPECT_EQ(Number(l[1], 4, 0), 1000.5);  // km as the receiver sends them
    EXPECT_EQ(Number(l[1], 4, 3), 0);       // healthy: bit 0 clear
    EXPECT_EQ(Number(l[2], 4, 3), 1);       // frequency channel
    EXPECT_EQ(Number(l[3], 4, 0), 25000.125);
    EXPECT_EQ(Number(l[3], 4, 3), 3);       // age
  }
  // N4 names the period even far from the receiver's date: 2018-08-30 (Moscow).
  f.n4 = 6;
  EXPECT_EQ(GlonassRecordText(f, received).substr(0, 23), "R05 2018 08 29 21 15 00");
  // Bit 0 of the health byte: Bn says unhealthy.
  f.n4 = 5;
  f.health = 0x05;
  EXPECT_EQ(Number(Lines(GlonassRecordText(f, received))[1], 4, 3), 1);
}
