// The conversion's RINEX output as the driver feeds it: epochs, ephemeris
// messages built in the receiver's layouts, station lines and the end; what
// the files hold, what the host is told, and that nothing is left behind or
// replaced when the output cannot be written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "context/conversion_context.h"
#include "tests/builder/test_host.h"
#include "tools/builder/message_builder.h"
#include "tools/rinex/rinex_sink.h"

namespace {

std::vector<std::string> gMessages;
void JAV_CALL OnMessage(double, const char* text) { gMessages.push_back(text); }

// A context whose host collects the messages.
struct Host {
  Host() : context(continuity, abort) {
    gMessages.clear();
    callbacks.Size = jps::kCallbacksSize;
    callbacks.OnMessage = OnMessage;
    context.SetHost(&callbacks);
  }
  jps::ContinuityState continuity{};
  jps::AbortCounter abort{0};
  jps::HostCallbacks callbacks{};
  jps::ConversionContext context;
  jps::OutputFiles files;   // the conversion's: it puts the closed files in place

  bool Close(jpsrinex::RinexSink& sink, const jps::ConversionEnd& end) {
    std::vector<std::string> failures;
    return sink.Close(context, end) && files.Commit(&failures);
  }
};

// An epoch of week 1807 at tow with GPS 5 (C/A code and phase), GLONASS slot 3
// (channel -2) and QZSS 1.
void Epoch(jps::ObservationEpoch* e, double tow) {
  *e = jps::ObservationEpoch{};
  e->week = 1807;
  e->timeOfWeek = tow;
  const struct {
    jps::GnssSystem system;
    int number, channel;
  } sats[] = {{jps::GnssSystem::kGps, 5, 0}, {jps::GnssSystem::kGlonass, 3, -2}, {jps::GnssSystem::kQzss, 1, 0}};
  for (const auto& s : sats) {
    jps::SatelliteValues& v = e->satellites[e->satelliteCount++];
    v.system = s.system;
    v.number = static_cast<int16_t>(s.number);
    v.channel = static_cast<int8_t>(s.channel);
    v.slotsPresent = 1;
    v.signals[0].code = 2e7 + tow;
    v.signals[0].phase = 1e8;
    v.signals[0].present = jps::kHasCode | jps::kHasPhase;
  }
}

// A [GE] body (offsets as the receiver sends them) of PRN prn, health and flags.
jpsbuild::Bytes Ge(int prn, int health, int flags, int iode) {
  jpsbuild::Body b;
  b.U1(prn).U4(504000).U1(flags).I2(iode).I4(511200).I1(2).U1(health).I2(1807);
  b.F4(0).F4(0).F4(0).F4(1e-5f).I4(511200).I2(iode).F8(5153.7).F8(0.01).F8(0.1).F8(0.2).F8(0.3).F8(0.4);
  for (int i = 0; i < 9; ++i) b.F4(0);
  return jpsbuild::Message("GE", b);
}

jpsbuild::Bytes Ne(int slot) {
  jpsbuild::Body b;
  b.U1(slot).I1(-2).I2(972).I4(81000).I4(81900).U1(0).U1(0).U1(0);
  b.F8(-12498.5405).F8(-3643.5933).F8(21897.9556);
  for (int i = 0; i < 6; ++i) b.F4(0);
  b.F8(0).F4(-6.2e-6f).F4(0).F4(0).U1(0).U1(5).U2(0);
  return jpsbuild::Message("NE", b);
}

void Feed(jpsrinex::RinexSink& sink, const jpsbuild::Bytes& m, double tow) {
  jps::EphemerisMessage e{{static_cast<char>(m[0]), static_cast<char>(m[1])}, m.data() + 5,
                          static_cast<int>(m.size()) - 5, tow};
  sink.OnEphemeris(e);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t b = 0;
  for (size_t e; (e = text.find('\n', b)) != std::string::npos; b = e + 1) out.push_back(text.substr(b, e - b));
  return out;
}

int CountStarting(const std::vector<std::string>& lines, const std::string& start) {
  int n = 0;
  for (const std::string& l : lines) n += l.compare(0, start.size(), start) == 0 ? 1 : 0;
  return n;
}

jpsrinex::RinexSinkOptions Options(const std::string& dir, jpsrinex::RinexVersion version) {
  jpsrinex::RinexSinkOptions o;
  o.obsPath = dir + "/site.obs";
  o.navPath = dir + "/site.nav";
  o.glonassNavPath = dir + "/site.gnav";
  o.version = version;
  o.program = "jpsconv 1.0";
  o.runTime = 1409342542;  // 2014-08-29 20:02:22 UTC
  o.markerName = "site";
  o.receiverType = "RECEIVER";
  return o;
}

}  // namespace

