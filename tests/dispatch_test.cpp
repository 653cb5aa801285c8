// The decoder on real bytes: framing, resynchronisation, epoch boundaries,
// refused messages and their texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "greis/dispatch.h"
#include "greis/framing.h"
#include "greis/jps_input.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_decoder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

namespace {

// Decodes a whole stream and keeps every non-zero event.
struct Decoded {
  std::vector<int> events;
  std::vector<jpstest::HostMessage> messages;
  std::shared_ptr<jpstest::TestDecoder> decoder = std::make_shared<jpstest::TestDecoder>();
  DecoderState* state = &decoder->state;

  bool Has(const std::string& text, double time) const { return decoder->Has(text, time); }
};

Decoded Decode(const Bytes& stream, bool keepDamaged = false) {
  static JpsInput input;
  std::string path = jpstest::TempDir() + "/stream.jps";
  jpstest::WriteFile(path, stream);
  EXPECT_TRUE(input.Open(path.c_str()));
  Decoded d;
  d.decoder->switches.keepDamagedEpochs = keepDamaged;
  d.state->JpsStream = &input;
  for (int guard = 0; guard < 100000; ++guard) {
    DecoderEvent e = DecodeNext(d.state);
    if (e == kEventEnd) break;
    if (e == kEventEpoch) ClearEpochCounters(d.state);  // as the driver does
    if (e != kEventNone) d.events.push_back(e);
  }
  d.messages = d.decoder->messages;
  return d;
}

Bytes EpochOf(uint32_t ms, const std::vector<uint8_t>& svs) {
  Bytes b = ReceiverTime(ms);
  Append(b, SatIndices(svs));
  std::vector<double> ranges(svs.size(), 0.07);
  Append(b, CaRanges(ranges));
  return b;
}

}  // namespace

TEST(Framing, GarbageBeforeAMessageIsHuntedThrough) {
  Bytes stream = {'Z', 0x00, 'q'};
  Append(stream, EpochOf(1000, {3}));
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));
  EXPECT_TRUE(d.messages.empty());
  EXPECT_EQ(ReceiverTimeMs(*d.state), 2000u);
}

TEST(Framing, MessageInsideARejectedCandidateIsStillFound) {
  // "RC" with a length whose low pair is invalid ("0G1" gives 0): the
  // candidate is dropped and hunting resumes at the "C".
  Bytes stream = {'R', 'C', '0', 'G', '1'};
  Append(stream, EpochOf(1000, {3}));
  // An unknown pair inside a known first character: "RX" then a real message.
  Append(stream, Bytes{'R', 'X'});
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));
}

TEST(Framing, MessageCutByTheEndOfFileIsNeverHandled) {
  Bytes stream = EpochOf(1000, {3});
  Bytes tail = ReceiverTime(2000);
  tail.resize(7);
  Append(stream, tail);
  Decoded d = Decode(stream);
  EXPECT_TRUE(d.events.empty());
  EXPECT_TRUE(d.messages.empty());
}

TEST(Dispatch, ReceiverTimeCompletesTheEpochAndIsHandledOnTheNextCall) {
  Bytes stream = EpochOf(1000, {3, 7});
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));
  // The second [~~] was handled after the epoch: counter 0 is 1 again.
  EXPECT_EQ(d.state->EpochMessageCounts[kCountTime], 1);
  EXPECT_EQ(ReceiverTimeMs(*d.state), 2000u);
}

TEST(Dispatch, EpochEndCompletesTheEpoch) {
  Bytes stream = EpochOf(1000, {3});
  Append(stream, EpochEnd());
  Append(stream, EpochOf(2000, {3}));
  Append(stream, EpochEnd());
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch, kEventEpoch}));
}

