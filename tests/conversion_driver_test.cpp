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

TEST(ConversionDriver, EpochsAreCountedAndTheOpenLastEpochIsNotWritten) {
  HostRun run = jpstest::ConvertBytes(Epochs(5));
  EXPECT_EQ(run.result, 0);
  // Five epochs; the last one has no [~~] or [||] after it.
  EXPECT_EQ(run.request.EpochsWritten, 4);
  // A few hundred bytes: the one progress call is the last, at the end.
  int32_t length = static_cast<int32_t>(Epochs(5).size());
  EXPECT_EQ(run.progress, (std::vector<std::pair<int32_t, int32_t>>{{length, length}}));
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
  EXPECT_EQ(watched.request.EpochsWritten, 39999);
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
  // four closed epochs is refused, and the host hears it once, at its time
  // of day.
  Bytes stream;
  for (uint32_t e = 1; e <= 5; ++e) {
    Append(stream, ReceiverTime(1000 * e));
    Append(stream, SatIndices({3}));
    Append(stream, CaRanges({0.07}));
    Append(stream, CaPhases({1e7}));
  }
  HostRun run = jpstest::ConvertFresh(stream);
  EXPECT_EQ(run.request.EpochsWritten, 0);
  ASSERT_EQ(run.messages.size(), 4u);
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

TEST(ConversionDriver, MissingInputFailsAfterCreatingTheOutputs) {
  std::string dir = jpstest::TempDir();
  HostRun run = jpstest::RunHost(dir + "/absent.jps", dir + "/out.kel");
  EXPECT_EQ(run.result, -1);
  EXPECT_TRUE(run.HasMessage("Could not open JPS file " + dir + "/absent.jps "));
  EXPECT_EQ(run.kel.size(), 202u);
  EXPECT_EQ(run.sta, "Mark File:\r\n");

  HostRun folder = jpstest::RunHost(dir, dir + "/out2.kel");
  EXPECT_EQ(folder.result, -1);
  EXPECT_TRUE(folder.HasMessage("Could not open JPS file " + dir + " "));
}

TEST(ConversionDriver, UnwritableOutputsAreFailuresWithAText) {
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/in.jps", Epochs(3));

  // The KEL file on a full device; the EPP and STA files beside the link.
  std::filesystem::create_symlink("/dev/full", dir + "/full.kel");
  HostRun full = jpstest::RunHost(dir + "/in.jps", dir + "/full.kel");
  EXPECT_EQ(full.result, -1);
  EXPECT_TRUE(full.HasMessage("Write Error: Error: Unable to write to " + dir + "/full.kel"));
  EXPECT_EQ(full.request.EpochsWritten, 2);

  // The EPP file, then the STA file, on a full device.
  std::filesystem::create_symlink("/dev/full", dir + "/e.epp");
  HostRun epp = jpstest::RunHost(dir + "/in.jps", dir + "/e.kel");
  EXPECT_EQ(epp.result, -1);
  EXPECT_TRUE(epp.HasMessage("Write Error: Error: Unable to write to " + dir + "/e.epp"));
  std::filesystem::create_symlink("/dev/full", dir + "/s.STA");
  HostRun sta = jpstest::RunHost(dir + "/in.jps", dir + "/s.kel");
  EXPECT_EQ(sta.result, -1);
  EXPECT_TRUE(sta.HasMessage("Write Error: Error: Unable to write to " + dir + "/s.STA"));

  HostRun missing = jpstest::RunHost(dir + "/in.jps", dir + "/no/such/folder/out.kel");
  EXPECT_EQ(missing.result, -1);
  EXPECT_TRUE(missing.HasMessage("ERROR: Could Not Open " + dir + "/no/such/folder/out.kel\n"));
}

TEST(ConversionDriver, LongOutputPathsAreHandled) {
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/in.jps", Epochs(2));
  std::string name = dir + "/" + std::string(250 - dir.size(), 'p') + ".kel";
  ASSERT_EQ(name.size(), 255u);
  HostRun run = jpstest::RunHost(dir + "/in.jps", name);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 1);
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