TEST(RinexSink, WritesEachEpochAndEphemerisOnceAndTellsOfTimeGoingBack) {
  std::string dir = jpstest::TempDir();
  Host host;
  jpsrinex::RinexSink sink(Options(dir, jpsrinex::RinexVersion::k304));
  ASSERT_TRUE(sink.WantsObservations());
  ASSERT_TRUE(sink.Open(host.context, host.files));
  static jps::ObservationEpoch e;
  jps::StaLine sta{};
  sta.kind = jps::StaLineKind::kStation;
  std::strcpy(sta.name, "PT_7");
  std::strcpy(sta.antenna, "ROVER_ANT");
  sta.antennaHeight = 1.532;
  sink.OnStationLine(sta);
  Feed(sink, Ge(5, 0x2A, 0x00, 7), 504100);  // health bits set, alert flag clear
  // Epoch times: 1 2 3, then 2 and 3 again (not after 3), 4, then 4 again.
  for (double tow : {504141.0, 504142.0, 504143.0, 504142.0, 504143.0, 504144.0, 504144.0}) {
    Epoch(&e, tow);
    sink.OnObservationEpoch(e);
    Feed(sink, Ge(5, 0x2A, 0x00, 7), tow);  // the same ephemeris again and again
  }
  Feed(sink, Ge(9, 0x00, 0x20, 8), 504150);  // alert flag set: written all the same
  Feed(sink, Ne(3), 504150);
  Feed(sink, Ne(3), 504160);
  ASSERT_TRUE(host.Close(sink, {16, 100, false})) << sink.error();

  const jpsrinex::RinexCounts& c = sink.counts();
  EXPECT_EQ(c.epochsWritten, 4);
  EXPECT_EQ(c.epochsNotAfter, 3);
  EXPECT_EQ(c.records[0], 2);  // GPS
  EXPECT_EQ(c.records[1], 1);  // GLONASS
  EXPECT_EQ(c.recordsRepeated, 7 + 1);
  EXPECT_EQ(c.satellites[0] + c.satellites[1] + c.satellites[4], 3);
  // One message for each run of epochs left out: how many, from when to when.
  ASSERT_EQ(gMessages.size(), 2u);
  EXPECT_NE(gMessages[0].find("2 epochs left out"), std::string::npos) << gMessages[0];
  EXPECT_NE(gMessages[0].find("2014-08-29 20:02:22.000 to 2014-08-29 20:02:23.000"), std::string::npos)
      << gMessages[0];
  EXPECT_NE(gMessages[1].find("1 epochs left out"), std::string::npos) << gMessages[1];

  std::vector<std::string> obs = Lines(jpstest::ReadFile(dir + "/site.obs"));
  EXPECT_EQ(CountStarting(obs, "> "), 4);
  EXPECT_EQ(CountStarting(obs, "PT_7"), 1);
  EXPECT_EQ(CountStarting(obs, "> 2014 08 29 20 02 24.0000000  0  3"), 1);
  EXPECT_EQ(CountStarting(obs, "  1 R03 -2"), 1);  // GLONASS SLOT / FRQ #
  std::vector<std::string> nav = Lines(jpstest::ReadFile(dir + "/site.nav"));
  EXPECT_EQ(CountStarting(nav, "G05 "), 1);
  EXPECT_EQ(CountStarting(nav, "G09 "), 1);
  EXPECT_EQ(CountStarting(nav, "R03 2014 08 29 19 45 00"), 1);
  // The health bits as sent: 42, though the alert flag is clear.
  size_t g05 = 0;
  while (nav[g05].compare(0, 3, "G05") != 0) ++g05;
  EXPECT_EQ(nav[g05 + 6].substr(23, 19), " 4.200000000000E+01");
  for (const char* left : {"/site.obs.part", "/site.nav.part", "/site.obs.body.part"}) {
    EXPECT_FALSE(std::filesystem::exists(dir + left)) << left;
  }
}

