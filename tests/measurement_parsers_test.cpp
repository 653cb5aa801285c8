// Per-satellite messages: absent-value markers, the C/A range bound, form
// codes, refusals, and how a refused message travels through the decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "greis/dispatch.h"
#include "greis/framing.h"
#include "greis/jps_input.h"
#include "greis/message_parsers.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_decoder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

namespace {

// A decoder state of its own, with satCount satellites in the epoch.
jpstest::DecoderHandle NewState(int satCount) {
  jpstest::DecoderHandle s;
  s->SatCount = satCount;
  return s;
}

int Parse(DecoderState& s, const Bytes& message) {
  return ParsePerSatellite(s, message.data(), static_cast<int>(message.size()) - kFrameHeaderSize);
}

Bytes WithBadChecksum(const Bytes& m) { return Damaged(m, m.size() - 1, 0x01); }

}  // namespace

TEST(CaRanges, BoundOfPointFifteenSecondsAndNonFiniteMarkers) {
  auto s = NewState(9);
  const double inf = std::numeric_limits<double>::infinity();
  Bytes m = F8Entries("RC", {0.15, -0.15, 0.07, 0.1500001, -0.2, std::nan(""), inf, -inf, 0.0});
  ASSERT_EQ(Parse(*s, m), 0);
  const double expected[] = {0.15, -0.15, 0.07, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(s->CaRange.values[i], expected[i]) << "entry " << i;
  EXPECT_EQ(s->CaRange.Form, kFormSeconds);

  // The bound is the C/A pseudorange's alone.
  s->SatCount = 2;
  ASSERT_EQ(Parse(*s, F8Entries("R2", {0.2, inf})), 0);
  EXPECT_EQ(s->P2Range.values[0], 0.2);
  EXPECT_EQ(s->P2Range.values[1], 0.0);
}

TEST(IntegerMessages, MarkersInRawStoreAndSignalArray) {
  auto s = NewState(2);
  ASSERT_EQ(Parse(*s, U4Entries("rc", {0x7FFFFFFF, 5000000})), 0);
  EXPECT_EQ(s->Raw.rc[0], 0);
  EXPECT_EQ(s->CaRange.values[0], 0.0);
  EXPECT_EQ(s->Raw.rc[1], 5000000);
  EXPECT_EQ(s->CaRange.values[1], 5000000.0);  // no 0.15 bound on counts
  EXPECT_EQ(s->CaRange.Form, kFormShortRange);

  // u4 phase counters convert as unsigned; 0xFFFFFFFF is the marker.
  ASSERT_EQ(Parse(*s, U4Entries("pc", {0x80000000u, 0xFFFFFFFFu})), 0);
  EXPECT_EQ(s->CaPhase.values[0], 2147483648.0);
  EXPECT_EQ(s->CaPhase.values[1], 0.0);
  EXPECT_EQ(s->Raw.pc[1], 0u);
  EXPECT_EQ(s->CaPhase.Form, kFormPhaseCounter);

  ASSERT_EQ(Parse(*s, Message("cp", Body().I4(-5).I4(7))), 0);
  EXPECT_EQ(s->CaPhase.values[0], -5.0);
  EXPECT_EQ(s->CaPhase.Form, kFormIntRelativePhase);

  ASSERT_EQ(Parse(*s, Message("DC", Body().I4(0x7FFFFFFF).I4(-123456))), 0);
  EXPECT_EQ(s->CaDoppler[0], 0);
  EXPECT_EQ(s->CaDoppler[1], -123456);
  // [D1] has no marker.
  ASSERT_EQ(Parse(*s, Message("D1", Body().I4(0x7FFFFFFF).I4(1))), 0);
  EXPECT_EQ(s->P1Doppler[0], 0x7FFFFFFF);

  ASSERT_EQ(Parse(*s, U2Entries("TC", {0xFFFF, 1234})), 0);
  EXPECT_EQ(s->LockTimes[0], 0);
  EXPECT_EQ(s->LockTimes[1], 1234);
  ASSERT_EQ(Parse(*s, U2Entries("FC", {0x7FFF, 0xFFFF})), 0);
  EXPECT_EQ(s->CaLoopFlags[0], 0);
  EXPECT_EQ(s->CaLoopFlags[1], -1);
}

TEST(FloatRelativeMessages, OnlyQuietNaNIsTheMarker) {
  auto s = NewState(5);
  Body b;
  b.F4Bits(0x7FC00000).F4Bits(0xFFC00000).F4Bits(0x7F800000).F4(1.5f).F4Bits(0x7FC00001);
  ASSERT_EQ(Parse(*s, Message("2P", b)), 0);
  EXPECT_EQ(s->P2Phase.values[0], 0.0);
  EXPECT_EQ(s->P2Phase.values[1], 0.0);
  EXPECT_TRUE(std::isinf(s->P2Phase.values[2]));
  EXPECT_EQ(s->P2Phase.values[3], 1.5);
  EXPECT_EQ(s->P2Phase.values[4], 0.0);  // sign and low mantissa bits are ignored
  EXPECT_EQ(s->Raw.P2Relative[0], 0.0f);
  EXPECT_EQ(s->P2Phase.Form, kFormFloatRelativePhase);
}

// Every member of the family: its entry type, signal array and form code.
TEST(PerSatelliteFamily, EachMessageFillsItsSignalArrayWithItsForm) {
  enum Type { kF8, kF4, kI4, kU4, kI2 };
  struct Case {
    const char* id;
    Type type;
    SignalArray DecoderState::*signal;
    int form;
  };
  const Case cases[] = {
      {"RC", kF8, &DecoderState::CaRange, 1}, {"R1", kF8, &DecoderState::P1Range, 1},
      {"R2", kF8, &DecoderState::P2Range, 1}, {"rc", kI4, &DecoderState::CaRange, 2},
      {"r2", kI4, &DecoderState::P2Range, 2}, {"2r", kI2, &DecoderState::P2Range, 3},
      {"2R", kF4, &DecoderState::P2Range, 7}, {"PC", kF8, &DecoderState::CaPhase, 4},
      {"P1", kF8, &DecoderState::P1Phase, 4}, {"P2", kF8, &DecoderState::P2Phase, 4},
      {"pc", kU4, &DecoderState::CaPhase, 5}, {"p1", kU4, &DecoderState::P1Phase, 5},
      {"p2", kU4, &DecoderState::P2Phase, 5}, {"cp", kI4, &DecoderState::CaPhase, 6},
      {"1p", kI4, &DecoderState::P1Phase, 6}, {"2p", kI4, &DecoderState::P2Phase, 6},
      {"CP", kF4, &DecoderState::CaPhase, 8}, {"2P", kF4, &DecoderState::P2Phase, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    auto s = NewState(2);
    Body b;
    double expected;
    switch (c.type) {
      case kF8: b.F8(0.0625).F8(0.0625); expected = 0.0625; break;
      case kF4: b.F4(-0.25f).F4(-0.25f); expected = -0.25; break;
      case kI4: b.I4(-70000).I4(-70000); expected = -70000.0; break;
      case kU4: b.U4(3000000000u).U4(3000000000u); expected = 3000000000.0; break;
      case kI2: b.I2(-300).I2(-300); expected = -300.0; break;
    }
    Bytes m = Message(c.id, b);
    ASSERT_EQ(Parse(*s, m), 0);
    const SignalArray& array = (*s).*c.signal;
    EXPECT_EQ(array.values[0], expected);
    EXPECT_EQ(array.values[1], expected);
    EXPECT_EQ(array.values[2], 0.0);
    EXPECT_EQ(array.Form, c.form);

    // A failed checksum marks the array (also for [2R]) and stores nothing.
    auto t = NewState(2);
    EXPECT_EQ(Parse(*t, WithBadChecksum(m)), -1);
    EXPECT_EQ(((*t).*c.signal).Form, kFormFailed);
    EXPECT_EQ(((*t).*c.signal).values[0], 0.0);
  }
}

TEST(PerSatelliteFamily, FailedLoopFlagsMarkL2RangesAndKeepTheFlags) {
  auto s = NewState(2);
  s->CaLoopFlags[0] = 11;
  s->CaLoopFlags[1] = 12;
  s->P2Range.Form = kFormShortRange;
  EXPECT_EQ(Parse(*s, WithBadChecksum(U2Entries("FC", {1, 2}))), -1);
  EXPECT_EQ(s->P2Range.Form, kFormFailed);
  EXPECT_EQ(s->CaLoopFlags[0], 11);
  EXPECT_EQ(s->CaLoopFlags[1], 12);
}

TEST(PerSatelliteFamily, OnlyTheEpochsSatellitesAreWritten) {
  auto s = NewState(3);
  for (int i = 0; i < kMaxSlots; ++i) {
    s->CaRange.values[i] = 0.01;
    s->LockTimes[i] = 7;
    s->SatElevations[i] = 9;
  }
  // Longer bodies than SatCount entries are read from the start.
  ASSERT_EQ(Parse(*s, F8Entries("RC", {0.02, 0.03, 0.04, 0.05})), 0);
  ASSERT_EQ(Parse(*s, U2Entries("TC", {1, 2, 3})), 0);
  ASSERT_EQ(Parse(*s, Message("EL", Body().I1(-5).I1(45).I1(90))), 0);
  EXPECT_EQ(s->CaRange.values[2], 0.04);
  EXPECT_EQ(s->LockTimes[2], 3);
  EXPECT_EQ(s->SatElevations[0], -5);
  for (int i = 3; i < kMaxSlots; ++i) {
    EXPECT_EQ(s->CaRange.values[i], 0.01) << i;
    EXPECT_EQ(s->LockTimes[i], 7) << i;
    EXPECT_EQ(s->SatElevations[i], 9) << i;
  }

  // No satellites: nothing is copied, the form is still set.
  auto empty = NewState(0);
  ASSERT_EQ(Parse(*empty, Message("cp", Body().I4(99))), 0);
  EXPECT_EQ(empty->Raw.cp[0], 0);
  EXPECT_EQ(empty->CaPhase.Form, kFormIntRelativePhase);
}

TEST(PerSatelliteFamily, BodyOneEntryShortIsRefusedWithNothingStored) {
  auto s = NewState(3);
  s->LockTimes[0] = 7;
  EXPECT_EQ(Parse(*s, U2Entries("TC", {1, 2})), -1);
  EXPECT_EQ(s->LockTimes[0], 7);
  EXPECT_EQ(Parse(*s, U4Entries("rc", {1, 2})), -1);
  EXPECT_EQ(s->Raw.rc[0], 0);
  EXPECT_EQ(s->CaRange.values[0], 0.0);
  EXPECT_EQ(s->CaRange.Form, kFormFailed);
  // A full body is accepted.
  EXPECT_EQ(Parse(*s, U2Entries("TC", {1, 2, 3})), 0);
}

TEST(DispatchTable, ParsersAndLimitsOfTheDecodedMessages) {
  auto row = [](const char* key) {
    return FindDispatchRow(reinterpret_cast<const uint8_t*>(key));
  };
  for (const char* key : {"EL0", "AZ0", "RC0", "R10", "R20", "PC0", "P10", "P20", "DC0", "D10",
                          "D20", "EC0", "TC0", "FC0", "rc0", "r20", "2r0", "2R0", "pc0", "p10",
                          "p20", "cp0", "1p0", "2p0", "CP0", "2P0"}) {
    ASSERT_NE(row(key), nullptr) << key;
    EXPECT_EQ(row(key)->parser, &ParsePerSatellite) << key;
  }
  for (const char* key : {"UO0", "NP0", "PO0", "VE0", "PV0", "CC0", "GA0", "GE0", "NA0", "NE0",
                          "TO0", "DO0"}) {
    ASSERT_NE(row(key), nullptr) << key;
    EXPECT_EQ(row(key)->parser, &ParseFixedRecord) << key;
  }
  for (const char* key : {"GA0", "GE0", "NA0", "NE0", "TO0", "DO0"}) {
    EXPECT_EQ(row(key)->maxLength, 255) << key;
  }
  EXPECT_EQ(row("PV0")->maxLength, 46);
  EXPECT_EQ(row("RC0")->maxLength, 194);
}

namespace {

// ~~ at 1000 ms, [SI] with two satellites, [RC], ~~: the [RC] starts at
// byte 19 of the stream (1-based).
Bytes EpochWithCaRange(const Bytes& rc) {
  Bytes in = ReceiverTime(1000);
  Append(in, SatIndices({3, 7}));
  EXPECT_EQ(in.size(), 18u);
  Append(in, rc);
  Append(in, ReceiverTime(2000));
  return in;
}

struct Step {
  int event;
  int64_t bytesRead;
};

// Runs the decoder over the bytes; lists the events other than 0.
std::vector<Step> Decode(const Bytes& input, DecoderState& s) {
  std::string path = jpstest::TempDir() + "/in.jps";
  jpstest::WriteFile(path, input);
  JpsInput in;
  EXPECT_TRUE(in.Open(path.c_str()));
  ResetDecoder(&s, s.Context);
  s.JpsStream = &in;
  std::vector<Step> steps;
  for (int guard = 0; guard < 100000; ++guard) {
    DecoderEvent e = DecodeNext(&s);
    if (e == kEventEnd) break;
    if (e == kEventNone) continue;
    steps.push_back({e, s.Framing.BytesRead});
    if (e == kEventEpoch) ClearEpochCounters(&s);  // as the driver does
  }
  s.JpsStream = nullptr;
  return steps;
}

const Bytes kGoodRc = CaRanges({0.07, 0.071});

}  // namespace

TEST(RefusedCaRange, DiscardsTheEpochAndResumesAfterTheR) {
  auto s = NewState(0);
  std::vector<Step> good = Decode(EpochWithCaRange(kGoodRc), *s);
  ASSERT_EQ(good.size(), 1u);
  EXPECT_EQ(good[0].event, kEventEpoch);

  std::vector<Step> bad = Decode(EpochWithCaRange(WithBadChecksum(kGoodRc)), *s);
  ASSERT_EQ(bad.size(), 1u);
  EXPECT_EQ(bad[0].event, kEventDiscarded);
  EXPECT_EQ(bad[0].bytesRead, 19);  // the next byte read is the one after the "R"
}

TEST(RefusedCaRange, KeptDamagedEpochGivesNoEventAndNoEpoch) {
  auto s = NewState(0);
  s->Context->switches.keepDamagedEpochs = true;
  std::vector<Step> steps = Decode(EpochWithCaRange(WithBadChecksum(kGoodRc)), *s);
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(s->EpochMessageCounts[kCountCaRange], 0);
}

TEST(RefusedCaRange, HostSeesSizeAndChecksumTexts) {
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    jpstest::HostSetup setup;
    setup.options = [keep](ConversionOptions& o) { o.KeepDamagedEpochs = keep ? 1 : 0; };
    jpstest::HostRun run =
        jpstest::ConvertBytes(EpochWithCaRange(WithBadChecksum(kGoodRc)), setup);
    EXPECT_EQ(run.result, 0);
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_EQ(run.messages[0].text, "Size: 17  Rec: RC Bytes: 19 ");
    EXPECT_EQ(run.messages[0].time, -1.0);
    EXPECT_EQ(run.messages[1].text, "Checksum on 14");
    EXPECT_EQ(run.messages[1].time, 1.0);
    EXPECT_EQ(run.request.EpochsWritten, 0);
  }
}

TEST(RefusedCaRange, OneEntryShortIsABadMessage) {
  Bytes in = ReceiverTime(1000);
  Append(in, SatIndices({3, 7, 9}));
  Append(in, CaRanges({0.07, 0.071}));  // two entries for three satellites
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  EXPECT_TRUE(run.HasMessage("Size: 17  Rec: RC Bytes: 20 "));
  EXPECT_TRUE(run.HasMessage("Checksum on 14"));
}
