// Streams with bytes added or damaged: bytes that cannot start a message
// identifier change nothing; arbitrary bytes between two messages cost at
// most the epoch they land in and never produce an epoch of their own; one
// damaged byte anywhere never stops the conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "greis/framing.h"
#include "tests/builder/message_scan.h"
#include "tests/builder/sample_streams.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;
using jpstest::HostRun;

namespace {

constexpr size_t kInsertionRounds = 8;      // conversions with random insertions per stream
constexpr size_t kInsertionsPerRound = 12;
constexpr size_t kMaxInsertion = 64;        // bytes inserted at one boundary
constexpr size_t kCorruptions = 120;        // single damaged bytes per stream
constexpr size_t kCorruptedSpan = 60000;    // bytes of each stream that are damaged

std::vector<std::string> Epochs(const HostRun& run) {
  bool torn = false;
  std::vector<std::string> epochs = jpstest::KelEpochs(jpstest::KelBody(run.kel), &torn);
  EXPECT_FALSE(torn);
  return epochs;
}

// Inserts fill(random) at the boundaries picked (sorted offsets).
template <typename Fill>
Bytes InsertAt(const Bytes& stream, const std::vector<size_t>& at, std::mt19937& random, Fill fill) {
  Bytes out;
  size_t from = 0;
  for (size_t offset : at) {
    out.insert(out.end(), stream.begin() + static_cast<std::ptrdiff_t>(from),
               stream.begin() + static_cast<std::ptrdiff_t>(offset));
    Append(out, fill(random));
    from = offset;
  }
  out.insert(out.end(), stream.begin() + static_cast<std::ptrdiff_t>(from), stream.end());
  return out;
}

// True when every epoch of part is, in order, one of whole's epochs.
bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  size_t j = 0;
  for (const auto& epoch : part) {
    while (j < whole.size() && whole[j] != epoch) ++j;
    if (j == whole.size()) return false;
    ++j;
  }
  return true;
}

std::vector<std::string> Texts(const HostRun& run) {
  std::vector<std::string> texts;
  for (const auto& m : run.messages) texts.push_back(std::to_string(m.time) + " " + m.text);
  return texts;
}

}  // namespace

TEST(DamagedInput, BytesThatCannotStartAnIdentifierChangeNothing) {
  std::vector<uint8_t> filler;
  for (int c = 0; c < 256; ++c) {
    if (!jps::IsFirstIdChar(static_cast<uint8_t>(c))) filler.push_back(static_cast<uint8_t>(c));
  }
  std::mt19937 random(99);
  auto garbage = [&](std::mt19937& r) {
    Bytes bytes(std::uniform_int_distribution<size_t>(0, 12)(r));
    for (auto& b : bytes) b = filler[std::uniform_int_distribution<size_t>(0, filler.size() - 1)(r)];
    return bytes;
  };
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    HostRun clean = jpstest::ConvertFresh(sample.bytes);
    // Filler at every boundary, the start and the end of the stream included.
    Bytes padded = InsertAt(sample.bytes, MessageBoundaries(sample.bytes), random, garbage);
    padded.insert(padded.begin(), filler.begin(), filler.begin() + 20);
    ASSERT_GT(padded.size(), sample.bytes.size());
    HostRun run = jpstest::ConvertFresh(padded);
    EXPECT_EQ(run.result, clean.result);
    EXPECT_TRUE(jpstest::KelBody(run.kel) == jpstest::KelBody(clean.kel));
    EXPECT_EQ(run.epp, clean.epp);
    EXPECT_EQ(run.sta, clean.sta);
    EXPECT_EQ(Texts(run), Texts(clean));
    EXPECT_EQ(run.request.EpochsWritten, clean.request.EpochsWritten);
    EXPECT_EQ(run.request.EphemeridesWritten, clean.request.EphemeridesWritten);
    EXPECT_EQ(run.request.StationMarksWritten, clean.request.StationMarksWritten);
    EXPECT_EQ(run.request.EventMarksWritten, clean.request.EventMarksWritten);
  }
}

TEST(DamagedInput, RandomBytesBetweenMessagesLoseAtMostTheEpochTheyLandIn) {
  std::mt19937 random(7);
  auto noise = [](std::mt19937& r) {
    Bytes bytes(std::uniform_int_distribution<size_t>(1, kMaxInsertion)(r));
    for (auto& b : bytes) b = static_cast<uint8_t>(r());
    return bytes;
  };
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    HostRun clean = jpstest::ConvertFresh(sample.bytes);
    std::vector<std::string> cleanEpochs = Epochs(clean);
    std::vector<size_t> boundaries = MessageBoundaries(sample.bytes);
    for (size_t round = 0; round < kInsertionRounds; ++round) {
      std::vector<size_t> at;
      std::sample(boundaries.begin(), boundaries.end(), std::back_inserter(at),
                  kInsertionsPerRound, random);
      Bytes noisy = InsertAt(sample.bytes, at, random, noise);
      HostRun run = jpstest::ConvertFresh(noisy);
      ASSERT_EQ(run.result, 0);
      std::vector<std::string> epochs = Epochs(run);
      EXPECT_TRUE(IsSubsequence(epochs, cleanEpochs)) << "round " << round;
      EXPECT_GE(epochs.size() + at.size(), cleanEpochs.size()) << "round " << round;
    }
  }
}

TEST(DamagedInput, OneDamagedByteAnywhereEndsNormally) {
  std::mt19937 random(31);
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    size_t span = std::min(sample.bytes.size(), kCorruptedSpan);
    Bytes piece(sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(span));
    HostRun clean = jpstest::ConvertFresh(piece);
    ASSERT_EQ(clean.result, 0);
    // Every byte of the first messages, then bytes anywhere.
    std::vector<size_t> positions;
    for (size_t i = 0; i < 200 && i < span; ++i) positions.push_back(i);
    for (size_t i = 0; i < kCorruptions; ++i) {
      positions.push_back(std::uniform_int_distribution<size_t>(0, span - 1)(random));
    }
    for (size_t at : positions) {
      Bytes damaged = piece;
      damaged[at] ^= static_cast<uint8_t>(std::uniform_int_distribution<int>(1, 255)(random));
      HostRun run = jpstest::ConvertFresh(damaged);
      ASSERT_EQ(run.result, 0) << "byte " << at;
      Epochs(run);
      ASSERT_GE(run.epp.size(), 7u);
      EXPECT_EQ(run.epp.substr(run.epp.size() - 5), "\r\n}\r\n") << "byte " << at;
      EXPECT_EQ(run.sta.substr(0, 10), "Mark File:") << "byte " << at;
    }
  }
}
