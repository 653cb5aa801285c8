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
#include "tools/builder/message_scan.h"
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

// An epoch group without what it carries over from the epochs before it: the
// lock counts of its measurements (a lost epoch may have held a restart) and
// the kinematic flag (a lost epoch may have held a mode change typed in the
// field, which then takes effect one epoch later).
std::string WithoutCarriedState(std::string epoch) {
  constexpr size_t kEpochRecordSize = 68, kMeasurementRecordSize = 44;
  constexpr size_t kFlagsOffset = 3, kLockCountOffset = 3;
  constexpr uint8_t kKinematicFlag = 2;
  epoch[kFlagsOffset] = static_cast<char>(epoch[kFlagsOffset] & ~kKinematicFlag);
  for (size_t at = kEpochRecordSize; at + kMeasurementRecordSize <= epoch.size();
       at += kMeasurementRecordSize) {
    epoch[at + kLockCountOffset] = 0;
  }
  return epoch;
}

// True when every epoch of part is, in order, one of whole's epochs (what
// they carry over aside).
bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  size_t j = 0;
  for (const auto& epoch : part) {
    std::string bare = WithoutCarriedState(epoch);
    while (j < whole.size() && WithoutCarriedState(whole[j]) != bare) ++j;
    if (j == whole.size()) return false;
    ++j;
  }
  return true;
}

