// Whole conversions: the three files, their paths, progress, counts and failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "plugin/conversion_api.h"
#include "context/continuity.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;
using jpstest::HostRun;
using jpstest::HostSetup;

namespace {

const char* kEmptyEpp = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\nGpsIon { Utc: 0\r\n}\r\n";

Bytes Epochs(int count) {
  Bytes stream = ReceiverDate(2014, 8, 29);
  for (int e = 0; e < count; ++e) {
    Append(stream, ReceiverTime(1000u * static_cast<uint32_t>(e + 1)));
    Append(stream, SatIndices({3, 7}));
    Append(stream, CaRanges({0.07, 0.071}));
    Append(stream, CaPhases({1e7, 2e7}));
  }
  return stream;
}

}  // namespace

TEST(ConversionDriver, EmptyInputGivesTheThreeOpeningFiles) {
  HostRun run = jpstest::ConvertBytes({});
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.kel.size(), 202u);
  EXPECT_EQ(run.epp, kEmptyEpp);
  EXPECT_EQ(run.sta, "Mark File:\r\n");
  EXPECT_EQ(run.request.EpochsWritten, 0);
  EXPECT_EQ(run.request.EphemeridesWritten, 0);
  EXPECT_EQ(run.request.StationMarksWritten, 0);
  EXPECT_EQ(run.request.EventMarksWritten, 0);
  // Without a single message the host is told why nothing came out.
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].text, "No GREIS message or rM record found: not a JPS file");
  EXPECT_EQ(run.messages[0].time, -1.0);

  // One whole message is enough to tell a JPS file, even among other bytes;
  // a damaged one is not.
  Bytes one = {'a', 'b', 'c'};
  Append(one, Message("SS", Body().U1(1)));
  EXPECT_TRUE(jpstest::ConvertBytes(one).messages.empty());
  Bytes damaged = Damaged(Message("SS", Body().U1(1)), 5);
  EXPECT_EQ(jpstest::ConvertBytes(damaged).CountMessages(
                "No GREIS message or rM record found: not a JPS file"), 1);
}

TEST(ConversionDriver, EpochsAreCountedAndTheLastEpochIsWrittenWhenWhole) {
  // Five epochs; the last one has no [~~] or [||] after it, and holds what
  // the others held.
  HostRun run = jpstest::ConvertBytes(Epochs(5));
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 5);
  // A few hundred bytes: the one progress call is the last, at the end.
  int32_t length = static_cast<int32_t>(Epochs(5).size());
  EXPECT_EQ(run.progress, (std::vector<std::pair<int32_t, int32_t>>{{length, length}}));

  // Closed by an epoch end as a receiver can be set to send: the same.
  Bytes ended = Epochs(5);
  Append(ended, EpochEnd());
  EXPECT_EQ(jpstest::ConvertBytes(ended).request.EpochsWritten, 5);
  // The next receiver time cut off: the epoch before it is whole.
  Bytes nextCut = Epochs(5);
  Bytes time = ReceiverTime(6000);
  nextCut.insert(nextCut.end(), time.begin(), time.begin() + 7);
  HostRun next = jpstest::ConvertBytes(nextCut);
  EXPECT_EQ(next.request.EpochsWritten, 5);
  EXPECT_TRUE(next.HasMessage("Message ~~ cut off by the end of the input at byte " +
                              std::to_string(Epochs(5).size())));
}

