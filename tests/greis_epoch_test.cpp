// One GREIS epoch of DecoderState into KEL records: refusals and their
// texts, the epoch header, and the per-satellite rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "epoch/greis_epoch.h"
#include "greis/dispatch.h"
#include "tests/builder/test_decoder.h"

using namespace jps;

// The KEL records are packed: their fields are compared by value (+field),
// never bound to the references that gtest's comparisons take.

namespace {

// The decoder state of the tests, with a context of its own; every Epoch()
// puts it back as at the start (the same record, so references stay good).
std::unique_ptr<jpstest::TestDecoder> decoder = std::make_unique<jpstest::TestDecoder>();
DecoderState& State() { return decoder->state; }
ConversionSwitches& Switches() { return decoder->switches; }
ContinuityState& Continuity() { return decoder->continuity; }
// What reached the host.
std::vector<jpstest::HostMessage>& Sent() { return decoder->messages; }

constexpr uint32_t kTenOClockMs = 36000000;   // 10:00:00
constexpr int kFriday = 5;
constexpr double kFridayTenOClock = 5 * 86400.0 + 36000.0;

// A complete epoch: satellites 1..n with [~~], [RC], [PC] and [DC].
DecoderState& Epoch(int n) {
  decoder->Reset();
  DecoderState& s = State();
  s.SatCount = n;
  for (int i = 0; i < n; ++i) {
    s.SatIndices[i] = static_cast<uint8_t>(i + 1);
    s.CaRange.values[i] = 0.07 + 0.001 * i;
    s.CaPhase.values[i] = 1.0e7 + i;
    s.CaDoppler[i] = 10000 * (i + 1);
  }
  s.CaRange.Form = kFormSeconds;
  s.CaPhase.Form = kFormCycles;
  s.DateValid = 1;
  s.DayOfWeek = kFriday;
  StoreU32(s.ReceiverTime, kTenOClockMs);
  s.EpochMessageCounts[kCountTime] = 1;
  s.EpochMessageCounts[kCountCaRange] = 1;
  s.EpochMessageCounts[kCountL1Phase] = 1;
  s.EpochMessageCounts[kCountCaDoppler] = 1;
  return s;
}

// The same epoch again, later by step seconds (continuity kept).
void NextEpoch(DecoderState& s, int n, double stepSeconds) {
  uint32_t ms = LoadU32(s.ReceiverTime) + static_cast<uint32_t>(stepSeconds * 1000);
  StoreU32(s.ReceiverTime, ms);
  s.SatCount = n;
  for (int i = 0; i < n; ++i) {
    s.CaRange.values[i] = 0.07 + 0.001 * i;
    s.CaPhase.values[i] = 1.0e7 + i;
  }
  s.CaRange.Form = kFormSeconds;
  s.CaPhase.Form = kFormCycles;
  s.EpochMessageCounts[kCountTime] = 1;
  s.EpochMessageCounts[kCountCaRange] = 1;
  s.EpochMessageCounts[kCountL1Phase] = 1;
  s.EpochMessageCounts[kCountCaDoppler] = 1;
}

struct Built {
  int result;
  KelEpoch epoch;
  KelMeasurement m[kMaxSlots];
};

Built Build() {
  Built b;
  std::memset(&b, 0xA5, sizeof b);
  b.result = BuildGreisEpoch(&State(), &b.epoch, b.m);
  return b;
}

bool ArraysAreReset(const DecoderState& s) {
  for (int i = 0; i < kMaxSlots; ++i) {
    if (s.CaRange.values[i] != 0 || s.CaPhase.values[i] != 0 || s.P2Phase.values[i] != 0 ||
        s.CaDoppler[i] != 0) {
      return false;
    }
  }
  return s.CaRange.Form == 0 && s.CaPhase.Form == 0 && s.P2Phase.Form == 0;
}

bool CountersAreClear(const DecoderState& s) {
  for (int8_t c : s.EpochMessageCounts) {
    if (c != 0) return false;
  }
  return true;
}

}  // namespace