// The messages of a stream as the framing finds them, checksums checked.
std::vector<Bytes> MessagesOf(const Bytes& stream) {
  std::vector<Bytes> messages;
  ForEachMessage(stream.data(), stream.size(), [&](size_t at, size_t size) {
    auto from = stream.begin() + static_cast<std::ptrdiff_t>(at);
    messages.emplace_back(from, from + static_cast<std::ptrdiff_t>(size));
  });
  return messages;
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
  size_t lost = 0;
  for (const auto& sample : jpstest::SampleStreams()) {
    SCOPED_TRACE(sample.name);
    HostRun clean = jpstest::ConvertFresh(sample.bytes);
    std::vector<std::string> cleanEpochs = Epochs(clean);
    std::vector<size_t> boundaries = MessageBoundaries(sample.bytes);
    std::vector<Bytes> cleanMessages = MessagesOf(sample.bytes);
    // Three kinds of noise: any bytes; identifier characters and hexadecimal
    // digits, which make headers; and the start of one of the stream's own
    // messages, cut off, as a receiver that lost bytes would leave it.
    auto noise = [&](std::mt19937& r) {
      Bytes bytes(std::uniform_int_distribution<size_t>(1, kMaxInsertion)(r));
      switch (r() % 3) {
        case 0:
          for (auto& b : bytes) b = static_cast<uint8_t>(r());
          break;
        case 1: {
          const std::string letters = "~SRPGNUEACD=TrIcp12|FBXVMO0123456789ABCDEF";
          for (auto& b : bytes) b = static_cast<uint8_t>(letters[r() % letters.size()]);
          break;
        }
        default: {
          size_t m = std::uniform_int_distribution<size_t>(0, boundaries.size() - 2)(r);
          size_t size = boundaries[m + 1] - boundaries[m];
          auto from = sample.bytes.begin() + static_cast<std::ptrdiff_t>(boundaries[m]);
          bytes.assign(from, from + static_cast<std::ptrdiff_t>(r() % size));
        }
      }
      return bytes;
    };
    for (size_t round = 0, draws = 0; round < kInsertionRounds && draws < 4 * kInsertionRounds;
         ++draws) {
      std::vector<size_t> at;
      std::sample(boundaries.begin(), boundaries.end(), std::back_inserter(at),
                  kInsertionsPerRound, random);
      Bytes noisy = InsertAt(sample.bytes, at, random, noise);
      // An 8-bit checksum passes one damaged message in 256: noise that
      // happens to make a message of its own is drawn again.
      if (MessagesOf(noisy) != cleanMessages) continue;
      HostRun run = jpstest::ConvertFresh(noisy);
      ASSERT_EQ(run.result, 0);
      std::vector<std::string> epochs = Epochs(run);
      EXPECT_TRUE(IsSubsequence(epochs, cleanEpochs)) << "round " << round;
      EXPECT_GE(epochs.size() + at.size(), cleanEpochs.size()) << "round " << round;
      lost += cleanEpochs.size() - std::min(cleanEpochs.size(), epochs.size());
      ++round;
    }
  }
  // The noise did cost GREIS epochs (an rM record is an epoch of its own and
  // is found again behind any noise): the checks above were put to the test.
  EXPECT_GT(lost, 0u);
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

// A message cut off in the middle of an epoch: the one whose place it takes
// (a message of that epoch here) lies after it.
namespace {

// Messages of BuiltSessionMessages: 2 before the epochs, 5 per epoch.
constexpr size_t kFirstEpochMessage = 2;
constexpr size_t kMessagesPerEpoch = 5;

Bytes CutOff(const Bytes& message, size_t keep) { return Bytes(message.begin(), message.begin() + keep); }

Bytes WithInserted(std::vector<Bytes> messages, size_t before, const Bytes& piece) {
  messages.insert(messages.begin() + static_cast<std::ptrdiff_t>(before), piece);
  return jpstest::Joined(messages);
}

}  // namespace

TEST(DamagedInput, CutReceiverTimeCostsItsEpochAndEndsNothing) {
  // A receiver time without its checksum byte, between the [RC] and the [PC]
  // of the third epoch: the first byte of the [PC] completes it, wrongly.
  std::vector<Bytes> messages = jpstest::BuiltSessionMessages(5);
  size_t pc = kFirstEpochMessage + 2 * kMessagesPerEpoch + 3;
  Bytes cut = CutOff(ReceiverTime(36002500), 9);
  Bytes completed = cut;
  completed.push_back(messages[pc][0]);
  ASSERT_NE(jps::GreisChecksum(completed.data(), 5), 0);

  HostRun clean = jpstest::ConvertFresh(jpstest::Joined(messages));
  HostRun run = jpstest::ConvertFresh(WithInserted(messages, pc, cut));
  ASSERT_EQ(run.result, 0);
  std::vector<std::string> cleanEpochs = Epochs(clean);
  std::vector<std::string> epochs = Epochs(run);
  ASSERT_EQ(cleanEpochs.size(), 5u);
  // The third epoch is lost; it is not handed over early, without its [PC].
  ASSERT_EQ(epochs.size(), 4u);
  EXPECT_TRUE(epochs[0] == cleanEpochs[0] && epochs[1] == cleanEpochs[1]);
  EXPECT_TRUE(epochs[2] == cleanEpochs[3] && epochs[3] == cleanEpochs[4]);
  EXPECT_FALSE(run.HasMessage("WRITE ERROR: Data Flag(s) are == 0 "));
  EXPECT_TRUE(run.HasMessage("Checksum on 5"));
}

TEST(DamagedInput, CutSkippedMessageTakesNothingAfterIt) {
  // The start of an [E1] (skipped unchecked when whole, 25 bytes of body)
  // before the [PC] of the second epoch: it must not swallow the [PC].
  std::vector<Bytes> messages = jpstest::BuiltSessionMessages(4);
  size_t pc = kFirstEpochMessage + kMessagesPerEpoch + 3;
  Bytes e1 = Message("E1", Body().Zeros(24));
  HostRun clean = jpstest::ConvertFresh(jpstest::Joined(messages));
  HostRun run = jpstest::ConvertFresh(WithInserted(messages, pc, CutOff(e1, 12)));
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(jpstest::KelBody(run.kel) == jpstest::KelBody(clean.kel));
  EXPECT_EQ(run.messages.size(), clean.messages.size());
  // A whole one is skipped as before.
  run = jpstest::ConvertFresh(WithInserted(messages, pc, e1));
  EXPECT_TRUE(jpstest::KelBody(run.kel) == jpstest::KelBody(clean.kel));
}

TEST(DamagedInput, CutEpochEndTakesNothingAfterIt) {
  // "||" and its length without the checksum byte, before the [~~] of the
  // third epoch: the "~" must stay the start of that message.
  std::vector<Bytes> messages = jpstest::BuiltSessionMessages(4);
  size_t time = kFirstEpochMessage + 2 * kMessagesPerEpoch;
  HostRun clean = jpstest::ConvertFresh(jpstest::Joined(messages));
  HostRun run = jpstest::ConvertFresh(WithInserted(messages, time, CutOff(EpochEnd(), 5)));
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(jpstest::KelBody(run.kel) == jpstest::KelBody(clean.kel));
  EXPECT_EQ(run.request.EpochsWritten, 4);
}
