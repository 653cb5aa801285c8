// EPP blocks written out byte for byte, the health and PRN rejections, the
// GLONASS frequency table, and the EPP files of the real recordings.
#include <gtest/gtest.h>

#include <string>

#include "plugin/conversion_api.h"
#include "greis/decoder_state.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;

namespace {

const std::string kHeader = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\n";
const std::string kNoLeapSeconds = "GpsIon { Utc: 0\r\n}\r\n";

struct GpsEph {
  int prn = 5;
  uint32_t tow = 345600;
  int flags = 0;
  int iodc = -3;
  int32_t toc = 352800;
  int ura = 2;
  int health = 0x3F;  // not consulted: only the flags bit decides
  int week = 1811;
  float tgd = -1.1641532e-08f, af2 = 0.0f, af1 = -3.6379788e-12f, af0 = 1.52587890625e-05f;
  int32_t toe = 352800;
  int iode = 77;
  double sqrtA = 5153.65478515625, e = 0.0123456789012345;
  double m0 = 0.75, omega0 = -0.3, i0 = 0.3, omega = 0.6;   // semicircles
  float deltaN = 1.5e-9f, omegaDot = -2.6e-9f, iDot = 1.1e-10f;  // semicircles/s
  float crc = 226.71875f, crs = -58.59375f, cuc = -3.07708979e-06f, cus = 8.05221498e-06f;
  float cic = -9.31322575e-08f, cis = -1.00582838e-07f;

  Bytes Message() const {
    Body b;
    b.U1(prn).U4(tow).U1(flags).I2(iodc).I4(toc).I1(ura).U1(health).I2(week);
    b.F4(tgd).F4(af2).F4(af1).F4(af0).I4(toe).I2(iode);
    b.F8(sqrtA).F8(e).F8(m0).F8(omega0).F8(i0).F8(omega);
    b.F4(deltaN).F4(omegaDot).F4(iDot).F4(crc).F4(crs).F4(cuc).F4(cus).F4(cic).F4(cis);
    EXPECT_EQ(b.size(), 122u);
    return jpsbuild::Message("GE", b);
  }
};

struct GlnEph {
  int slot = 10;
  int channel = -7;
  int day = 972;
  int32_t tk = 81000, tb = 81900;
  int health = 8;  // bits 0 to 2 clear: healthy
  int age = 3;
  int flags = 141;
  double x = -12498540.5, y = -3643593.25, z = 21897955.625;
  float vx = -1339.50043f, vy = -2697.34669f, vz = -1220.06893f;
  float ax = 0.0f, ay = 9.31322575e-07f, az = -1.86264515e-06f;
  double tauSystem = -3.897584974765778e-07;
  float tau = 6.164424e-05f, gamma = 1.8189894e-12f;
  size_t extraBytes = 8;  // newer firmware: 88-byte body

  Body Fields() const {
    Body b;
    b.U1(slot).I1(channel).I2(day).I4(tk).I4(tb).U1(health).U1(age).U1(flags);
    b.F8(x).F8(y).F8(z).F4(vx).F4(vy).F4(vz).F4(ax).F4(ay).F4(az);
    b.F8(tauSystem).F4(tau).F4(gamma);
    EXPECT_EQ(b.size(), 79u);
    for (size_t i = 0; i < extraBytes; ++i) b.U1(static_cast<uint32_t>(0xA0 + i));
    return b;
  }
  Bytes Message() const { return jpsbuild::Message("NE", Fields()); }
};

// The blocks of the default values above, worked out by hand.
const std::string kGpsBlock =
    "GpsEph { Prn: 5\r\n"
    "\tEl1: 1811 345600 -1.16415322e-008 -3 352800\r\n"
    "\tEl2: 0.00000000e+000 -3.63797881e-012 1.52587891e-005\r\n"
    "\tEl3: 77 -5.85937500e+001 4.71238915e-009 2.35619449019234e+000\r\n"
    "\tEl4: -3.07708979e-006 1.23456789012345e-002 8.05221498e-006 5.15365478515625e+003\r\n"
    "\tEl5: 352800 -9.31322575e-008 -9.42477796076938e-001 -1.00582838e-007\r\n"
    "\tEl6: 9.42477796076938e-001 2.26718750e+002 1.88495559215388e+000 -8.16814083e-009 "
    "3.45575207e-010\r\n"
    "}\r\n";
const std::string kGlnBlock =
    "GlnEph { Prn: 38 0\r\n"
    "\tTkb: 81000 81900\r\n"
    "\tLte: 1.818989404e-012 -6.164424121e-005 3\r\n"
    "\tPos: -12498540.5000 -3643593.2500 21897955.6250\r\n"
    "\tVel: -1.33950049e+003 -2.69734668e+003 -1.22006897e+003\r\n"
    "\tAcc: 0.00000000e+000 9.31322575e-007 -1.86264515e-006\r\n"
    "\tFlg: 141 0\r\n"
    "\tAsh: 972 -3.897584974765778e-007 -7 10\r\n"
    "}\r\n";

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

double Frequency(int sv, int band) {
  return jps::PluginDecoderStateForTesting().GlonassFrequencies[sv][band];
}

// The table as every conversion starts it: satellite numbers 38 to 70
// (channels -7 to +25) hold their channel's carriers, the others nothing.
bool TableAsAtTheStart() {
  for (int sv = 0; sv < jps::kGlonassTableSize; ++sv) {
    int k = sv - 45;
    bool known = sv >= 38;
    if (Frequency(sv, 0) != (known ? 1602000000.0 + k * 562500.0 : 0.0) ||
        Frequency(sv, 1) != (known ? 1246000000.0 + k * 437500.0 : 0.0)) {
      return false;
    }
  }
  return true;
}

}  // namespace

