// The observation collector on built streams, through the real decoder: the
// systems beyond GPS and GLONASS with their short ranges and relative forms,
// each slot's RINEX meaning, the "no value" markers, the satellite indices
// that name no satellite, GLONASS slots, phase-counter rollover, the date at
// midnight, lists of more than 24 satellites, loss of lock, and the epoch's
// intake. Every expected value is worked out here from the message bytes
// with the receiver's formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/builder/civil_days.h"
#include "tests/builder/collector_run.h"
#include "tests/builder/signal_codes.h"
#include "tests/builder/test_host.h"
#include "tools/builder/message_builder.h"

using namespace jps;
using namespace jpsbuild;
using jpstest::CollectedEpoch;

namespace {

constexpr double kC = 299792458.0;
constexpr double kTwoTo40 = 1099511627776.0;
constexpr double kL1 = 1575.42e6, kL2 = 1227.60e6, kL5 = 1176.45e6;
constexpr double kE5 = 1191.795e6, kE5b = 1207.14e6, kE6 = 1278.75e6, kB1 = 1561.098e6;
constexpr int32_t kNoI4 = 2147483647;
constexpr uint32_t kNoU4 = 4294967295u;
constexpr int kNoI2 = 32767;
constexpr uint32_t kNoU1 = 255;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const float kNaNf = std::numeric_limits<float>::quiet_NaN();

// Entries of the types the message builder has no helper for.
template <typename T, typename Put>
Bytes Entries(const std::string& id, const std::vector<T>& values, Put put) {
  Body b;
  for (T v : values) (b.*put)(v);
  return Message(id, b);
}
Bytes I2s(const std::string& id, const std::vector<int>& v) { return Entries(id, v, &Body::I2); }
Bytes U1s(const std::string& id, const std::vector<uint32_t>& v) { return Entries(id, v, &Body::U1); }
Bytes I1s(const std::string& id, const std::vector<int>& v) { return Entries(id, v, &Body::I1); }
Bytes F4s(const std::string& id, const std::vector<float>& v) { return Entries(id, v, &Body::F4); }
Bytes GlonassEphemeris(int slot, int channel) {   // [NE], 87 bytes and the checksum
  return Message("NE", Body().U1(slot).I1(channel).Zeros(85));
}

struct Stream {
  Bytes bytes;
  Stream& operator<<(const Bytes& m) {
    Append(bytes, m);
    return *this;
  }
};

std::unique_ptr<jpstest::CollectorRun> Collect(const Stream& stream) {
  std::string path = jpstest::TempDir() + "/stream.jps";
  jpstest::WriteFile(path, stream.bytes);
  return jpstest::RunCollector(path);
}

int CountTexts(const jpstest::CollectorRun& run, const std::string& text) {
  int n = 0;
  for (const jpstest::HostMessage& m : run.decoder->messages) n += m.text == text ? 1 : 0;
  return n;
}

// Week and time of week of a GPS-time date.
void ExpectTime(const CollectedEpoch& e, long y, long m, long d, double secondOfDay) {
  long days = jpstest::GpsDays(y, m, d);
  EXPECT_EQ(e.week, days / 7);
  EXPECT_DOUBLE_EQ(e.timeOfWeek, (days % 7) * 86400.0 + secondOfDay);
}

const SignalValues& Signal(const SatelliteValues& s, SignalSlot slot) {
  return s.signals[static_cast<int>(slot)];
}
bool Has(const SignalValues& v, SignalValue what) { return (v.present & what) != 0; }

// Relative closeness for values of millions of metres or cycles.
void ExpectNear(double actual, double expected, const std::string& what) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-12 + 1e-9) << what;
}

constexpr uint32_t kTenOClock = 36000000;   // ms of day

}  // namespace

TEST(ObservationSignals, EachSlotOfEverySystemHasItsRinexCode) {
  for (int system = 0; system < kGnssSystemCount; ++system) {
    for (int slot = 0; slot < kSignalSlotCount; ++slot) {
      const char* code = jps::Signal(static_cast<GnssSystem>(system), static_cast<SignalSlot>(slot)).rinexCode;
      const char* expected = jpstest::kSignalCodes[system][slot];
      if (expected == nullptr) {
        EXPECT_EQ(code, nullptr) << system << " " << slot;
      } else {
        EXPECT_STREQ(code, expected) << system << " " << slot;
      }
    }
  }
}