TEST(EpochRefusals, SatelliteCount) {
  Epoch(24);
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(+b.epoch.measurementCount, 24);
  EXPECT_EQ(+b.m[23].satellite, 24);

  for (int bad : {25, 0}) {
    DecoderState& s = Epoch(3);
    s.SatCount = bad;
    b = Build();
    EXPECT_EQ(b.result, -1);
    std::string text = "36000.0  WRITE ERROR: NumSats: " + std::to_string(bad);
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].text, text);
    EXPECT_EQ(Sent()[0].time, 36000.0);
    EXPECT_EQ(s.SatCount, 0);
    EXPECT_TRUE(ArraysAreReset(s));
  }
}

TEST(EpochRefusals, MissingMessagesAndTheirTexts) {
  struct Case {
    const char* text;
    void (*damage)(DecoderState&);
    bool clearsCounters;
  } cases[] = {
      {"WARNING: No Date Record - Day of Week not known", [](DecoderState& s) { s.DateValid = 0; },
       false},
      {"WRITE ERROR: Data Flag(s) are == 0 ",
       [](DecoderState& s) { s.EpochMessageCounts[kCountTime] = 0; }, true},
      {"WRITE ERROR: Data Flag(s) are == 0 ",
       [](DecoderState& s) { s.EpochMessageCounts[kCountL1Phase] = 0; }, true},
      {"WRITE ERROR: Bad Checksum Flag ",
       [](DecoderState& s) { s.EpochMessageCounts[kCountDamaged] = 1; }, true},
      {"WRITE ERROR: No L2 measurement block ", [](DecoderState&) { Switches().requireL2 = true; },
       true},
  };
  for (const Case& c : cases) {
    DecoderState& s = Epoch(4);
    c.damage(s);
    Built b = Build();
    EXPECT_EQ(b.result, -1) << c.text;
    ASSERT_EQ(Sent().size(), 1u) << c.text;
    EXPECT_EQ(Sent()[0].text, c.text);
    EXPECT_EQ(Sent()[0].time, 36000.0);
    EXPECT_EQ(CountersAreClear(s), c.clearsCounters) << c.text;
    EXPECT_TRUE(ArraysAreReset(s)) << c.text;
  }

  DecoderState& s = Epoch(4);
  s.EpochMessageCounts[kCountDamaged] = 1;
  Switches().keepDamagedEpochs = true;
  EXPECT_EQ(Build().result, 0);
  (void)s;
}

TEST(EpochRefusals, DayOfWeekAndTimeTagBounds) {
  DecoderState& s = Epoch(2);
  s.DayOfWeek = 7;
  StoreU32(s.ReceiverTime, 0);
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(+b.epoch.receiverTime, 604800.0);

  Epoch(2).DayOfWeek = 7;
  StoreU32(State().ReceiverTime, 1);
  b = Build();
  EXPECT_EQ(b.result, -1);
  EXPECT_TRUE(Sent().empty());   // a refusal without a text of its own
  EXPECT_TRUE(ArraysAreReset(State()));
  EXPECT_TRUE(CountersAreClear(State()));

  Epoch(2).DayOfWeek = 8;
  b = Build();
  EXPECT_EQ(b.result, -1);
  ASSERT_EQ(Sent().size(), 1u);   // reported once, without a time tag
  EXPECT_EQ(Sent()[0].text, "ERROR: Day of week: 8");
  EXPECT_EQ(Sent()[0].time, -1.0);
  EXPECT_TRUE(ArraysAreReset(State()));
}

TEST(EpochRefusals, ClockOffsetNotFinite) {
  DecoderState& s = Epoch(2);
  StoreU64(s.ClockOffset, 0x7FF8000000000000ULL);
  Built b = Build();
  EXPECT_EQ(b.result, -1);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Continuity().LastEpochTime, kFridayTenOClock);   // moved with the time tag
  EXPECT_EQ(Continuity().PreviousEpochTime, -1.0);            // not a built epoch
  EXPECT_TRUE(ArraysAreReset(s));
}

