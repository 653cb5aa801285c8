// The five entry points as the host sees them.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/jav_dll.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

TEST(SetFactoryDefaults, WritesTheDefaultRecordOnlyForItsSize) {
  ConversionOptions options;
  std::memset(&options, 0xAB, sizeof options);
  SetFactoryDefaults(55, &options);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&options);
  for (size_t i = 0; i < sizeof options; ++i) ASSERT_EQ(bytes[i], 0xAB) << i;

  SetFactoryDefaults(56, &options);
  const uint8_t expected[56] = {
      0, 0, 0, 0,  0, 0, 0, 0,  1, 0, 0, 0,  0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0xF0, 0x3F,                         // 1.0 at offset 16
      0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,
      0, 0, 0, 0,  1, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes, expected, 56), 0);
}

TEST(ConvertFile, RefusesRecordsOfAnotherVersion) {
  ConversionRequest request{};
  request.Size = kRequestSize - 1;
  request.OptionsSize = kOptionsSize;
  HostCallbacks callbacks{};
  callbacks.Size = kCallbacksSize;
  char text[1024];
  EXPECT_EQ(ConvertFile(&request, &callbacks, 0), 1);
  GetErrString(text);
  EXPECT_STREQ(text, "Incorrect version of Sample Conversion DLL");

  request.Size = kRequestSize;
  request.OptionsSize = 0;
  EXPECT_EQ(ConvertFile(&request, &callbacks, 0), 1);
  GetErrString(text);
  EXPECT_STREQ(text, "Incorrect version of Sample Conversion DLL, Invalid options");

  request.OptionsSize = kOptionsSize;
  callbacks.Size = 271;
  EXPECT_EQ(ConvertFile(&request, &callbacks, 0), 1);
  GetErrString(text);
  EXPECT_STREQ(text, "Incorrect version of Sample Conversion DLL");
  EXPECT_EQ(request.EpochsWritten, 0);
}

TEST(ConvertFile, RunsWithBothCallbacksNull) {
  Bytes stream = ReceiverDate(2014, 8, 29);
  Append(stream, ReceiverTime(1000));
  Append(stream, SatIndices({3}));
  Append(stream, CaRanges({0.07}));
  Append(stream, EpochEnd());
  jpstest::HostSetup setup;
  setup.withOnMessage = false;
  setup.withOnProgress = false;
  jpstest::HostRun run = jpstest::ConvertBytes(stream, setup);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_TRUE(run.progress.empty());
  EXPECT_EQ(run.sta, "Mark File:\r\n");
}

TEST(ConvertFile, AbortFromInsideOnProgressFinishesTheFiles) {
  // About 640 KB of one-satellite epochs: ten progress boundaries.
  Bytes stream = ReceiverDate(2014, 8, 29);
  for (uint32_t e = 0; e < 10000; ++e) {
    Append(stream, ReceiverTime(1000 * e));
    Append(stream, SatIndices({3}));
    Append(stream, CaRanges({0.07}));
    Append(stream, CaPhases({1e7}));
    Append(stream, I4Entries("DC", {0}));
  }
  jpstest::HostSetup setup;
  setup.abortAtProgressCall = 2;
  jpstest::HostRun run = jpstest::ConvertBytes(stream, setup);
  EXPECT_EQ(run.result, 1);
  char text[1024];
  GetErrString(text);
  EXPECT_STREQ(text, "User Quit");
  // The driver stops at once: the call that asked for the abort, then the last.
  ASSERT_EQ(run.progress.size(), 4u);
  EXPECT_EQ(run.progress[3].first, run.progress[2].first);
  EXPECT_LT(run.progress[3].first, run.progress[3].second);
  // The files were finished and closed: the EPP file ends with its closing
  // block, and the KEL file holds whole epochs (112 bytes each) up to the
  // abort, three 64 KiB steps into the input.
  EXPECT_EQ(run.epp, "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\nGpsIon { Utc: 0\r\n}\r\n");
  EXPECT_EQ(run.sta, "Mark File:\r\n");
  EXPECT_EQ((run.kel.size() - 202) % 112, 0u);
  EXPECT_EQ(run.request.EpochsWritten, static_cast<int32_t>((run.kel.size() - 202) / 112));
  double epochBytes = static_cast<double>(stream.size()) / 10000;
  EXPECT_NEAR(run.request.EpochsWritten, 3 * 65536 / epochBytes, 2);
}

TEST(AutoDetect, NeedsAReceiverTimeMessageWithRoomBehindIt) {
  std::string dir = jpstest::TempDir();
  Bytes message = ReceiverTime(1000);
  Bytes shortFile = message;
  shortFile.resize(502, 'x');
  jpstest::WriteFile(dir + "/502.jps", shortFile);
  EXPECT_EQ(AutoDetect((dir + "/502.jps").c_str()), 0);
  Bytes longFile = message;
  longFile.resize(503, 'x');
  jpstest::WriteFile(dir + "/503.jps", longFile);
  EXPECT_EQ(AutoDetect((dir + "/503.jps").c_str()), 1);
  EXPECT_EQ(AutoDetect((dir + "/missing.jps").c_str()), 0);
}

TEST(AutoDetect, ReceiverTimeCandidateOfAnotherLengthSkipsTheRecordTest) {
  std::string dir = jpstest::TempDir();
  // "~~0" followed by length digits other than 5 is skipped at once; bytes
  // that follow elsewhere decide.
  Bytes file = {'~', '~', '0', '0', '6', 0, 0, 0, 0, 0, 0};
  file.resize(600, 'x');
  jpstest::WriteFile(dir + "/other.jps", file);
  EXPECT_EQ(AutoDetect((dir + "/other.jps").c_str()), 0);

  Bytes rm = RmRecord(Body().U2(0).U2(0).U4(1000).I2(1).U2(0));
  rm.resize(600, 'x');
  jpstest::WriteFile(dir + "/rm.jps", rm);
  EXPECT_EQ(AutoDetect((dir + "/rm.jps").c_str()), 1);
}