// Galileo E05 (index 75), SBAS S27 (127), QZSS J02 (194) and BeiDou C06 (216).
TEST(ObservationCollector, OtherSystemsShortRangesAndRelativeForms) {
  const std::vector<uint8_t> list = {75, 127, 194, 216};
  const std::vector<int32_t> rc = {1234567890, 500000000, 400000000, 600000000};
  const std::vector<int32_t> cp = {-5000, 12345, 0, 777777};
  const std::vector<int> r5 = {-1200, 300, 0, 32766};
  const std::vector<int32_t> p5 = {99999, -4, 123456, -7654321};
  const std::vector<int32_t> dc = {-26611234, 5000000, 12, -1};
  const std::vector<int> d5 = {-100, 2000, 0, -32768};
  const std::vector<float> r2Relative = {1.5e-8f, 2e-9f, -3e-8f, 4e-9f};
  const std::vector<int> r1 = {10, 20, 30, 40};
  const std::vector<float> p3Relative = {1e-3f, 2e-3f, -5e-4f, 7e-4f};
  const std::vector<double> rangeL = {0.071, 0.072, 0.073, 0.074};
  const std::vector<double> phaseL = {1e6 + 0.5, 2e6, -3e6, 4.25};
  Stream s;
  s << ReceiverTime(kTenOClock) << ReceiverDate(2016, 3, 2) << SatIndices(list)
    << I4Entries("rc", rc) << I4Entries("cp", cp) << I2s("5r", r5) << I4Entries("5p", p5)
    << I4Entries("DC", dc) << I2s("5d", d5) << U1s("EC", {10, 11, 12, 13})
    << U1s("CE", {161, 162, 163, 164}) << U1s("5E", {100, 101, 102, 103}) << F4s("2R", r2Relative)
    << I2s("1r", r1) << F4s("3P", p3Relative) << F8Entries("Rl", rangeL) << F8Entries("Pl", phaseL)
    << Message("PV", Body().F8(4e6).F8(-2e6).F8(4.5e6).Zeros(21))
    << Message("TO", Body().F8(-1.25e-4).Zeros(8)) << ReceiverTime(kTenOClock + 1000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 1u);
  const CollectedEpoch& e = run->received.epochs[0];
  ExpectTime(e, 2016, 3, 2, 36000.0);
  EXPECT_TRUE(e.hasPosition && e.hasClockOffset);
  EXPECT_EQ(e.position[0], 4e6);
  EXPECT_EQ(e.position[1], -2e6);
  EXPECT_EQ(e.position[2], 4.5e6);
  EXPECT_EQ(e.clockOffset, -1.25e-4);
  ASSERT_EQ(e.satellites.size(), 4u);

  struct Expected {
    GnssSystem system;
    int number;
    double A, K;     // short range offset (s) and scale (s per count)
    double fc, f5;   // carriers of slots c and 5
    double f2, f3;   // carriers of slots 2 and 3 (0: no signal)
    bool slot1, slotL;
  };
  const Expected expected[] = {
      {GnssSystem::kGalileo, 5, 0.09, 1e-11, kL1, kL5, kE5b, kE6, true, false},
      {GnssSystem::kSbas, 27, 0.115, 1e-11, kL1, kL5, 0, 0, false, false},
      {GnssSystem::kQzss, 2, 0.125, 2e-11, kL1, kL5, kE6, kL2, true, true},
      {GnssSystem::kBeidou, 6, 0.105, 2e-11, kB1, kE5b, 0, 0, false, false},
  };
  (void)kE5;
  for (size_t i = 0; i < 4; ++i) {
    const Expected& x = expected[i];
    const SatelliteValues& v = e.satellites[i];
    std::string name = std::string(1, RinexSystemLetter(x.system)) + std::to_string(x.number);
    EXPECT_EQ(v.system, x.system) << name;
    EXPECT_EQ(v.number, x.number) << name;
    EXPECT_EQ(v.index, list[i]) << name;
    double pr = rc[i] * x.K + x.A;   // seconds
    const SignalValues& ca = Signal(v, SignalSlot::kCa);
    ExpectNear(ca.code, pr * kC, name + " C/A code");
    ExpectNear(ca.phase, (cp[i] / kTwoTo40 + pr) * x.fc, name + " C/A phase");
    ExpectNear(ca.doppler, -dc[i] * 1e-4, name + " C/A Doppler");
    EXPECT_EQ(ca.cnr, (161 + i) * 0.25) << name << ": [CE] is finer than [EC]";
    const SignalValues& l5 = Signal(v, SignalSlot::kL5);
    ExpectNear(l5.code, (r5[i] * 1e-11 + 2e-7 + pr) * kC, name + " L5 code");
    ExpectNear(l5.phase, (p5[i] / kTwoTo40 + pr) * x.f5, name + " L5 phase");
    ExpectNear(l5.doppler, -(d5[i] + dc[i]) * x.f5 / x.fc * 1e-4, name + " L5 Doppler");
    EXPECT_EQ(l5.cnr, (100 + i) * 0.25) << name;
    const SignalValues& p2 = Signal(v, SignalSlot::kP2);
    const SignalValues& p3 = Signal(v, SignalSlot::kCa2);
    const SignalValues& p1 = Signal(v, SignalSlot::kP1);
    const SignalValues& l1c = Signal(v, SignalSlot::kL1c);
    if (x.f2 != 0) {
      EXPECT_EQ(p2.present, kHasCode) << name;
      ExpectNear(p2.code, (static_cast<double>(r2Relative[i]) + pr) * kC, name + " slot 2 code");
      EXPECT_EQ(p3.present, kHasPhase) << name;
      ExpectNear(p3.phase, (static_cast<double>(p3Relative[i]) + pr) * x.f3, name + " slot 3 phase");
    } else {
      EXPECT_EQ(p2.present | p3.present, 0) << name << ": no signal in slots 2 and 3";
    }
    if (x.slot1) {
      ExpectNear(p1.code, (r1[i] * 1e-11 + 2e-7 + pr) * kC, name + " slot 1 code");
    } else {
      EXPECT_EQ(p1.present, 0) << name << ": no signal in slot 1";
    }
    if (x.slotL) {
      EXPECT_EQ(l1c.code, rangeL[i] * kC) << name;
      EXPECT_EQ(l1c.phase, phaseL[i]) << name;
    } else {
      EXPECT_EQ(l1c.present, 0) << name << ": no signal in slot l";
    }
    uint8_t slots = (1 << 0) | (1 << 4) | (x.f2 != 0 ? (1 << 2) | (1 << 3) : 0) |
                    (x.slot1 ? 1 << 1 : 0) | (x.slotL ? 1 << 5 : 0);
    EXPECT_EQ(v.slotsPresent, slots) << name;
  }
}