TEST(EpochRefusals, ARefusedEpochLeavesNothingForTheNext) {
  // The refused epoch had L2 phases; the next one has none of its own.
  DecoderState& s = Epoch(2);
  s.DateValid = 0;
  s.P2Phase.Form = kFormCycles;
  s.P2Phase.values[0] = 5.0e6;
  s.P2Phase.values[1] = 6.0e6;
  EXPECT_EQ(Build().result, -1);
  s.DateValid = 1;
  std::memset(s.EpochMessageCounts, 0, sizeof s.EpochMessageCounts);
  NextEpoch(s, 2, 1.0);
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(+b.m[0].l2Phase, 0.0);
  EXPECT_EQ(+b.m[1].l2Phase, 0.0);
}

TEST(EpochHeader, TimeClockAndPosition) {
  DecoderState& s = Epoch(1);
  StoreF64(s.ClockOffset, 1.0e-4);
  StoreF32(s.ClockDrift, 2.0e-9f);
  // 45 N, 45 E on the ellipsoid, 0 m.
  double n = 6378137.0 / std::sqrt(1.0 - 0.006694380066 * 0.5);
  StoreF64(s.PositionVelocity + 0, n * 0.5);
  StoreF64(s.PositionVelocity + 8, n * 0.5);
  StoreF64(s.PositionVelocity + 16, n * (1.0 - 0.006694380066) * std::sqrt(0.5));
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(+b.epoch.receiverTime, 468000.0);
  EXPECT_EQ(+b.epoch.correctedTime, 468000.0 - 1.0e-4);
  EXPECT_DOUBLE_EQ(b.epoch.clockOffset, 29979.2458);
  EXPECT_DOUBLE_EQ(b.epoch.clockDrift, static_cast<double>(2.0e-9f) * 299792458.0);
  EXPECT_NEAR(b.epoch.latitude, 45.0, 1e-8);
  // 57.29577950560105 degrees per radian: 6e-9 degrees short at 45.
  EXPECT_NEAR(b.epoch.longitude, 45.0, 1e-8);
  EXPECT_NEAR(b.epoch.height, 0.0, 1e-3);
  EXPECT_EQ(+b.epoch.epochFlags, kKelFlagPosition);
  EXPECT_EQ(+b.m[0].doppler, -1.0);   // [DC] 10000 x 0.0001 Hz, sign inverted
  EXPECT_DOUBLE_EQ(b.m[0].l1Code, 0.07 * 299792458.0);
  EXPECT_EQ(+b.m[0].l1Phase, -1.0e7);
  for (uint8_t byte : b.epoch.reserved4) EXPECT_EQ(byte, 0);
  for (uint8_t byte : b.epoch.reserved60) EXPECT_EQ(byte, 0);
}

TEST(EpochHeader, SmallOrNonFiniteAxisGivesNoPosition) {
  DecoderState& s = Epoch(1);
  StoreF64(s.PositionVelocity + 0, 4000000.0);
  StoreF64(s.PositionVelocity + 8, 0.01);
  StoreF64(s.PositionVelocity + 16, 4900000.0);
  Built b = Build();
  EXPECT_EQ(+b.epoch.latitude, 0.0);
  EXPECT_EQ(+b.epoch.longitude, 0.0);
  EXPECT_EQ(+b.epoch.height, 0.0f);
  EXPECT_EQ(+b.epoch.epochFlags, 0);

  Epoch(1);
  StoreF64(s.PositionVelocity + 0, 4000000.0);
  StoreU64(s.PositionVelocity + 8, 0x7FF0000000000000ULL);
  StoreF64(s.PositionVelocity + 16, 4900000.0);
  b = Build();
  EXPECT_EQ(+b.epoch.epochFlags, 0);
  EXPECT_EQ(LoadF64(s.PositionVelocity + 0), 0.0);   // dropped until the next [PV]
  EXPECT_EQ(LoadF64(s.PositionVelocity + 16), 0.0);
}

TEST(Satellites, SkippedSlotsAndAnEmptyEpoch) {
  DecoderState& s = Epoch(4);
  const uint8_t sats[4] = {0, 40, 72, 200};
  std::memcpy(s.SatIndices, sats, 4);
  Switches().gpsOnly = true;
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(+b.epoch.measurementCount, 0);
  EXPECT_EQ(Continuity().PreviousEpochTime, kFridayTenOClock);
}

