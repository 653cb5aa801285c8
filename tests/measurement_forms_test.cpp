// Range and phase forms brought to seconds and cycles, and the phase counter's
// unwrapping with the per-satellite tracks.
#include <gtest/gtest.h>

#include <cstring>

#include "epoch/measurement_forms.h"
#include "greis/dispatch.h"
#include "tests/builder/test_decoder.h"

using namespace jps;

namespace {

constexpr double kC = 299792458.0;

// A signal array holding values; absent marks the slots the receiver sent
// its unavailable-value marker for.
SignalArray Signal(std::initializer_list<double> values, uint32_t absent = 0) {
  SignalArray a{};
  int i = 0;
  for (double v : values) a.values[i++] = v;
  a.Absent = absent;
  return a;
}

// The tests' decoder state with a context of its own, put back as at the
// start by FreshState (the same record, so references stay good).
jpstest::TestDecoder decoder;
ContinuityState& Continuity() { return decoder.continuity; }
ConversionSwitches& Switches() { return decoder.switches; }

DecoderState& FreshState() {
  decoder.Reset();
  return decoder.state;
}

}  // namespace

TEST(RangeForms, ShortAndRelativeRangesToSeconds) {
  double ranges[3] = {0.0, 100.0, -2000000.0};
  ExpandShortRanges(ranges, 3);
  EXPECT_EQ(ranges[0], 0.0);
  EXPECT_DOUBLE_EQ(ranges[1], 0.075000001);
  EXPECT_DOUBLE_EQ(ranges[2], 0.07498);

  // A relative count of 0 is a measurement; the marked slot (bit 4) is not.
  const double ca[5] = {0.07, 0.07, 0.0, 0.08, 0.08};
  SignalArray shortRel = Signal({-3000.0, 0.0, 55.0, 10.0, 0.0}, 1u << 4);
  ResolveRelativeRanges(ca, shortRel, 5);
  EXPECT_DOUBLE_EQ(shortRel.values[0], 0.07 + 2e-7 - 3e-8);
  EXPECT_DOUBLE_EQ(shortRel.values[1], 0.07 + 2e-7);
  EXPECT_EQ(shortRel.values[2], 0.0);   // relative to a missing C/A range: absent, not 2e-7 s
  EXPECT_DOUBLE_EQ(shortRel.values[3], 0.08 + 2e-7 + 1e-10);
  EXPECT_EQ(shortRel.values[4], 0.0);

  SignalArray floatRel = Signal({1.5e-8, 0.0, 2.5e-8, 0.0}, 1u << 3);
  const double ca4[4] = {0.07, 0.07, 0.0, 0.07};
  AddRelativeRanges(ca4, floatRel, 4);
  EXPECT_DOUBLE_EQ(floatRel.values[0], 0.070000015);
  EXPECT_EQ(floatRel.values[1], 0.07);
  EXPECT_EQ(floatRel.values[2], 0.0);   // not left as a relative value read as seconds
  EXPECT_EQ(floatRel.values[3], 0.0);
}

TEST(RangeForms, EpochRangesConvertCaFirstAndDropAFailedArray) {
  DecoderState& s = FreshState();
  s.SatCount = 2;
  s.CaRange.Form = kFormShortRange;
  s.CaRange.values[0] = 100.0;
  s.CaRange.values[1] = 200.0;
  s.P2Range.Form = kFormShortRelativeRange;
  s.P2Range.values[0] = 10.0;
  s.P2Range.values[1] = 0.0;
  s.P2Range.Absent = 1u << 1;   // the receiver's marker
  s.P2Range.values[2] = 77.0;   // beyond SatCount: untouched
  ConvertRangeArrays(s);
  EXPECT_DOUBLE_EQ(s.CaRange.values[0], 0.075000001);
  EXPECT_DOUBLE_EQ(s.P2Range.values[0], 0.075000001 + 2e-7 + 1e-10);
  EXPECT_EQ(s.P2Range.values[1], 0.0);
  EXPECT_EQ(s.P2Range.values[2], 77.0);

  // [2r] counts stored, then a failed [FC] marked the L2 ranges: what the
  // array holds is not seconds and must not become metres.
  s.P2Range.Form = kFormFailed;
  s.P2Range.values[0] = -12345.0;
  ConvertRangeArrays(s);
  EXPECT_EQ(s.P2Range.values[0], 0.0);
  EXPECT_EQ(s.P2Range.Form, kFormNone);
}

TEST(PhaseCounter, ForwardWrapAddsOnePeriodNotAFall) {
  FreshState();
  const uint8_t sats[1] = {12};
  const double ca[1] = {0.07};
  double v[1] = {static_cast<double>(0xF0000000u)};
  UnwrapShortPhases(v, sats, 1, ca, Continuity().L1Track);
  EXPECT_EQ(v[0], 3932160.0);
  v[0] = static_cast<double>(0x10000000u);
  UnwrapShortPhases(v, sats, 1, ca, Continuity().L1Track);
  EXPECT_EQ(v[0], 4456448.0);   // 3932160 + 524288, not 262144
  EXPECT_EQ(Continuity().L1Track[12].wrapCount, 1);
  EXPECT_EQ(Continuity().L1Track[12].lastRaw, 0x10000000u);
  EXPECT_DOUBLE_EQ(Continuity().L1Track[12].lastCode, 0.07 * kC);

  // And back again.
  v[0] = static_cast<double>(0xF0000000u);
  UnwrapShortPhases(v, sats, 1, ca, Continuity().L1Track);
  EXPECT_EQ(v[0], 3932160.0);
  EXPECT_EQ(Continuity().L1Track[12].wrapCount, 0);
}