TEST(ConversionDriver, AnIncompleteLastEpochIsLeftOutWithOneText) {
  // Cut inside its phases: the end of the input took part of a message.
  Bytes cut = Epochs(5);
  size_t phases = cut.size() - CaPhases({1e7, 2e7}).size();
  cut.resize(cut.size() - 3);
  HostRun run = jpstest::ConvertBytes(cut);
  EXPECT_EQ(run.request.EpochsWritten, 4);
  EXPECT_TRUE(run.HasMessage("Message PC cut off by the end of the input at byte " +
                             std::to_string(phases)));
  EXPECT_EQ(run.CountMessages("The epoch at the end of the input is incomplete: not written"), 1);
  // Without the phases every earlier epoch held: left out, told with its time tag.
  Bytes lacking = Epochs(4);
  Append(lacking, ReceiverTime(5000));
  Append(lacking, SatIndices({3, 7}));
  Append(lacking, CaRanges({0.07, 0.071}));
  HostRun short_ = jpstest::ConvertBytes(lacking);
  EXPECT_EQ(short_.request.EpochsWritten, 4);
  ASSERT_EQ(short_.CountMessages("The epoch at the end of the input is incomplete: not written"), 1);
  for (const auto& m : short_.messages) {
    if (m.text.find("incomplete") != std::string::npos) {
      EXPECT_EQ(m.time, 5.0 * 86400 + 5.0);
    }
  }
}

TEST(ConversionDriver, ProgressOncePer64KiBAndTheSameFilesWithoutIt) {
  // About 2.5 MB of epochs, with bytes between them that the hunt steps over.
  Bytes stream = ReceiverDate(2014, 8, 29);
  for (uint32_t e = 0; e < 40000; ++e) {
    Append(stream, ReceiverTime(1000 * (e % 86400)));
    Append(stream, SatIndices({3, 7}));
    Append(stream, CaRanges({0.07, 0.071}));
    Append(stream, CaPhases({1e7, 2e7}));
    if (e % 7 == 0) stream.insert(stream.end(), 11, 'x');
  }
  HostRun run = jpstest::ConvertFresh(stream);
  jps::ResetProcessStateForTesting();
  HostRun watched = jpstest::ConvertBytes(stream);
  ASSERT_EQ(watched.result, 0);
  EXPECT_EQ(watched.request.EpochsWritten, 40000);
  EXPECT_TRUE(jpstest::KelBody(watched.kel) == jpstest::KelBody(run.kel));
  EXPECT_EQ(watched.epp, run.epp);
  EXPECT_EQ(watched.sta, run.sta);
  // One call per 64 KiB boundary crossed and the last: positions rise, each
  // past its own boundary, and the last is the length.
  int32_t length = static_cast<int32_t>(stream.size());
  int32_t boundaries = length / 65536;
  ASSERT_GT(boundaries, 30);
  EXPECT_EQ(static_cast<int32_t>(watched.progress.size()), boundaries + 1);
  int32_t last = 0;
  for (size_t i = 0; i < watched.progress.size(); ++i) {
    EXPECT_EQ(watched.progress[i].second, length);
    EXPECT_GT(watched.progress[i].first, last);
    if (i + 1 < watched.progress.size()) {
      EXPECT_GE(watched.progress[i].first / 65536, last / 65536 + 1);
    }
    last = watched.progress[i].first;
  }
  EXPECT_EQ(last, length);
}

TEST(ConversionDriver, ASecondCopyOfAMessageIsSkippedWithOneText) {
  // The copy carries other values: the epoch is written with the first ones.
  Bytes stream = Epochs(1);
  Append(stream, CaRanges({0.05, 0.051}));
  Append(stream, CaPhases({1, 2}));
  Append(stream, ReceiverTime(9000));
  HostRun run = jpstest::ConvertFresh(stream);
  EXPECT_EQ(run.request.EpochsWritten, 1);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].text, "Message RC out of place: epoch skipped to the next receiver time");
  EXPECT_EQ(run.messages[0].time, 5 * 86400.0 + 1.0);   // 2014-08-29 was a Friday
  Bytes expected = Epochs(1);
  Append(expected, ReceiverTime(9000));
  EXPECT_EQ(jpstest::KelBody(run.kel), jpstest::KelBody(jpstest::ConvertFresh(expected).kel));
}

