// Fixed records: exact lengths, longer bodies of newer firmware, short bodies.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "plugin/conversion_api.h"
#include "greis/dispatch.h"
#include "greis/framing.h"
#include "greis/message_parsers.h"
#include "support/little_endian.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

namespace {

int Parse(DecoderState& s, const Bytes& message) {
  return ParseFixedRecord(s, message.data(), static_cast<int>(message.size()) - kFrameHeaderSize);
}

// A body of n bytes 1, 2, 3, ... (checksum not included).
Body Counting(size_t n) {
  Body b;
  for (size_t i = 0; i < n; ++i) b.U1(static_cast<uint32_t>(i + 1));
  return b;
}

}  // namespace

TEST(FixedRecords, ExactLengthRecordsRefuseAnyOtherLength) {
  auto s = std::make_unique<DecoderState>();
  Bytes utc = Message("UO", Body().F8(1e-9).F4(0).U4(61440).U2(1811).I1(17).U1(7).U2(1851).I1(17));
  ASSERT_EQ(utc.size(), 5u + 24u);
  ASSERT_EQ(Parse(*s, utc), 0);
  EXPECT_EQ(LeapSeconds(*s), 17);
  EXPECT_EQ(std::memcmp(s->GpsUtcRecord, utc.data() + 5, 24), 0);  // checksum byte kept

  auto t = std::make_unique<DecoderState>();
  EXPECT_EQ(Parse(*t, Message("UO", Counting(22))), -1);  // L 23, good checksum
  EXPECT_EQ(Parse(*t, Message("PO", Counting(30))), -1);  // L 31
  EXPECT_EQ(Parse(*t, Message("NP", Counting(3))), -1);   // L 4
  EXPECT_EQ(t->GpsUtcRecord[0], 0);
  EXPECT_EQ(t->CartesianPosition[0], 0);

  EXPECT_EQ(Parse(*t, Message("VE", Counting(17))), 0);
  EXPECT_EQ(t->CartesianVelocity[16], 17);
  EXPECT_EQ(Parse(*t, Damaged(Message("NP", Counting(4)), 9)), -1);
  EXPECT_EQ(t->NpRecord[0], 0);
}

TEST(FixedRecords, LongerBodiesKeepTheirFirstBytesShorterOnesAreRefused) {
  auto s = std::make_unique<DecoderState>();
  // Clock offset and a smoothed offset, as newer receivers send them.
  Bytes offset = Message("TO", Body().F8(-1.25e-4).F8(-1.5e-4));
  ASSERT_EQ(offset.size(), 5u + 17u);
  ASSERT_EQ(Parse(*s, offset), 0);
  EXPECT_EQ(LoadF64(s->ClockOffset), -1.25e-4);
  EXPECT_EQ(std::memcmp(s->ClockOffset, offset.data() + 5, sizeof s->ClockOffset), 0);

  EXPECT_EQ(Parse(*s, Message("PV", Counting(44))), -1);  // L 45 for a 46-byte record
  EXPECT_EQ(s->PositionVelocity[0], 0);
  EXPECT_EQ(Parse(*s, Message("GE", Counting(121))), -1);
  EXPECT_EQ(Parse(*s, Message("NE", Counting(78))), -1);
  EXPECT_EQ(Parse(*s, Message("GA", Counting(46))), 0);  // L 47
  EXPECT_EQ(s->GpsAlmanacRecord[45], 46);
  EXPECT_EQ(Parse(*s, Damaged(Message("DO", Counting(8)), 6)), -1);
  EXPECT_EQ(s->ClockDrift[0], 0);

  // [CC] is only checked.
  EXPECT_EQ(Parse(*s, Message("CC", Counting(20))), 0);
  EXPECT_EQ(Parse(*s, Damaged(Message("CC", Counting(20)), 5)), -1);
}

// The whole road: dispatch limits and the parsers, inside a conversion.
TEST(FixedRecords, NewerFirmwareClockRecordsAreStoredInAConversion) {
  Bytes in = ReceiverTime(1000);
  Append(in, Message("TO", Body().F8(2.5e-4).F8(2.4e-4)));  // 17 bytes
  Append(in, Message("DO", Body().F4(-3.5e-9f).F4(-3.4e-9f)));  // 9 bytes
  Append(in, Message("NA", Counting(46)));                      // 47 bytes
  jpstest::HostRun run = jpstest::ConvertBytes(in);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.messages.empty()) << run.messages[0].text;
  const DecoderState& state = PluginDecoderStateForTesting();
  EXPECT_EQ(LoadF64(state.ClockOffset), 2.5e-4);
  EXPECT_EQ(LoadF32(state.ClockDrift), -3.5e-9f);
  EXPECT_EQ(state.GlnAlmanacRecord[45], 46);
}
