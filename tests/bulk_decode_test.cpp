// Decoding for a host that does not watch progress: the events, the stream
// position, the byte count and the texts are those of DecodeNext called step
// by step, on clean streams and on streams full of bad candidates.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "greis/bulk_decode.h"
#include "greis/framing.h"
#include "greis/jps_input.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/sample_streams.h"
#include "tests/builder/test_decoder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

namespace {



struct Step {
  int event;
  int64_t bytesRead;
  int64_t position;
  size_t textCount;
  bool operator==(const Step& o) const {
    return event == o.event && bytesRead == o.bytesRead && position == o.position &&
           textCount == o.textCount;
  }
};

struct Decoding {
  std::vector<Step> steps;
  std::vector<std::string> texts;
};

// Decodes the file to its end and notes every event other than 0.
Decoding Decode(const std::string& path, bool inBulk) {
  jpstest::TestDecoder decoder;
  DecoderState* s = &decoder.state;
  Decoding d;
  JpsInput input;
  EXPECT_TRUE(input.Open(path.c_str()));
  s->JpsStream = &input;
  for (;;) {
    DecoderEvent e = inBulk ? DecodeUntilEvent(s) : DecodeNext(s);
    if (e == kEventEpoch) ClearEpochCounters(s);  // as the driver does
    if (e != kEventNone) {
      d.steps.push_back({e, s->Framing.BytesRead, input.Position(), decoder.messages.size()});
    }
    if (e == kEventEnd) break;
  }
  s->JpsStream = nullptr;
  for (const auto& m : decoder.messages) d.texts.push_back(std::to_string(m.time) + " " + m.text);
  return d;
}

void ExpectSameDecoding(const Bytes& stream) {
  std::string path = jpstest::TempDir() + "/stream.jps";
  jpstest::WriteFile(path, stream);
  Decoding single = Decode(path, false);
  Decoding bulk = Decode(path, true);
  ASSERT_EQ(single.steps.size(), bulk.steps.size());
  for (size_t i = 0; i < single.steps.size(); ++i) {
    ASSERT_TRUE(single.steps[i] == bulk.steps[i]) << "event " << i;
  }
  EXPECT_EQ(single.texts, bulk.texts);
}

Bytes EpochOf(uint32_t ms) {
  Bytes b = ReceiverTime(ms);
  Append(b, SatIndices({3, 9}));
  Append(b, CaRanges({0.07, 0.071}));
  return b;
}

}  // namespace

TEST(BulkDecode, SameEventsPositionsAndTextsAsSingleSteps) {
  // Bytes that start no identifier, first characters that the next byte does
  // not complete, rejected headers, an over-limit [FC] with its text, damaged
  // messages, a cut message at the end; enough of it to cross reading chunks.
  Bytes stream;
  std::mt19937 random(5);
  for (uint32_t i = 0; i < 3000; ++i) {
    Append(stream, Bytes{0x00, 'Z', 0xFF, 'R', 'q', 'X', '~', 0x80, 'R', 'C', '0', 'G', '1'});
    Append(stream, EpochOf(1000u * i));
    if (i % 5 == 0) Append(stream, Damaged(CaRanges({0.07, 0.071}), 7));
    if (i % 11 == 0) Append(stream, MessageWithLengthText("FC", "090", Body().Zeros(143)));
    if (i % 13 == 0) {
      for (int k = 0; k < 40; ++k) stream.push_back(static_cast<uint8_t>(random()));
    }
  }
  Bytes tail = ReceiverTime(5);
  tail.resize(7);
  Append(stream, tail);
  ExpectSameDecoding(stream);
}

TEST(BulkDecode, SameDecodingOfEverySampleStream) {
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    ExpectSameDecoding(sample.bytes);
  }
}