// G01 holds the marker in every observation family, G02 a value beside it;
// three epochs, since the decoder takes one form of a KEL signal per epoch.
TEST(ObservationCollector, TheNoValueMarkerOfEveryFamilyLeavesItsValueOut) {
  Stream s;
  s << ReceiverTime(kTenOClock) << ReceiverDate(2015, 7, 23) << SatIndices({1, 2})
    << F8Entries("RC", {kNaN, 0.07}) << F4s("1R", {kNaNf, 1e-9f}) << I2s("2r", {kNoI2, -50})
    << I4Entries("r5", {kNoI4, 1000}) << F8Entries("PC", {kNaN, 1000.5})
    << U4Entries("p1", {kNoU4, 2048}) << F4s("2P", {kNaNf, 0.002f}) << I4Entries("5p", {kNoI4, 64})
    << I4Entries("DC", {kNoI4, 5000}) << I2s("3d", {kNoI2, 7}) << U1s("EC", {kNoU1, 45})
    << U1s("1E", {kNoU1, 180}) << I1s("EL", {127, 33}) << U1s("AZ", {kNoU1, 91})
    << U2Entries("FC", {65535, 0x53}) << U2Entries("TC", {65535, 10});
  s << ReceiverTime(kTenOClock + 1000) << SatIndices({1, 2}) << I4Entries("rc", {kNoI4, 300})
    << F8Entries("R2", {kNaN, 0.0700001}) << I2s("3r", {kNoI2, 0}) << F4s("5R", {kNaNf, 0.0f})
    << U4Entries("pc", {kNoU4, 1024}) << I4Entries("2p", {kNoI4, 5}) << F8Entries("P3", {kNaN, 7.0})
    << I4Entries("D2", {kNoI4, -20}) << I2s("5d", {kNoI2, 1}) << U1s("CE", {kNoU1, 4})
    << U1s("E2", {kNoU1, 50});
  s << ReceiverTime(kTenOClock + 2000) << SatIndices({1, 2}) << F8Entries("RC", {kNaN, 0.071})
    << F4s("CP", {kNaNf, 1e-4f}) << ReceiverTime(kTenOClock + 3000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 3u);
  for (const CollectedEpoch& e : run->received.epochs) {
    ASSERT_EQ(e.satellites.size(), 1u) << "G01 has no value at all";
    EXPECT_EQ(e.satellites[0].number, 2);
  }
  const SatelliteValues& a = run->received.epochs[0].satellites[0];
  double prA = 0.07;
  EXPECT_EQ(Signal(a, SignalSlot::kCa).code, prA * kC);
  ExpectNear(Signal(a, SignalSlot::kP1).code, (static_cast<double>(1e-9f) + prA) * kC, "[1R]");
  ExpectNear(Signal(a, SignalSlot::kP2).code, (-50 * 1e-11 + 2e-7 + prA) * kC, "[2r]");
  ExpectNear(Signal(a, SignalSlot::kL5).code, (1000 * 1e-11 + 0.075) * kC, "[r5]");
  EXPECT_EQ(Signal(a, SignalSlot::kCa).phase, 1000.5);
  EXPECT_EQ(Signal(a, SignalSlot::kP1).phase, 2.0);
  ExpectNear(Signal(a, SignalSlot::kP2).phase, (static_cast<double>(0.002f) + prA) * kL2, "[2P]");
  ExpectNear(Signal(a, SignalSlot::kL5).phase, (64 / kTwoTo40 + 0.07) * kL5, "[5p]");
  ExpectNear(Signal(a, SignalSlot::kCa).doppler, -0.5, "[DC]");
  ExpectNear(Signal(a, SignalSlot::kCa2).doppler, -(7 + 5000) * 1e-4 * kL2 / kL1, "[3d]");
  EXPECT_EQ(Signal(a, SignalSlot::kCa).cnr, 45.0);
  EXPECT_EQ(Signal(a, SignalSlot::kP1).cnr, 45.0);
  EXPECT_TRUE(a.hasElevation && a.hasAzimuth);
  EXPECT_EQ(a.elevation, 33);
  EXPECT_EQ(a.azimuth, 182);
  EXPECT_EQ(a.lockTime, 10);
  EXPECT_TRUE(Signal(a, SignalSlot::kCa).hasLoopFlags);
  EXPECT_EQ(Signal(a, SignalSlot::kCa).loopFlags, 0x53);

  const SatelliteValues& b = run->received.epochs[1].satellites[0];
  double prB = 300 * 1e-11 + 0.075;
  ExpectNear(Signal(b, SignalSlot::kCa).code, prB * kC, "[rc]");
  EXPECT_EQ(Signal(b, SignalSlot::kP2).code, 0.0700001 * kC);
  ExpectNear(Signal(b, SignalSlot::kCa2).code, (2e-7 + prB) * kC, "[3r] of 0 is a value");
  ExpectNear(Signal(b, SignalSlot::kL5).code, prB * kC, "[5R] of 0 is a value");
  EXPECT_EQ(Signal(b, SignalSlot::kCa).phase, 1.0);
  ExpectNear(Signal(b, SignalSlot::kP2).phase, (5 / kTwoTo40 + prB) * kL2, "[2p]");
  EXPECT_EQ(Signal(b, SignalSlot::kCa2).phase, 7.0);
  ExpectNear(Signal(b, SignalSlot::kP2).doppler, 20 * 1e-4, "[D2]");
  EXPECT_FALSE(Has(Signal(b, SignalSlot::kL5), kHasDoppler)) << "[5d] needs [DC]";
  EXPECT_EQ(Signal(b, SignalSlot::kCa).cnr, 1.0);
  EXPECT_EQ(Signal(b, SignalSlot::kP2).cnr, 50.0);
  EXPECT_FALSE(b.hasElevation || b.hasAzimuth);
  EXPECT_EQ(b.lockTime, -1);

  const SatelliteValues& c = run->received.epochs[2].satellites[0];
  ExpectNear(Signal(c, SignalSlot::kCa).phase, (static_cast<double>(1e-4f) + 0.071) * kL1, "[CP]");
}

