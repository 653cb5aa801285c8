// Streams cut short, between messages and inside them: the conversion ends
// normally and writes exactly the leading epochs of the whole stream's
// conversion, byte for byte, and the leading blocks of its EPP and STA files.
#include <gtest/gtest.h>

#include <algorithm>
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

}  // namespace

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
