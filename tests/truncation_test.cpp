// Streams cut short, between messages and inside them: the conversion ends
// normally and writes exactly the leading epochs of the whole stream's
// conversion, byte for byte, and the leading blocks of its EPP and STA files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tools/builder/message_scan.h"
#include "tests/builder/sample_streams.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;
using jpstest::HostRun;

namespace {

constexpr size_t kBoundaryCuts = 60;   // sampled message boundaries per stream
constexpr size_t kRandomCuts = 40;     // and arbitrary bytes

// The EPP file without the GpsIon block that ends every conversion.
std::string BeforeClosingBlock(const std::string& epp) {
  return epp.substr(0, epp.rfind("GpsIon {"));
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The STA file may end with the line of a site typed but not yet saved.
bool StaIsLeadingPart(const std::string& part, const std::string& whole) {
  if (StartsWith(whole, part)) return true;
  size_t lastLine = part.rfind("\r\n", part.size() - 3);
  return lastLine != std::string::npos && StartsWith(whole, part.substr(0, lastLine + 2));
}

std::vector<size_t> SampleCuts(const Bytes& stream, uint32_t seed) {
  std::vector<size_t> boundaries = MessageBoundaries(stream);
  std::vector<size_t> cuts;
  size_t stride = std::max<size_t>(1, boundaries.size() / kBoundaryCuts);
  for (size_t i = 0; i < boundaries.size(); i += stride) cuts.push_back(boundaries[i]);
  std::mt19937 random(seed);
  std::uniform_int_distribution<size_t> anywhere(0, stream.size());
  for (size_t i = 0; i < kRandomCuts; ++i) cuts.push_back(anywhere(random));
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

uint32_t LittleEndian32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Where an epoch of the stream is complete: just after the message that
// closes it, with the latest time an epoch closed there can have.
struct Closing {
  size_t end;          // the cut just after the message
  double latest;       // seconds: of the day for GREIS, of the week for rM
  bool ofWeek;
};

// A receiver time closes the epoch before it (whose time is earlier), an
// epoch end closes its own epoch, and an rM record is an epoch of its own.
std::vector<Closing> Closings(const Bytes& stream) {
  std::vector<Closing> closings;
  double lastTime = 0;
  ForEachMessage(stream.data(), stream.size(), [&](size_t at, size_t size) {
    const uint8_t* m = stream.data() + at;
    double time = 0;
    if (m[0] == '~' && m[1] == '~') {
      time = LittleEndian32(m + 5) / 1000.0;
      closings.push_back({at + size, time - 0.0005, false});
      lastTime = time;
    } else if (m[0] == '|' && m[1] == '|') {
      closings.push_back({at + size, lastTime, false});
    } else if (m[0] == 'r' && m[1] == 'M') {
      closings.push_back({at + size, LittleEndian32(m + 5 + 4) / 1000.0, true});
    }
  });
  return closings;
}

// The epochs of the whole conversion that are complete at a closing.
size_t CompleteAt(const std::vector<std::string>& epochs, const Closing& c) {
  size_t n = 0;
  for (const std::string& e : epochs) {
    double tow;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(e[28 + i]);
    std::memcpy(&tow, &bits, sizeof tow);
    double t = c.ofWeek ? tow : std::fmod(tow, 86400.0);
    if (t <= c.latest) ++n;
  }
  return n;
}

}  // namespace

TEST(Truncation, ACutJustAfterAnEpochIsCompleteKeepsEveryEpochUpToIt) {
  // The lower bound: nothing complete before the cut may be lost.
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    std::vector<std::string> wholeEpochs =
        jpstest::KelEpochs(jpstest::KelBody(jpstest::ConvertFresh(sample.bytes).kel));
    std::vector<Closing> closings = Closings(sample.bytes);
    ASSERT_GT(closings.size(), 10u);
    size_t stride = std::max<size_t>(1, closings.size() / 25);
    for (size_t i = 0; i < closings.size(); i += stride) {
      const Closing& c = closings[i];
      SCOPED_TRACE("cut at byte " + std::to_string(c.end));
      Bytes part(sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(c.end));
      HostRun run = jpstest::ConvertFresh(part);
      EXPECT_EQ(jpstest::KelEpochs(jpstest::KelBody(run.kel)).size(), CompleteAt(wholeEpochs, c));
    }
  }
}

TEST(Truncation, CutStreamsWriteTheLeadingEpochsOfTheWholeConversion) {
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    HostRun whole = jpstest::ConvertFresh(sample.bytes);
    ASSERT_EQ(whole.result, 0);
    std::vector<std::string> wholeEpochs = jpstest::KelEpochs(jpstest::KelBody(whole.kel));
    ASSERT_GT(wholeEpochs.size(), 10u);
    std::string wholeEpp = BeforeClosingBlock(whole.epp);

    size_t previous = 0;
    for (size_t cut : SampleCuts(sample.bytes, 2024)) {
      SCOPED_TRACE("cut at byte " + std::to_string(cut));
      Bytes part(sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      HostRun run = jpstest::ConvertFresh(part);
      ASSERT_EQ(run.result, 0);
      bool torn = false;
      std::vector<std::string> epochs = jpstest::KelEpochs(jpstest::KelBody(run.kel), &torn);
      ASSERT_FALSE(torn);
      ASSERT_LE(epochs.size(), wholeEpochs.size());
      for (size_t i = 0; i < epochs.size(); ++i) {
        ASSERT_TRUE(epochs[i] == wholeEpochs[i]) << "epoch " << i << " differs";
      }
      // A longer part never holds fewer epochs.
      EXPECT_GE(epochs.size(), previous);
      previous = epochs.size();
      EXPECT_EQ(run.request.EpochsWritten, static_cast<int32_t>(epochs.size()));
      EXPECT_TRUE(StartsWith(wholeEpp, BeforeClosingBlock(run.epp)));
      EXPECT_TRUE(StaIsLeadingPart(run.sta, whole.sta));
    }
    // The whole stream, cut at its very end, is the whole conversion.
    EXPECT_LE(previous, wholeEpochs.size());
  }
}
