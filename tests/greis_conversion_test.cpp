// GREIS streams converted end to end into KEL epochs: exact bytes of a small
// epoch, receiver time, the kinematic bit, a satellite numbered 71, and the
// two real receiver recordings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/conversion_api.h"
#include "context/continuity.h"
#include "support/kel_records.h"
#include "support/little_endian.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;
using jps::KelEpoch;
using jps::KelMeasurement;

// The KEL records are packed: their fields are compared by value (+field),
// never bound to the references that gtest's comparisons take.

namespace {

constexpr uint32_t kTenOClockMs = 36000000;

// The continuity tables outlive a conversion; each test starts as if the
// plug-in had just been loaded.
class GreisConversion : public ::testing::Test {
 protected:
  void SetUp() override { jps::ResetProcessStateForTesting(); }
};

}  // namespace

TEST_F(GreisConversion, OneSmallEpochExactBytes) {
  Bytes in;
  Append(in, ReceiverTime(kTenOClockMs));
  Append(in, ReceiverDate(2014, 8, 29));   // a Friday
  Append(in, SatIndices({5, 12}));
  Append(in, CaRanges({0.0703125, 0.078125}));
  Append(in, CaPhases({1e7 + 0.25, 0.0}));   // satellite 12 without L1 phase
  Append(in, I4Entries("DC", {50000, -100000}));
  Append(in, F8Entries("R2", {0.0703125 + 1.0 / 1048576, 0.0}));
  Append(in, F8Entries("P2", {7500000.5, 0.0}));
  Append(in, F8Entries("TO", {1e-6}));
  Append(in, EpochEnd());
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 1);
  const char expected[] =
      "\x44\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x80\x90\x1c\x41\xe4\xbc\xff\xff\x7f\x90\x1c\x41\x42\x97\x70\xe8"
      "\xad\xbc\x72\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x2c\x00\x05\x01\x00\x00\x40\x53\x47\x1a\x74\x41"
      "\x00\x00\x00\x08\xd0\x12\x63\xc1\x00\x00\x00\x00\x00\x00\x14\xc0"
      "\x00\x4a\xb8\x31\x59\x1a\x74\x41\x00\x00\x00\x20\x38\x9c\x5c\xc1"
      "\x2c\x00\x0c\x01\x00\x00\x80\x5c\x16\x56\x76\x41\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x24\x40\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00";
  // receiverTime 468000.0 (Friday 10:00), correctedTime 467999.999999,
  // clockOffset 299.792458 m; satellite 5: 21079157.203125 m, -10000000.25
  // cycles, -5 Hz, L2 21079443.107... m and -7500000.5 cycles, lock 1;
  // satellite 12: no L1 phase, so lock 1; +10 Hz.
  EXPECT_EQ(jpstest::KelBody(run.kel), std::string(expected, sizeof expected - 1));
}

TEST_F(GreisConversion, TimeOfWeekFromReceiverDateAndTime) {
  Bytes in;
  Append(in, ReceiverTime(86399000));            // 23:59:59
  Append(in, ReceiverDate(2014, 8, 30));          // a Saturday
  Append(in, SatIndices({3}));
  Append(in, CaRanges({0.07}));
  Append(in, CaPhases({1e6}));
  Append(in, ReceiverTime(1000));                 // 00:00:01
  Append(in, ReceiverDate(2014, 8, 31));          // Sunday: a new week
  Append(in, SatIndices({3}));
  Append(in, CaRanges({0.07}));
  Append(in, CaPhases({1e6}));
  Append(in, EpochEnd());
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(run.kel);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(+groups[0].epoch.receiverTime, 604799.0);
  EXPECT_EQ(+groups[1].epoch.receiverTime, 1.0);
  // Without a [DC] message the Doppler comes from the code: the first sight
  // has none, and across the week's end the step is still one second.
  EXPECT_EQ(+groups[0].epoch.measurementCount, 0);
  ASSERT_EQ(+groups[1].epoch.measurementCount, 1);
  EXPECT_EQ(+groups[1].m[0].doppler, 0.0);

  // No receiver date yet: refused with its text.
  Bytes noDate;
  Append(noDate, ReceiverTime(kTenOClockMs));
  Append(noDate, SatIndices({3}));
  Append(noDate, CaRanges({0.07}));
  Append(noDate, CaPhases({1e6}));
  Append(noDate, EpochEnd());
  run = jpstest::ConvertBytes(noDate);
  EXPECT_TRUE(run.HasMessage("WARNING: No Date Record - Day of Week not known"));
  EXPECT_EQ(run.request.EpochsWritten, 0);
  EXPECT_EQ(jpstest::KelBody(run.kel), "");
}