TEST(GpsEphBlock, WrittenByteForByte) {
  // Δn, Ω-dot and i-dot show single-precision rounding in their ninth digit:
  // unrounded they would read 4.71238902e-009, -8.16814088e-009, 3.45575199e-010.
  jpstest::HostRun run = jpstest::ConvertBytes(GpsEph().Message());
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.epp, kHeader + kGpsBlock + kNoLeapSeconds);
  EXPECT_TRUE(run.HasMessage("GPS Ephememeris received on PRN 5 (Health OK)"));
  EXPECT_EQ(run.request.EphemeridesWritten, 1);
}

TEST(GpsEphBlock, TimeOfWeekPrintsAsThe32BitLongOfTheHostPlatform) {
  GpsEph odd;
  odd.tow = 0x80000001u;
  jpstest::HostRun run = jpstest::ConvertBytes(odd.Message());
  EXPECT_EQ(CountOf(run.epp, "\tEl1: 1811 -2147483647 -1.16415322e-008 -3 352800\r\n"), 1);
}

TEST(GpsEphBlock, PrnAndHealthFlagRejections) {
  GpsEph prn34, bad, prn0, prn33;
  prn34.prn = 34;
  bad.flags = 0x20;
  bad.health = 0;
  prn0.prn = 0;
  prn33.prn = 33;
  Bytes in = prn34.Message();
  Append(in, bad.Message());
  Append(in, prn0.Message());
  Append(in, prn33.Message());
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  EXPECT_TRUE(run.HasMessage("PRN: 34 not Possible in Ephemeris"));
  EXPECT_TRUE(run.HasMessage("PRN: 5 Health Bad in Ephemeris"));
  EXPECT_EQ(CountOf(run.epp, "GpsEph {"), 2);
  EXPECT_EQ(CountOf(run.epp, "GpsEph { Prn: 0\r\n"), 1);
  EXPECT_EQ(CountOf(run.epp, "GpsEph { Prn: 33\r\n"), 1);
  EXPECT_EQ(run.request.EphemeridesWritten, 4);  // counted whatever the writer did
}

TEST(GlnEphBlock, NewerFirmwareBodyWrittenByteForByteWithFrequencies) {
  Bytes in = GlnEph().Message();
  ASSERT_EQ(in.size(), 5u + 88u);
  Append(in, Message("UO", Body().F8(0).F4(0).U4(0).U2(1811).I1(16).U1(0).U2(0).I1(0)));
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.epp, kHeader + kGlnBlock + "GpsIon { Utc: 16\r\n}\r\n");
  EXPECT_EQ(Frequency(38, 0), 1598062500.0);
  EXPECT_EQ(Frequency(38, 1), 1242937500.0);
}

TEST(GlnEphBlock, BodyShorterThanTheRecordIsRefused) {
  GlnEph shortBody;
  shortBody.extraBytes = 0;
  Bytes fields = shortBody.Fields().bytes();
  fields.pop_back();  // 78 bytes and the checksum: L 79
  jpstest::HostRun run = jpstest::ConvertBytes(Message("NE", Body().Raw(fields)));
  EXPECT_TRUE(run.HasMessage("Size: 79  Rec: NE Bytes: 1 "));
  EXPECT_TRUE(run.HasMessage("Checksum on 28"));
  EXPECT_EQ(run.epp, kHeader + kNoLeapSeconds);
  EXPECT_TRUE(TableAsAtTheStart());
}