TEST(Dispatch, ASecondCaRangeMessageEndsTheIntakeAndTheFirstIsKept) {
  // Whether a copy or another form of the signal ([RC] then [rc]), a second
  // C/A range belongs to another epoch or repeats the first: the epoch is
  // handed over with the first.
  for (const Bytes& second : {CaRanges({0.08}), I4Entries("rc", {100})}) {
    Bytes stream = EpochOf(1000, {3});
    Append(stream, second);
    Decoded d = Decode(stream);
    EXPECT_EQ(d.state->CaRange.values[0], 0.07);
    EXPECT_EQ(d.state->EpochMessageCounts[kCountCaRange], 1);
    Append(stream, ReceiverTime(2000));
    d = Decode(stream);
    EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));
    EXPECT_EQ(d.messages.size(), 1u);
  }
}

TEST(Dispatch, BadReceiverDateIsReportedAndDiscardsTheEpoch) {
  Bytes stream = EpochOf(1000, {3});
  size_t at = stream.size();
  Append(stream, Damaged(ReceiverDate(2014, 8, 29), 10));  // wrong checksum byte
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventDiscarded}));
  std::string size = "Size: 6  Rec: RD Bytes: " + std::to_string(at + 1) + " ";
  EXPECT_TRUE(d.Has(size, -1.0));
  EXPECT_TRUE(d.Has("Checksum on 4", 1.0));
}

TEST(Dispatch, KeepDamagedEpochsReportsButDiscardsNothing) {
  Bytes stream = EpochOf(1000, {3});
  Append(stream, Damaged(ReceiverDate(2014, 8, 29), 10));
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream, /*keepDamaged=*/true);
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));
  EXPECT_TRUE(d.Has("Checksum on 4", 1.0));
}

TEST(Dispatch, DateWithoutValidDayOfWeekIsReportedLikeABadChecksum) {
  // Year 1 has a negative day number, whose remainder falls outside 0..6.
  Bytes stream = ReceiverDate(1, 1, 1);
  Append(stream, ReceiverTime(1000));
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventDiscarded}));
  EXPECT_TRUE(d.Has("Checksum on 4", 0.0));
  EXPECT_EQ(d.state->DateValid, 0);
}

TEST(Dispatch, OverLimitLengthReportsItsTextAndSkipsTheCandidate) {
  Body flags;
  for (int i = 0; i < 143; ++i) flags.U1(0);   // L = 144, limit 143
  Bytes stream = Message("FC", flags);
  Append(stream, EpochOf(1000, {3}));
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream);
  ASSERT_FALSE(d.messages.empty());
  EXPECT_EQ(d.messages[0].text, "Incorrect CA Valid");
  EXPECT_EQ(d.messages[0].time, -1.0);
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));

  Body fits;
  for (int i = 0; i < 2; ++i) fits.U2(0x0050);
  Bytes ok = EpochOf(1000, {3, 4});
  Append(ok, Message("FC", fits));
  Append(ok, ReceiverTime(2000));
  Decoded d2 = Decode(ok);
  EXPECT_TRUE(d2.messages.empty());
  EXPECT_EQ(d2.events, (std::vector<int>{kEventEpoch}));
}

TEST(Dispatch, UncheckedRowsConsumeAnyBodyWithoutAWord) {
  Bytes stream = EpochOf(1000, {3});
  Append(stream, Damaged(Message("C1", Body().U4(1).U4(2)), 9));
  Append(stream, ReceiverTime(2000));
  Decoded d = Decode(stream);
  EXPECT_TRUE(d.messages.empty());
  EXPECT_EQ(d.events, (std::vector<int>{kEventEpoch}));
}