TEST_F(GreisConversion, KinematicBitFollowsTheEpochThatCarriesTheSwitch) {
  Bytes in;
  for (uint32_t k = 0; k < 3; ++k) {
    Append(in, ReceiverTime(kTenOClockMs + 1000 * k));
    if (k == 0) Append(in, ReceiverDate(2014, 8, 29));
    Append(in, SatIndices({3}));
    Append(in, CaRanges({0.07}));
    Append(in, CaPhases({1e6}));
    Append(in, I4Entries("DC", {0}));
    if (k == 0) Append(in, EventRecord(kTenOClockMs, "_DYM=DYNAMIC"));
  }
  Append(in, EpochEnd());
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(run.kel);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(+groups[0].epoch.epochFlags, 0);
  EXPECT_EQ(+groups[1].epoch.epochFlags, jps::kKelFlagKinematic);
  EXPECT_EQ(+groups[2].epoch.epochFlags, jps::kKelFlagKinematic);
  EXPECT_NE(run.sta.find("468000.0 ENTERING KINEMATIC MODE\r\n"), std::string::npos);
}

TEST_F(GreisConversion, SatelliteSeventyOneInIntegerForms) {
  // [rc], [cp] and [2p] for satellites 3, 71 (Galileo) and 40 (GLONASS, no
  // ephemeris), without [DC]; the sanitizer build checks that no table is
  // overrun.
  Bytes in;
  for (uint32_t k = 0; k < 3; ++k) {
    Append(in, ReceiverTime(kTenOClockMs + 1000 * k));
    if (k == 0) Append(in, ReceiverDate(2014, 8, 29));
    Append(in, SatIndices({3, 71, 40}));
    Append(in, I4Entries("rc", {-500000 - 19029 * static_cast<int32_t>(k), -400000, -300000}));
    Append(in, I4Entries("cp", {1000, 2000, 3000}));
    Append(in, I4Entries("2p", {1000, 2000, 3000}));
    // A later L1 phase message of the epoch replaces [cp]: the phase counter.
    Append(in, I4Entries("pc", {0, 0x10000000, 0}));
  }
  Append(in, EpochEnd());
  jpstest::HostRun run = jpstest::ConvertBytes(in, {[](jps::ConversionOptions& o) {
                                                      o.KeepDamagedEpochs = 0;
                                                    }});
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(run.kel);
  ASSERT_EQ(groups.size(), 3u);
  // Doppler is derived: nothing in the first epoch; then 3 and 40, never 71.
  EXPECT_EQ(+groups[0].epoch.measurementCount, 0);
  ASSERT_EQ(+groups[1].epoch.measurementCount, 2);
  EXPECT_EQ(+groups[1].m[0].satellite, 3);
  EXPECT_EQ(+groups[1].m[1].satellite, 40);
  // A fall of 19029 x 1e-11 s = 57.0... m in one second.
  EXPECT_NEAR(groups[1].m[0].doppler, 19029e-11 * 299792458.0 / 0.190293672798, 1e-6);
  EXPECT_EQ(+groups[1].m[1].doppler, 0.0);   // its code did not change
}

namespace {

// Messages of each identifier in a recording, walking the frames (two
// printable identifier characters, three hexadecimal length digits, body).
int CountMessages(const std::string& bytes, const std::string& id) {
  auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  int count = 0;
  size_t i = 0;
  while (i + 5 <= bytes.size()) {
    bool header = bytes[i] > ' ' && bytes[i] < 127 && bytes[i + 1] > ' ' && bytes[i + 1] < 127 &&
                  hex(bytes[i + 2]) && hex(bytes[i + 3]) && hex(bytes[i + 4]);
    if (!header) {
      ++i;
      continue;
    }
    if (bytes.compare(i, 2, id) == 0) ++count;
    i += 5 + std::stoul(bytes.substr(i + 2, 3), nullptr, 16);
  }
  return count;
}

struct Recording {
  const char* name;
  int epochs;            // [~~] messages, each epoch with one [rc]; the last ends with the input
  double firstTime, lastTime, step;
};

void CheckRecording(const Recording& r) {
  std::string path = jpstest::DataFile(r.name);
  if (path.empty()) GTEST_SKIP() << "recordings absent";
  std::string bytes = jpstest::ReadFile(path);
  int times = CountMessages(bytes, "~~");
  EXPECT_EQ(times, CountMessages(bytes, "rc"));
  EXPECT_EQ(times, r.epochs);

  jpstest::HostRun run = jpstest::RunHost(path, jpstest::TempDir() + "/out.kel");
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, r.epochs);
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(run.kel);
  ASSERT_EQ(static_cast<int>(groups.size()), r.epochs);
  EXPECT_EQ(+groups.front().epoch.receiverTime, r.firstTime);
  EXPECT_EQ(+groups.back().epoch.receiverTime, r.lastTime);