TEST(ObservationCollector, IndicesThatNameNoSatelliteAreSkippedInTheirPlace) {
  const std::vector<uint8_t> list = {0, 5, 70, 143, 160, 192, 198, 210, 241, 255, 7, 119, 120, 142};
  std::vector<int32_t> rc;
  for (size_t i = 0; i < list.size(); ++i) rc.push_back(static_cast<int32_t>(1000000 * (i + 1)));
  Stream s;
  s << ReceiverTime(kTenOClock) << ReceiverDate(2015, 7, 23) << SatIndices(list) << I4Entries("rc", rc)
    << ReceiverTime(kTenOClock + 1000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 1u);
  const std::vector<SatelliteValues>& sats = run->received.epochs[0].satellites;
  ASSERT_EQ(sats.size(), 5u);
  const struct {
    GnssSystem system;
    int number;
    size_t entry;
  } expected[] = {{GnssSystem::kGps, 5, 1},
                  {GnssSystem::kGps, 7, 10},
                  {GnssSystem::kGalileo, 49, 11},
                  {GnssSystem::kSbas, 20, 12},
                  {GnssSystem::kSbas, 42, 13}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(sats[i].system, expected[i].system);
    EXPECT_EQ(sats[i].number, expected[i].number);
    double A = expected[i].system == GnssSystem::kSbas ? 0.115 : expected[i].system == GnssSystem::kGalileo ? 0.09 : 0.075;
    ExpectNear(Signal(sats[i], SignalSlot::kCa).code, (rc[expected[i].entry] * 1e-11 + A) * kC,
               "entry " + std::to_string(expected[i].entry));
  }
}