TEST(Dispatch, ARepeatedIdentifierEndsTheEpochsIntakeAndTheFirstCopyWins) {
  // Two L1 phase messages of different identifiers belong to one epoch.
  Bytes pair = EpochOf(1000, {3});
  Append(pair, Message("cp", Body().I4(5)));
  Append(pair, Message("1p", Body().I4(6)));
  Decoded d = Decode(pair);
  EXPECT_EQ(d.state->EpochMessageCounts[kCountL1Phase], 2);
  EXPECT_TRUE(d.messages.empty());

  // A second [cp] closes the intake: it and the epoch's messages after it are
  // skipped up to the next receiver time, but an ephemeris is still handled.
  // One text, with the epoch's time of week (the day of 2014-08-29 is Friday).
  Bytes twice = ReceiverTime(1000);
  Append(twice, ReceiverDate(2014, 8, 29));
  Append(twice, SatIndices({3}));
  Append(twice, CaRanges({0.07}));
  Append(twice, Message("cp", Body().I4(5)));
  Append(twice, Message("cp", Body().I4(6)));
  Append(twice, Message("2p", Body().I4(7)));
  Append(twice, Message("SI", Body().U1(9).U1(10)));
  Append(twice, Message("GE", Body().U1(5).Zeros(121)));
  d = Decode(twice);
  EXPECT_EQ(d.state->CaPhase.values[0], 5.0);
  EXPECT_EQ(d.state->EpochMessageCounts[kCountL1Phase], 1);
  EXPECT_EQ(d.state->EpochMessageCounts[kCountL2Phase], 0);
  EXPECT_EQ(d.state->SatCount, 1);
  EXPECT_EQ(d.events, (std::vector<int>{kEventGpsEphemeris}));
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_TRUE(d.Has("Message cp out of place: epoch skipped to the next receiver time",
                    5 * 86400.0 + 1.0));

  // The next receiver time hands over the epoch and opens the next intake.
  Append(twice, EpochOf(2000, {4}));
  Append(twice, Message("cp", Body().I4(8)));
  d = Decode(twice);
  EXPECT_EQ(d.events, (std::vector<int>{kEventGpsEphemeris, kEventEpoch}));
  EXPECT_EQ(d.state->SatIndices[0], 4);
  EXPECT_EQ(d.state->CaPhase.values[0], 8.0);
  EXPECT_EQ(d.messages.size(), 1u);
}

TEST(Dispatch, ASatelliteListAfterTheMessagesItIndexesEndsTheIntake) {
  // The list of the next epoch, whose receiver time was lost, must not
  // re-index this epoch's measurements.
  Bytes stream = EpochOf(1000, {3, 4});
  Append(stream, SatIndices({5}));
  Append(stream, CaPhases({1.0}));
  Decoded d = Decode(stream);
  EXPECT_EQ(d.state->SatCount, 2);
  EXPECT_EQ(d.state->SatIndices[0], 3);
  EXPECT_EQ(d.state->EpochMessageCounts[kCountL1Phase], 0);
  EXPECT_TRUE(d.Has("Message SI out of place: epoch skipped to the next receiver time", 1.0));
}

TEST(Dispatch, OnlyAWholeReceiverTimeEndsAnEpoch) {
  // A damaged receiver time may be a cut one whose "checksum" is the next
  // message's first byte: it cannot tell that the epoch before it is whole,
  // so it hands over nothing and that epoch is discarded with it.
  Bytes stream = EpochOf(1000, {3});
  Append(stream, Damaged(ReceiverTime(2000), 9));   // wrong checksum byte
  Append(stream, EpochOf(3000, {3}));
  Append(stream, EpochEnd());
  Decoded d = Decode(stream);
  EXPECT_EQ(d.events, (std::vector<int>{kEventDiscarded, kEventEpoch}));
  EXPECT_TRUE(d.Has("Checksum on 5", 1.0));

  // A "~~" candidate of another length is no receiver time either.
  Bytes shorter = EpochOf(1000, {3});
  Append(shorter, MessageWithLengthText("~~", "003", Body().U1(7).U1(7)));
  Append(shorter, EpochEnd());
  Decoded d2 = Decode(shorter);
  EXPECT_EQ(d2.events, (std::vector<int>{kEventDiscarded}));
}