  int gps = 0, gpsWithL2 = 0, glonass = 0, glonassWithCode = 0;
  for (size_t k = 0; k < groups.size(); ++k) {
    const jpstest::KelGroup& g = groups[k];
    if (k > 0) {
      EXPECT_EQ(g.epoch.receiverTime - groups[k - 1].epoch.receiverTime, r.step);
    }
    // The antenna stood in Moscow.
    EXPECT_EQ(+g.epoch.epochFlags, jps::kKelFlagPosition);
    EXPECT_NEAR(g.epoch.latitude, 55.7636, 1e-3);
    EXPECT_NEAR(g.epoch.longitude, 37.5803, 1e-3);
    EXPECT_NEAR(g.epoch.height, 180.0, 10.0);
    EXPECT_NE(+g.epoch.clockOffset, 0.0);
    EXPECT_LT(std::fabs(g.epoch.correctedTime - g.epoch.receiverTime), 1e-3);
    for (const KelMeasurement& m : g.m) {
      // GPS 1 to 32 and GLONASS 38 to 70 only.
      ASSERT_TRUE((m.satellite >= 1 && m.satellite <= 32) || (m.satellite >= 38 && m.satellite <= 70))
          << int(m.satellite);
      EXPECT_LT(std::fabs(m.doppler), 6000.0) << int(m.satellite);
      EXPECT_NE(+m.doppler, 0.0);
      if (m.satellite <= 32) {
        ++gps;
        EXPECT_GT(+m.l1Code, 19.0e6) << int(m.satellite);
        EXPECT_LT(+m.l1Code, 27.0e6) << int(m.satellite);
        EXPECT_NE(+m.l1Phase, 0.0);
        if (m.l2Code != 0.0) {
          ++gpsWithL2;
          EXPECT_NEAR(m.l2Code, m.l1Code, 100.0);
        }
        if (m.l2Phase != 0.0) {
          EXPECT_NEAR(-m.l2Phase * 0.24421021342456825, m.l2Code, 1000.0) << int(m.satellite);
        }
        // The phase in metres follows the code (within the ambiguity).
        EXPECT_NEAR(-m.l1Phase * 0.190293672798, m.l1Code, 1000.0) << int(m.satellite);
      } else {
        ++glonass;
        // The channel's carriers are known from the first epoch on, with or
        // without an ephemeris.
        if (m.l1Code != 0.0) ++glonassWithCode;
        EXPECT_GT(+m.l1Code, 18.0e6) << int(m.satellite);
        EXPECT_LT(+m.l1Code, 26.0e6) << int(m.satellite);
        EXPECT_NE(+m.l1Phase, 0.0) << int(m.satellite);
        // L1 phase in metres, with the channel's wavelength, follows the code.
        double l1 = 1602000000.0 + (m.satellite - 45) * 562500.0;
        EXPECT_NEAR(-m.l1Phase * 299792458.0 / l1, m.l1Code, 1000.0) << int(m.satellite);
      }
      EXPECT_LE(+m.lockCount, 255);
    }
  }
  EXPECT_GT(gps, 9 * r.epochs);
  EXPECT_GT(gpsWithL2, gps / 2);
  EXPECT_EQ(glonassWithCode, glonass);
}

}  // namespace

TEST_F(GreisConversion, RecordingOneSecond) {
  // Friday 2014-08-29 20:02:22 to 20:03:51; 90 [~~], the 90th closed by the
  // end of the input, whole.
  CheckRecording({"receiver-2014-08-29-1s.jps", 90, 504142.0, 504231.0, 1.0});
}

TEST_F(GreisConversion, RecordingThirtySeconds) {
  // Thursday 2015-07-23 19:06:00 to 21:19:00; 267 epochs, the last closed by
  // the end of the input, whole.
  CheckRecording({"receiver-2015-07-23-30s.jps", 267, 414360.0, 422340.0, 30.0});
}