TEST(ConversionDriver, ARefusedEpochIsToldOnceWithItsTimeTag) {
  // Without a receiver date no epoch can be placed in the week: each of the
  // five epochs (the last closed by the end of the input) is refused, and the
  // host hears it once, at its time of day.
  Bytes stream;
  for (uint32_t e = 1; e <= 5; ++e) {
    Append(stream, ReceiverTime(1000 * e));
    Append(stream, SatIndices({3}));
    Append(stream, CaRanges({0.07}));
    Append(stream, CaPhases({1e7}));
  }
  HostRun run = jpstest::ConvertFresh(stream);
  EXPECT_EQ(run.request.EpochsWritten, 0);
  ASSERT_EQ(run.messages.size(), 5u);
  for (size_t k = 0; k < run.messages.size(); ++k) {
    EXPECT_EQ(run.messages[k].text, "WARNING: No Date Record - Day of Week not known");
    EXPECT_EQ(run.messages[k].time, 1.0 + static_cast<double>(k));
  }
}

TEST(ConversionDriver, SkipGreisEpochsWritesNone) {
  Bytes stream = Epochs(3);
  Append(stream, EpochEnd());
  HostSetup setup;
  setup.options = [](jps::ConversionOptions& o) { o.SkipGreisEpochs = 1; };
  HostRun run = jpstest::ConvertBytes(stream, setup);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 0);
  EXPECT_EQ(run.kel.size(), 202u);
}

TEST(ConversionDriver, OutputFilesSitBesideTheKelFileWhateverItsExtension) {
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/in.jps", Epochs(2));
  std::filesystem::create_directories(dir + "/data.d");
  HostRun run = jpstest::RunHost(dir + "/in.jps", dir + "/data.d/run1.obs");
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/data.d/run1.obs"));
  EXPECT_EQ(jpstest::ReadFile(dir + "/data.d/run1.epp"), kEmptyEpp);
  EXPECT_EQ(jpstest::ReadFile(dir + "/data.d/run1.STA"), "Mark File:\r\n");
}

TEST(ConversionDriver, MissingInputFailsWithItsReasonAndLeavesNoFile) {
  std::string dir = jpstest::TempDir();
  HostRun run = jpstest::RunHost(dir + "/absent.jps", dir + "/out.kel");
  EXPECT_EQ(run.result, -1);
  EXPECT_TRUE(run.HasMessage("Could not open JPS file " + dir + "/absent.jps "));
  EXPECT_TRUE(run.HasMessage(dir + "/absent.jps: No such file or directory"));
  EXPECT_TRUE(std::filesystem::is_empty(dir));

  HostRun folder = jpstest::RunHost(dir, dir + "/out2.kel");
  EXPECT_EQ(folder.result, -1);
  EXPECT_TRUE(folder.HasMessage("Could not open JPS file " + dir + " "));
  EXPECT_TRUE(folder.HasMessage(dir + ": Is a directory"));
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(ConversionDriver, UnwritableOutputsAreFailuresWithTheirReason) {
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/in.jps", Epochs(3));
  HostRun missing = jpstest::RunHost(dir + "/in.jps", dir + "/no/such/folder/out.kel");
  EXPECT_EQ(missing.result, -1);
  EXPECT_TRUE(missing.HasMessage("ERROR: Could Not Open " + dir + "/no/such/folder/out.kel\n"));
  EXPECT_TRUE(
      missing.HasMessage(dir + "/no/such/folder/out.kel: No such file or directory"));
}

TEST(ConversionDriver, LongOutputPathsAreHandled) {
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/in.jps", Epochs(2));
  std::string name = dir + "/" + std::string(250 - dir.size(), 'p') + ".kel";
  ASSERT_EQ(name.size(), 255u);
  HostRun run = jpstest::RunHost(dir + "/in.jps", name);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 2);
  EXPECT_EQ(run.epp, kEmptyEpp);
}

TEST(ConversionDriver, EpochEndAsTheLastMessageIsStillHandled) {
  Bytes stream = Epochs(2);
  Append(stream, EpochEnd());
  HostRun run = jpstest::ConvertFresh(stream);   // no Doppler history from other tests
  EXPECT_EQ(run.request.EpochsWritten, 2);
  // Without [DC] the first epoch drops its satellites (no earlier code to
  // derive a Doppler from); the second carries both.
  EXPECT_EQ(run.kel.size(), 202u + 68u + 68u + 2u * 44u);
}