// Index 48 is GLONASS channel 3, 40 channel -5.
TEST(ObservationCollector, GlonassSatellitesAreNamedByTheirSlotOnceItIsKnown) {
  const std::string leftOut = "GLONASS satellite on channel 3 left out: its orbital slot is not known yet";
  const std::vector<int32_t> rc = {2000000000, 1900000000, 1800000000};
  const std::vector<int32_t> cp = {-1000, 2000, 3000};
  auto epoch = [&](Stream& s, uint32_t ms) {
    s << ReceiverTime(ms) << SatIndices({48, 40, 1}) << I4Entries("rc", rc) << I4Entries("cp", cp);
  };
  Stream s;
  epoch(s, kTenOClock);
  s << ReceiverDate(2014, 8, 29) << U1s("NN", {255, 7});
  epoch(s, kTenOClock + 1000);
  epoch(s, kTenOClock + 2000);
  s << GlonassEphemeris(26, 3);
  epoch(s, kTenOClock + 3000);
  s << U1s("NN", {5, 255}) << ReceiverTime(kTenOClock + 4000);
  auto run = Collect(s);
  const std::vector<CollectedEpoch>& e = run->received.epochs;
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(CountTexts(*run, leftOut), 1);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(e[i].satellites.size(), 2u) << "epoch " << i;
    EXPECT_EQ(e[i].satellites[0].number, 7);
    EXPECT_EQ(e[i].satellites[0].channel, -5);
    EXPECT_EQ(e[i].satellites[1].system, GnssSystem::kGps);
  }
  // [NE] names slot 26 on channel 3 (above 24: kept); then [NN] names slot 5,
  // and its 255 for channel -5 leaves that satellite without a slot: its
  // slot 7 came from [NN] alone.
  const SatelliteValues* r26 = e[2].Find(GnssSystem::kGlonass, 26);
  ASSERT_NE(r26, nullptr);
  EXPECT_EQ(r26->channel, 3);
  double pr = rc[0] * 1e-11 + 0.075;
  ExpectNear(Signal(*r26, SignalSlot::kCa).phase, (cp[0] / kTwoTo40 + pr) * (1602e6 + 3 * 0.5625e6), "R26 L1");
  ASSERT_NE(e[3].Find(GnssSystem::kGlonass, 5), nullptr);
  EXPECT_EQ(e[3].Find(GnssSystem::kGlonass, 26), nullptr);
  EXPECT_EQ(e[3].Find(GnssSystem::kGlonass, 7), nullptr);
  EXPECT_EQ(CountTexts(*run, "GLONASS satellite on channel -5 left out: its orbital slot is not known yet"), 1);
}