TEST(GlnEphBlock, UnhealthySatelliteStillGetsItsFrequencies) {
  GlnEph sick;
  sick.health = 4;
  jpstest::HostRun run = jpstest::ConvertBytes(sick.Message());
  EXPECT_TRUE(run.HasMessage("Glonass Ephmeris on PRN 38 unhealthy: Health: 4"));
  EXPECT_EQ(run.epp, kHeader + kNoLeapSeconds);
  EXPECT_EQ(Frequency(38, 0), 1598062500.0);
  EXPECT_EQ(Frequency(38, 1), 1242937500.0);
}

TEST(GlnEphBlock, GpsOnlyLeavesFileAndTableUntouched) {
  GlnEph sick;
  sick.health = 4;
  Bytes in = GlnEph().Message();
  Append(in, sick.Message());
  jpstest::HostSetup setup;
  setup.options = [](jps::ConversionOptions& o) { o.GpsOnly = 1; };
  jpstest::HostRun run = jpstest::ConvertBytes(in, setup);
  EXPECT_EQ(run.epp, kHeader + kNoLeapSeconds);
  EXPECT_TRUE(TableAsAtTheStart());
  for (const auto& m : run.messages) EXPECT_EQ(m.text.find("unhealthy"), std::string::npos);
}

TEST(GlnEphBlock, ChannelsOutsideTheTableAreReportedAndSkipped) {
  GlnEph low, high, lowest, highest;
  low.channel = -46;
  high.channel = 26;
  lowest.channel = -45;
  highest.channel = 25;
  Bytes in = low.Message();
  Append(in, high.Message());
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  EXPECT_TRUE(run.HasMessage("GLONASS frequency channel -46 out of range"));
  EXPECT_TRUE(run.HasMessage("GLONASS frequency channel 26 out of range"));
  EXPECT_EQ(run.epp, kHeader + kNoLeapSeconds);
  EXPECT_TRUE(TableAsAtTheStart());

  in = lowest.Message();
  Append(in, highest.Message());
  run = jpstest::ConvertBytes(in);
  EXPECT_EQ(CountOf(run.epp, "GlnEph { Prn: 0 0\r\n"), 1);
  EXPECT_EQ(CountOf(run.epp, "GlnEph { Prn: 70 0\r\n"), 1);
  EXPECT_EQ(Frequency(0, 0), 1602000000.0 - 45 * 562500.0);
  EXPECT_EQ(Frequency(70, 1), 1246000000.0 + 25 * 437500.0);
}

// Counts read off the recordings: every [GE] is healthy; one [NE] of the
// 2014 file has health 1.
TEST(RealRecordings, OneBlockPerAcceptedEphemerisAndTheClosingGpsIon) {
  struct Recording {
    const char* name;
    int gpsBlocks, glonassBlocks, glonassEphemerides, leapSeconds;
  };
  for (const Recording& r : {Recording{"receiver-2014-08-29-1s.jps", 22, 9, 10, 16},
                             Recording{"receiver-2015-07-23-30s.jps", 189, 77, 77, 17}}) {
    SCOPED_TRACE(r.name);
    std::string path = jpstest::DataFile(r.name);
    if (path.empty()) GTEST_SKIP() << "recordings folder absent";
    jpstest::HostRun run = jpstest::RunHost(path, jpstest::TempDir() + "/out.kel");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(CountOf(run.epp, "GpsEph {"), r.gpsBlocks);
    EXPECT_EQ(CountOf(run.epp, "GlnEph {"), r.glonassBlocks);
    EXPECT_EQ(run.request.EphemeridesWritten, r.gpsBlocks + r.glonassEphemerides);
    EXPECT_EQ(run.epp.compare(0, kHeader.size(), kHeader), 0);
    std::string ion = "}\r\nGpsIon { Utc: " + std::to_string(r.leapSeconds) + "\r\n}\r\n";
    ASSERT_GE(run.epp.size(), ion.size());
    EXPECT_EQ(run.epp.substr(run.epp.size() - ion.size()), ion);
    EXPECT_EQ(CountOf(run.epp, "\n"), CountOf(run.epp, "\r\n"));
    for (const auto& m : run.messages) {
      EXPECT_NE(m.text.rfind("Size: ", 0), 0u) << m.text;  // no message refused
    }
  }
}