TEST_F(GreisConversion, ZeroRelativeCountsAreMeasurementsAndMarkersAreNot) {
  // Slot 0 (GPS 3) carries a count of exactly 0 in every relative form, slot
  // 1 (GLONASS 40, channel -5, no ephemeris) the receiver's "not available"
  // marker. Against the C/A range of 0.07 s a zero count is: L1 and L2 phase
  // f x 0.07 cycles, [2r] range 0.07 s + 2e-7 s, [2R] range 0.07 s.
  const double ca = 0.07, c = 299792458.0;
  struct Forms {
    const char* l1;   // [cp] [CP] or, with the P1 phase, [1p]
    const char* l2Phase;
    const char* l2Range;
    double l2Code;    // of the zero count, metres
  };
  for (const Forms& f : {Forms{"cp", "2p", "2r", (ca + 2e-7) * c},
                         Forms{"CP", "2P", "2R", ca * c}, Forms{"1p", "2p", "2R", ca * c}}) {
    SCOPED_TRACE(f.l1);
    auto entries = [](const char* id, bool zero) {
      Body body;
      bool f4 = std::string(id) == "CP" || std::string(id) == "2P" || std::string(id) == "2R";
      bool i2 = std::string(id) == "2r";
      if (f4) {
        body.F4Bits(zero ? 0x00000000u : 0x7FC00000u);
      } else if (i2) {
        body.I2(zero ? 0 : 0x7FFF);
      } else {
        body.I4(zero ? 0 : 0x7FFFFFFF);
      }
      return body;
    };
    auto message = [&](const char* id) {
      Body both = entries(id, true);
      both.Raw(entries(id, false).bytes());
      return Message(id, both);
    };
    Bytes in = ReceiverTime(kTenOClockMs);
    Append(in, ReceiverDate(2014, 8, 29));
    Append(in, SatIndices({3, 40}));
    Append(in, CaRanges({ca, ca}));
    Append(in, message(f.l1));
    Append(in, message(f.l2Phase));
    Append(in, message(f.l2Range));
    Append(in, I4Entries("DC", {0, 0}));
    Append(in, EpochEnd());
    jpstest::HostSetup setup;
    bool fromP1 = std::string(f.l1) == "1p";
    setup.options = [fromP1](jps::ConversionOptions& o) { o.L1PhaseFromP1 = fromP1 ? 1 : 0; };
    std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(jpstest::ConvertFresh(in, setup).kel);
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(+groups[0].epoch.measurementCount, 2);
    const KelMeasurement& zero = groups[0].m[0];
    EXPECT_DOUBLE_EQ(zero.l1Phase, -1575420000.0 * ca);
    EXPECT_DOUBLE_EQ(zero.l2Phase, -1227600000.0 * ca);
    EXPECT_DOUBLE_EQ(zero.l2Code, f.l2Code);
    const KelMeasurement& marked = groups[0].m[1];
    EXPECT_EQ(+marked.satellite, 40);
    EXPECT_DOUBLE_EQ(marked.l1Code, ca * c);   // the C/A range stays
    EXPECT_EQ(+marked.l1Phase, 0.0);
    EXPECT_EQ(+marked.l2Phase, 0.0);
    EXPECT_EQ(+marked.l2Code, 0.0);
    EXPECT_EQ(+marked.lockCount, 1);   // no L1 phase: the lock restarts
  }
}

TEST_F(GreisConversion, OnlyGpsAndGlonassNumbersReachAnEpoch) {
  // 33 and 37 are GPS PRNs without a KEL number, 71 and 119 Galileo
  // satellites; 38 and 70 are GLONASS channels -7 and +25.
  Bytes in = ReceiverTime(kTenOClockMs);
  Append(in, ReceiverDate(2014, 8, 29));
  Append(in, SatIndices({33, 3, 37, 71, 38, 119, 70}));
  Append(in, CaRanges({0.07, 0.07, 0.07, 0.07, 0.07, 0.07, 0.07}));
  Append(in, CaPhases({1e7, 1e7, 1e7, 1e7, 1e7, 1e7, 1e7}));
  Append(in, I4Entries("DC", {1, 2, 3, 4, 5, 6, 7}));
  Append(in, EpochEnd());
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(jpstest::ConvertFresh(in).kel);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(+groups[0].epoch.measurementCount, 3);
  EXPECT_EQ(+groups[0].m[0].satellite, 3);
  EXPECT_EQ(+groups[0].m[1].satellite, 38);
  EXPECT_EQ(+groups[0].m[2].satellite, 70);
  EXPECT_DOUBLE_EQ(groups[0].m[2].doppler, -7e-4);   // its own slot's Doppler
}