TEST(ObservationCollector, PhaseCountersUnwrapAcrossTheirRollover) {
  const std::vector<std::vector<uint32_t>> counters = {
      {0xFFFFFC00u, 0x00000400u}, {0x00000400u, 0xFFFFFC00u}, {0xFFFFF800u, 0x00000800u}};
  Stream s;
  for (size_t i = 0; i < counters.size(); ++i) {
    s << ReceiverTime(kTenOClock + 1000 * static_cast<uint32_t>(i)) << SatIndices({3, 4})
      << U2Entries("TC", {100 + static_cast<uint32_t>(i), 200 + static_cast<uint32_t>(i)})
      << U4Entries("pc", counters[i]);
    if (i == 0) s << ReceiverDate(2015, 7, 23);
  }
  s << ReceiverTime(kTenOClock + 3000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 3u);
  const double span = 4294967296.0;
  const double g3[] = {0xFFFFFC00u / 1024.0, (span + 0x400) / 1024.0, 0xFFFFF800u / 1024.0};
  const double g4[] = {1.0, -1.0, 2.0};
  for (size_t i = 0; i < 3; ++i) {
    const CollectedEpoch& e = run->received.epochs[i];
    ASSERT_EQ(e.satellites.size(), 2u);
    EXPECT_EQ(Signal(e.satellites[0], SignalSlot::kCa).phase, g3[i]) << i;
    EXPECT_EQ(Signal(e.satellites[1], SignalSlot::kCa).phase, g4[i]) << i;
    EXPECT_EQ(Signal(e.satellites[0], SignalSlot::kCa).lli, i == 0 ? 1 : 0) << i;
  }
}

TEST(ObservationCollector, TheDateMovesOnAtMidnightBetweenReceiverDates) {
  const std::string noDate = "Receiver time before the first receiver date: epochs left out until a date arrives";
  auto epoch = [](Stream& s, uint32_t ms) { s << ReceiverTime(ms) << SatIndices({9}) << I4Entries("rc", {7000000}); };
  Stream s;
  epoch(s, 86398000);   // no date yet
  epoch(s, 86398500);
  epoch(s, 86399000);
  s << ReceiverDate(2016, 1, 2);   // a Saturday: the week ends at its midnight
  epoch(s, 0);
  epoch(s, 1000);
  epoch(s, 500);   // a step back within the day stays on the day
  epoch(s, 86399999);
  epoch(s, 100);
  s << ReceiverDate(2016, 1, 4, 1);   // time base UTC(USNO)
  epoch(s, 200);
  s << ReceiverTime(300);
  auto run = Collect(s);
  EXPECT_EQ(CountTexts(*run, noDate), 1);
  EXPECT_EQ(CountTexts(*run, "Receiver date in time base 1, not GPS: the observations are dated as GPS time"), 1);
  const std::vector<CollectedEpoch>& e = run->received.epochs;
  ASSERT_EQ(e.size(), 7u);
  ExpectTime(e[0], 2016, 1, 2, 86399.0);
  ExpectTime(e[1], 2016, 1, 3, 0.0);
  EXPECT_EQ(e[1].timeOfWeek, 0.0);
  EXPECT_EQ(e[1].week, e[0].week + 1);
  ExpectTime(e[2], 2016, 1, 3, 1.0);
  ExpectTime(e[3], 2016, 1, 3, 0.5);
  ExpectTime(e[4], 2016, 1, 3, 86399.999);
  ExpectTime(e[5], 2016, 1, 4, 0.1);
  ExpectTime(e[6], 2016, 1, 4, 0.2);
}