TEST(PhaseCounter, PhaseAndCodeJumpTogetherCountAMissedWrap) {
  FreshState();
  const uint8_t sats[1] = {7};
  double ca[1] = {0.07};
  double v[1] = {static_cast<double>(0x80000000u)};
  UnwrapShortPhases(v, sats, 1, ca, Continuity().L2Track);
  EXPECT_EQ(v[0], 2097152.0);
  // Phase falls by 2097151 cycles (no quarter crossing) while the code moves
  // by 0.0006 s = 179875 m: one period is added.
  ca[0] = 0.0706;
  v[0] = 1024.0;
  UnwrapShortPhases(v, sats, 1, ca, Continuity().L2Track);
  EXPECT_EQ(v[0], 4194305.0);
  EXPECT_EQ(Continuity().L2Track[7].wrapCount, 1);
}

TEST(PhaseCounter, ZeroAndUntrackedSatellitesLeaveTheTracksAlone) {
  FreshState();
  for (auto* track : {&Continuity().L1Track, &Continuity().L2Track}) {
    (*track)[5] = PhaseTrack{0x12345678u, 3, 1000.5, 2.1e7};
    PhaseTrack before[kPhaseTrackSize];
    std::memcpy(before, *track, sizeof before);
    const uint8_t sats[3] = {5, 71, 0};
    const double ca[3] = {0.07, 0.07, 0.07};
    double v[3] = {0.0, 4096.0, 4096.0};
    UnwrapShortPhases(v, sats, 3, ca, *track);
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(std::memcmp(before, *track, sizeof before), 0);
    // Satellite 71 has no track: its counter can't be unwrapped and is not
    // passed on as cycles.
    EXPECT_EQ(v[1], 0.0);
  }
}

TEST(RelativePhase, GpsAndGlonassFrequencies) {
  DecoderState& s = FreshState();
  s.SatCount = 5;
  const uint8_t sats[5] = {5, 40, 41, 71, 70};
  std::memcpy(s.SatIndices, sats, 5);
  for (int i = 0; i < 5; ++i) s.CaRange.values[i] = 0.07;
  // Channels -5, -4 and +25 before any ephemeris: 1602 MHz + k x 562.5 kHz.
  SignalArray v = Signal({0.001 * 1099511627776.0, 1099511627776.0 * -0.002, 0.0, 12345.0,
                          1099511627776.0 * 0.001});
  PhaseFromIntRelative(s, v, 5, 1575420000.0);
  EXPECT_DOUBLE_EQ(v.values[0], 1575420000.0 * 0.071);
  EXPECT_DOUBLE_EQ(v.values[1], 1599187500.0 * 0.068);
  EXPECT_DOUBLE_EQ(v.values[2], 1599750000.0 * 0.07);   // a zero count is a measurement
  EXPECT_DOUBLE_EQ(v.values[4], 1616062500.0 * 0.071);
  // 71 has no GLONASS carrier: no phase, and its code goes too.
  EXPECT_EQ(v.values[3], 0.0);
  EXPECT_EQ(s.CaRange.values[3], 0.0);

  SignalArray l2 = Signal({1e-9, 0.0}, 1u << 1);
  PhaseFromFloatRelative(s, l2, 2, 1227600000.0);
  EXPECT_DOUBLE_EQ(l2.values[0], 1227600000.0 * (0.07 + 1e-9));
  EXPECT_EQ(l2.values[1], 0.0);   // marked unavailable: stays absent

  SignalArray l2b = Signal({0.0, 1e-9}, 1u << 0);
  PhaseFromFloatRelative(s, l2b, 2, 1227600000.0);
  EXPECT_DOUBLE_EQ(l2b.values[1], 1243812500.0 * (0.07 + 1e-9));   // the L2 carrier, k = -5

  Switches().gpsOnly = true;
  SignalArray gpsOnly = Signal({0.0, 1e-9}, 1u << 0);
  PhaseFromFloatRelative(s, gpsOnly, 2, 1227600000.0);
  EXPECT_DOUBLE_EQ(gpsOnly.values[1], 1227600000.0 * (0.07 + 1e-9));
}

TEST(RelativePhase, MissingCaRangeLeavesNoPhase) {
  DecoderState& s = FreshState();
  s.SatCount = 1;
  s.SatIndices[0] = 3;
  s.CaRange.values[0] = 0.0;
  SignalArray v = Signal({5e-9});
  PhaseFromFloatRelative(s, v, 1, 1575420000.0);
  EXPECT_EQ(v.values[0], 0.0);   // not f x 5e-9 = 7.9 cycles of nothing
}