TEST(RinexSink, Version211WritesGpsAndGlonassNavigationFilesAndSaysWhatItLeavesOut) {
  std::string dir = jpstest::TempDir();
  Host host;
  jpsrinex::RinexSink sink(Options(dir, jpsrinex::RinexVersion::k211));
  ASSERT_TRUE(sink.Open(host.context, host.files));
  static jps::ObservationEpoch e;
  Feed(sink, Ge(5, 0, 0, 7), 504100);  // before the first epoch: placed by it
  Epoch(&e, 504141.0);
  sink.OnObservationEpoch(e);
  Feed(sink, Ne(3), 504150);
  ASSERT_TRUE(host.Close(sink, {0, 100, false})) << sink.error();
  std::vector<std::string> obs = Lines(jpstest::ReadFile(dir + "/site.obs"));
  EXPECT_EQ(obs[0].substr(0, 20), "     2.11           ");
  EXPECT_EQ(CountStarting(obs, "QZSS AND BEIDOU LEFT OUT"), 1);
  EXPECT_EQ(CountStarting(obs, " 14  8 29 20  2 21.0000000  0  2G05R03"), 1);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_NE(gMessages[0].find("QZSS and BeiDou"), std::string::npos);
  std::vector<std::string> nav = Lines(jpstest::ReadFile(dir + "/site.nav"));
  std::vector<std::string> gnav = Lines(jpstest::ReadFile(dir + "/site.gnav"));
  EXPECT_EQ(nav[0].substr(20, 20), "N: GPS NAV DATA     ");
  EXPECT_EQ(gnav[0].substr(20, 20), "G: GLONASS NAV DATA ");
  EXPECT_EQ(CountStarting(nav, " 5 14  8 29 22  0  0.0"), 1);
  EXPECT_EQ(CountStarting(gnav, " 3 14  8 29 19 45  0.0"), 1);
}

TEST(RinexSink, AFailureLeavesNoFileAndReplacesNone) {
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/site.obs", "an older file\n");
  Host host;
  jpsrinex::RinexSinkOptions o = Options(dir, jpsrinex::RinexVersion::k304);
  o.navPath = dir + "/no-folder/site.nav";
  jpsrinex::RinexSink sink(o);
  EXPECT_FALSE(sink.Open(host.context, host.files));
  EXPECT_EQ(sink.error().rfind("cannot create " + dir + "/no-folder/site.nav.", 0), 0u);
  EXPECT_NE(sink.error().find(": No such file or directory"), std::string::npos);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_EQ(jpstest::ReadFile(dir + "/site.obs"), "an older file\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

  // Nothing to write: no file, the old one kept, and no failure.
  jpsrinex::RinexSink empty(Options(dir, jpsrinex::RinexVersion::k304));
  ASSERT_TRUE(empty.Open(host.context, host.files));
  EXPECT_TRUE(host.Close(empty, {0, 1, false}));
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(jpstest::ReadFile(dir + "/site.obs"), "an older file\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

  // Stopped by the user: finished files with what was converted.
  jpsrinex::RinexSink stopped(Options(dir, jpsrinex::RinexVersion::k304));
  ASSERT_TRUE(stopped.Open(host.context, host.files));
  static jps::ObservationEpoch e;
  Epoch(&e, 504141.0);
  stopped.OnObservationEpoch(e);
  EXPECT_TRUE(host.Close(stopped, {0, 1, true}));
  EXPECT_NE(jpstest::ReadFile(dir + "/site.obs").find("END OF HEADER"), std::string::npos);
}