// Lists longer than the KEL epoch's are the collector's alone, and so may
// both forms of the C/A pseudorange be: the full one is the code, and the
// relative forms pair with their own kind, [2r] with [rc], [3R] with [RC].
TEST(ObservationCollector, ListsOfMoreThanTwentyFourSatellites) {
  std::vector<uint8_t> list;
  std::vector<int32_t> rc, dc;
  std::vector<double> range;
  std::vector<int> r2;
  std::vector<float> r3;
  for (int i = 0; i < 30; ++i) {
    list.push_back(static_cast<uint8_t>(i < 20 ? i + 1 : 71 + i));
    rc.push_back(1000000 * (i + 1));
    range.push_back(0.07 + 1e-6 * i);
    dc.push_back(-1000 * (i + 1));
    r2.push_back(i);
    r3.push_back(1e-9f * static_cast<float>(i));
  }
  Stream s;
  s << ReceiverTime(kTenOClock) << ReceiverDate(2015, 7, 23) << SatIndices(list)
    << I4Entries("rc", rc) << I4Entries("DC", dc) << F8Entries("RC", range) << I2s("2r", r2)
    << F4s("3R", r3) << ReceiverTime(kTenOClock + 1000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 1u);
  const std::vector<SatelliteValues>& sats = run->received.epochs[0].satellites;
  ASSERT_EQ(sats.size(), 30u);
  for (int i = 0; i < 30; ++i) {
    bool gps = i < 20;
    std::string name = "satellite " + std::to_string(i);
    EXPECT_EQ(sats[i].system, gps ? GnssSystem::kGps : GnssSystem::kGalileo);
    EXPECT_EQ(sats[i].number, i + 1);   // GPS PRN 1-20, Galileo PRN 21-30
    double pr = rc[i] * 1e-11 + (gps ? 0.075 : 0.09);
    EXPECT_EQ(Signal(sats[i], SignalSlot::kCa).code, range[i] * kC) << name;
    ExpectNear(Signal(sats[i], SignalSlot::kCa).doppler, -dc[i] * 1e-4, name);
    ExpectNear(Signal(sats[i], SignalSlot::kP2).code, (r2[i] * 1e-11 + 2e-7 + pr) * kC, name + " [2r]");
    ExpectNear(Signal(sats[i], SignalSlot::kCa2).code, (static_cast<double>(r3[i]) + range[i]) * kC,
               name + " [3R]");
  }
}

// G01 keeps its lock until its lock time restarts; G02's lock time stays at
// 65535; G03's loop is unlocked in the first epoch; G04's L2 phase is missing
// in one epoch.
TEST(ObservationCollector, LossOfLockFromArcsLockTimeAndLoopFlags) {
  struct Step {
    uint32_t second;
    std::vector<uint32_t> lockTime, flags;
    int32_t g4L2;
  };
  const Step steps[] = {
      {0, {100, 65535, 50, 9}, {0x8153, 0x8153, 0x8152, 0x8153}, 5},
      {1, {101, 65535, 51, 10}, {0x8153, 0x8153, 0x8153, 0x8153}, 5},
      {2, {3, 65535, 52, 11}, {0x8153, 0x8153, 0x8153, 0x8153}, 5},
      {3, {4, 65535, 53, 12}, {0x8153, 0x8153, 0x8153, 0x8153}, kNoI4},
      {4, {5, 65535, 54, 13}, {0x8153, 0x8153, 0x8153, 0x8153}, 5},
      {34, {35, 65535, 83, 43}, {0x8153, 0x8153, 0x8153, 0x8153}, 5},
  };
  // Expected indicators of the C/A and L2 phases, per step and satellite.
  const int lli[][4][2] = {
      {{1, 1}, {1, 1}, {1, 1}, {1, 1}}, {{0, 0}, {0, 0}, {1, 0}, {0, 0}},
      {{1, 1}, {0, 0}, {0, 0}, {0, 0}}, {{0, 0}, {0, 0}, {0, 0}, {0, -1}},
      {{0, 0}, {0, 0}, {0, 0}, {0, 1}}, {{0, 0}, {0, 0}, {1, 1}, {0, 0}},
  };
  Stream s;
  for (const Step& step : steps) {
    s << ReceiverTime(kTenOClock + step.second * 1000) << SatIndices({1, 2, 3, 4})
      << I4Entries("rc", {1000, 2000, 3000, 4000}) << I4Entries("cp", {1, 2, 3, 4})
      << I4Entries("2p", {5, 5, 5, step.g4L2}) << U2Entries("FC", step.flags)
      << U2Entries("TC", step.lockTime);
    if (step.second == 0) s << ReceiverDate(2015, 7, 23);
  }
  s << ReceiverTime(kTenOClock + 35000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const CollectedEpoch& e = run->received.epochs[i];
    ASSERT_EQ(e.satellites.size(), 4u);
    for (int k = 0; k < 4; ++k) {
      const SatelliteValues& v = e.satellites[k];
      EXPECT_EQ(Signal(v, SignalSlot::kCa).lli, lli[i][k][0]) << "epoch " << i << " G0" << k + 1;
      if (lli[i][k][1] < 0) {
        EXPECT_FALSE(Has(Signal(v, SignalSlot::kP2), kHasPhase));
      } else {
        EXPECT_EQ(Signal(v, SignalSlot::kP2).lli, lli[i][k][1]) << "epoch " << i << " G0" << k + 1 << " L2";
      }
    }
  }
}