TEST(Satellites, FirstEpochStepIsOneSecondAndLockCountIsCapped) {
  DecoderState& s = Epoch(2);
  Built b = Build();
  EXPECT_EQ(+b.m[0].lockCount, 1);   // no earlier epoch: dt 1.0
  // 300 s later, no [TC]: the program's count passes 255 and is capped.
  NextEpoch(s, 2, 300.0);
  b = Build();
  EXPECT_EQ(Continuity().LockSeconds[1], 301.0);
  EXPECT_EQ(+b.m[0].lockCount, 255);
  // With [TC]: the receiver's lock time, capped.
  NextEpoch(s, 2, 1.0);
  s.EpochMessageCounts[kCountTrackTimes] = 1;
  s.LockTimes[0] = 1000;
  s.LockTimes[1] = 17;
  b = Build();
  EXPECT_EQ(+b.m[0].lockCount, 255);
  EXPECT_EQ(+b.m[1].lockCount, 17);
  EXPECT_EQ(Continuity().LockSeconds[2], 17.0);
}

TEST(Satellites, MissingL1RestartsTheLockAndTheProgramCountsOn) {
  DecoderState& s = Epoch(1);
  s.CaPhase.values[0] = 0.0;
  s.EpochMessageCounts[kCountTrackTimes] = 1;
  s.LockTimes[0] = 100;
  Built b = Build();
  EXPECT_EQ(+b.epoch.measurementCount, 1);   // still written
  EXPECT_EQ(+b.m[0].lockCount, 1);
  EXPECT_EQ(Continuity().ReacquireTimer[1], 1.0);
  // Receiver lock times are not trusted again: the count goes 2, 3, 4, 5 ...
  for (int expected = 2; expected <= 7; ++expected) {
    NextEpoch(s, 1, 1.0);
    s.EpochMessageCounts[kCountTrackTimes] = 1;
    s.LockTimes[0] = 100;
    b = Build();
    EXPECT_EQ(+b.m[0].lockCount, expected);
  }
  // The timer restarted from 0 after passing 4 s: 1+1+1+1 = 5 > 4 -> 0 + 1.
  EXPECT_EQ(Continuity().ReacquireTimer[1], 2.0);
}

TEST(Satellites, SlipAndBadCodeFlagsTogether) {
  DecoderState& s = Epoch(2);
  s.EpochMessageCounts[kCountCaFlags] = 1;
  s.CaLoopFlags[0] = 0x20;   // slip, code/phase not good, status not set
  s.CaLoopFlags[1] = 0x50;   // all well
  s.EpochMessageCounts[kCountTrackTimes] = 1;
  s.LockTimes[0] = s.LockTimes[1] = 90;
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  ASSERT_EQ(Sent().size(), 2u);
  EXPECT_EQ(Sent()[0].text, "Bad Code and Phase on PRN 1");
  EXPECT_EQ(Sent()[1].text, "Detected L1 cycle slip on PRN 1");
  EXPECT_EQ(Sent()[0].time, kFridayTenOClock);
  EXPECT_EQ(Sent()[1].time, kFridayTenOClock);
  EXPECT_EQ(+b.m[0].lockCount, 1);
  EXPECT_EQ(+b.m[0].l1Code, 0.0);
  EXPECT_EQ(+b.m[1].lockCount, 90);

  Epoch(1);
  s.EpochMessageCounts[kCountCaFlags] = 1;
  s.CaLoopFlags[0] = 0x10;
  Switches().verbose = true;
  Build();
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0].text, "Status not set on PRN: 1");
}

TEST(Satellites, DerivedDoppler) {
  DecoderState& s = Epoch(2);
  s.SatIndices[1] = 40;   // GLONASS, frequency known
  s.GlonassFrequencies[40][0] = 1602000000.0;
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  Built b = Build();
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(s.DopplerAbsent, 1);
  EXPECT_EQ(+b.epoch.measurementCount, 0);   // first sight: nothing to difference

  NextEpoch(s, 2, 1.0);
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  s.CaRange.values[0] = 0.07 - 190.293672798 / 299792458.0;
  s.CaRange.values[1] = 0.071 + 299.792458 / 299792458.0;
  b = Build();
  ASSERT_EQ(+b.epoch.measurementCount, 2);
  EXPECT_NEAR(b.m[0].doppler, 1000.0, 1e-6);
  EXPECT_NEAR(b.m[1].doppler, -299.792458 * 1602000000.0 / 299792458.0, 1e-6);
}