// The second epoch's [DC] is damaged: the decoder discards the epoch and
// nothing of it reaches the third, which has no [2r] of its own.
TEST(ObservationCollector, ADiscardedEpochIsDroppedWhole) {
  Stream s;
  s << ReceiverTime(kTenOClock) << ReceiverDate(2015, 7, 23) << SatIndices({1}) << I4Entries("rc", {1000});
  Bytes dc = I4Entries("DC", {42});
  s << ReceiverTime(kTenOClock + 1000) << SatIndices({1}) << I4Entries("rc", {2000}) << I2s("2r", {9})
    << Damaged(dc, kFrameHeaderSize + 1) << I4Entries("cp", {5});
  s << ReceiverTime(kTenOClock + 2000) << SatIndices({1}) << I4Entries("rc", {3000})
    << ReceiverTime(kTenOClock + 3000);
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 2u);
  EXPECT_EQ(run->received.epochs[0].timeOfWeek, 4 * 86400.0 + 36000.0);
  const CollectedEpoch& third = run->received.epochs[1];
  EXPECT_EQ(third.timeOfWeek, 4 * 86400.0 + 36002.0);
  ASSERT_EQ(third.satellites.size(), 1u);
  EXPECT_EQ(third.satellites[0].slotsPresent, 1);
  ExpectNear(Signal(third.satellites[0], SignalSlot::kCa).code, (3000 * 1e-11 + 0.075) * kC, "[rc]");
}

// A second [rc] closes the intake in the decoder, a second [5r] (which only
// the collector reads) in the collector: the epoch keeps what came before.
TEST(ObservationCollector, ASecondMessageOfAnIdentifierClosesTheIntake) {
  Stream s;
  s << ReceiverTime(kTenOClock) << ReceiverDate(2015, 7, 23) << SatIndices({1}) << I4Entries("rc", {1000})
    << I4Entries("DC", {10}) << I4Entries("rc", {2000}) << I4Entries("cp", {5});
  s << ReceiverTime(kTenOClock + 1000) << SatIndices({1}) << I4Entries("rc", {3000}) << I2s("5r", {4})
    << I2s("5r", {8}) << I4Entries("DC", {20});
  s << ReceiverTime(kTenOClock + 2000) << SatIndices({1}) << I4Entries("rc", {4000}) << I4Entries("DC", {30})
    << I4Entries("cp", {6}) << EpochEnd() << I2s("5r", {12}) << ReceiverTime(kTenOClock + 3000)
    << SatIndices({1}) << I4Entries("rc", {5000});
  auto run = Collect(s);
  ASSERT_EQ(run->received.epochs.size(), 3u) << "the last epoch is still open at the end";
  EXPECT_TRUE(run->decoder->Has("Message rc out of place: epoch skipped to the next receiver time"));
  const SatelliteValues& a = run->received.epochs[0].satellites.at(0);
  ExpectNear(Signal(a, SignalSlot::kCa).code, (1000 * 1e-11 + 0.075) * kC, "first [rc]");
  ExpectNear(Signal(a, SignalSlot::kCa).doppler, -10 * 1e-4, "[DC]");
  EXPECT_FALSE(Has(Signal(a, SignalSlot::kCa), kHasPhase)) << "[cp] after the intake closed";
  const SatelliteValues& b = run->received.epochs[1].satellites.at(0);
  double prB = 3000 * 1e-11 + 0.075;
  ExpectNear(Signal(b, SignalSlot::kL5).code, (4 * 1e-11 + 2e-7 + prB) * kC, "first [5r]");
  EXPECT_FALSE(Has(Signal(b, SignalSlot::kCa), kHasDoppler)) << "[DC] after the intake closed";
  // [||] ends the third epoch: the [5r] after it belongs to none.
  const SatelliteValues& c = run->received.epochs[2].satellites.at(0);
  ExpectNear(Signal(c, SignalSlot::kCa).doppler, -30 * 1e-4, "[DC] of an open intake");
  EXPECT_TRUE(Has(Signal(c, SignalSlot::kCa), kHasPhase));
  EXPECT_EQ(c.slotsPresent, 1);
}