TEST(Satellites, GlonassCarriersFromTheChannelBeforeAnyEphemeris) {
  // Satellite 41 is channel -4: L1 at 1602 MHz - 4 x 562.5 kHz = 1599.75 MHz,
  // known before any ephemeris of the channel arrived.
  DecoderState& s = Epoch(2);
  s.SatIndices[1] = 41;
  s.CaPhase.Form = kFormIntRelativePhase;
  s.CaPhase.values[0] = 1099511627776.0 * 0.001;
  s.CaPhase.values[1] = 1099511627776.0 * 0.001;
  Built b = Build();
  ASSERT_EQ(+b.epoch.measurementCount, 2);
  EXPECT_DOUBLE_EQ(b.m[0].l1Phase, -1575420000.0 * 0.071);
  EXPECT_EQ(+b.m[1].satellite, 41);
  EXPECT_DOUBLE_EQ(b.m[1].l1Phase, -1599750000.0 * 0.072);
  EXPECT_DOUBLE_EQ(b.m[1].l1Code, 0.071 * 299792458.0);

  // Deriving Doppler: like the GPS satellite, written from its second epoch
  // on, with its own wavelength: a fall of 1000 wavelengths in 1 s is 1000 Hz.
  Epoch(2).SatIndices[1] = 41;
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  EXPECT_EQ(Build().epoch.measurementCount, 0);
  NextEpoch(s, 2, 1.0);
  s.CaRange.values[1] = 0.071 - 1000.0 / 1599750000.0;
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  b = Build();
  ASSERT_EQ(+b.epoch.measurementCount, 2);
  EXPECT_EQ(+b.m[1].satellite, 41);
  EXPECT_NEAR(b.m[1].doppler, 1000.0, 1e-6);
}

TEST(Satellites, MissingCodeDerivesNoDoppler) {
  DecoderState& s = Epoch(1);
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  Build();
  NextEpoch(s, 1, 1.0);
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  s.CaRange.values[0] = 0.0;
  Built b = Build();
  ASSERT_EQ(+b.epoch.measurementCount, 1);   // the phase is still there
  EXPECT_EQ(+b.m[0].doppler, 0.0);           // not 21000 km / 1 s / 0.19 m
  EXPECT_EQ(+b.m[0].lockCount, 1);
  NextEpoch(s, 1, 1.0);
  s.EpochMessageCounts[kCountCaDoppler] = 0;
  s.CaRange.values[0] = 0.07 - 2 * 190.293672798 / 299792458.0;
  b = Build();
  EXPECT_NEAR(b.m[0].doppler, 1000.0, 1e-6);   // over the two seconds since the last code
}

TEST(Satellites, OtherSystemsAreSkippedInEveryForm) {
  // 33 and 37 are GPS PRNs without a KEL number, 71 and 119 Galileo
  // satellites: no GLONASS carrier, no phase track, and no place in an epoch.
  // Nothing may be read or written outside the tables on the way.
  for (uint8_t sv : {33, 37, 71, 119}) {
    for (uint8_t form : {kFormPhaseCounter, kFormIntRelativePhase, kFormFloatRelativePhase}) {
      for (bool derived : {false, true}) {
        DecoderState& s = Epoch(2);
        s.SatIndices[1] = sv;
        s.CaPhase.Form = form;
        s.CaPhase.values[1] = 4096.0;
        s.P2Phase.Form = form;
        s.P2Phase.values[1] = 4096.0;
        s.EpochMessageCounts[kCountL2Phase] = 1;
        s.EpochMessageCounts[kCountCaDoppler] = derived ? 0 : 1;
        Built b = Build();
        ASSERT_EQ(b.result, 0);
        // Deriving Doppler drops the GPS satellite from its first epoch too.
        ASSERT_EQ(+b.epoch.measurementCount, derived ? 0 : 1) << int(sv) << " " << int(form);
        if (!derived) {
          EXPECT_EQ(+b.m[0].satellite, 1);
        }
      }
    }
  }
}
