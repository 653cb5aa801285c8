// Reading KEL files back: open checks, epoch by epoch, searches, appending.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "epoch/kel_writer.h"
#include "context/conversion_context.h"
#include "support/file64.h"
#include "support/kel_reader.h"
#include "support/little_endian.h"
#include "tests/builder/test_host.h"

using namespace jps;

namespace {

// Where the reader and the writer leave the reason of a failure.
FailureText failure;

struct Sat {
  int number;
  double l1Code;
};

struct EpochPlan {
  double time;
  std::vector<Sat> sats;
};

KelMeasurement Measurement(const Sat& s, int i) {
  KelMeasurement m{};
  m.recordSize = 0;  // the writer sets the sizes
  m.satellite = static_cast<int8_t>(s.number);
  m.lockCount = static_cast<uint8_t>(10 + i);
  m.l1Code = s.l1Code;
  m.l1Phase = -1.25e8 - i;
  m.doppler = -1234.5 + i;
  m.l2Code = s.l1Code == 0.0 ? 0.0 : s.l1Code + 3.5;
  m.l2Phase = 9.75e7 + i;
  return m;
}

KelEpoch Epoch(const EpochPlan& plan) {
  KelEpoch e{};
  e.measurementCount = static_cast<int8_t>(plan.sats.size());
  e.epochFlags = kKelFlagPosition | kKelFlagKinematic;
  e.latitude = 48.125;
  e.longitude = -11.5;
  e.height = 512.25f;
  e.receiverTime = plan.time;
  e.correctedTime = plan.time - 1e-4;
  e.clockOffset = 29979.2458;
  e.clockDrift = -0.75;
  return e;
}

// Writes the epochs with the converter's writer.
std::string WriteKel(const std::vector<EpochPlan>& epochs, uint8_t channels = kMaxChannels,
                     const std::string& name = "run.kel") {
  std::string path = jpstest::TempDir() + "/" + name;
  KelWriter* w = CreateKelFile(path.c_str(), kGreisReceiverType, 1.0f, 4096, channels, &failure);
  EXPECT_NE(w, nullptr) << failure.c_str();
  for (const EpochPlan& plan : epochs) {
    KelEpoch e = Epoch(plan);
    std::vector<KelMeasurement> ms;
    for (size_t i = 0; i < plan.sats.size(); ++i) ms.push_back(Measurement(plan.sats[i], static_cast<int>(i)));
    EXPECT_EQ(WriteKelEpoch(w, &e, ms.data(), &failure), 0) << failure.c_str();
  }
  CloseKelFile(w);
  return path;
}

// Records compare by their byte images: every field, recordSize included.
std::string Image(KelEpoch e) {
  uint8_t bytes[kKelEpochSize];
  EncodeKelEpoch(e, bytes);
  return std::string(bytes, bytes + sizeof bytes);
}
std::string Image(KelMeasurement m) {
  uint8_t bytes[kKelMeasurementSize];
  EncodeKelMeasurement(m, bytes);
  return std::string(bytes, bytes + sizeof bytes);
}

void ExpectSameEpoch(const KelEpoch& got, KelEpoch want) {
  want.recordSize = kKelEpochSize;
  EXPECT_EQ(Image(got), Image(want)) << "epoch at " << want.receiverTime;
}

void ExpectSameMeasurement(const KelMeasurement& got, KelMeasurement want) {
  want.recordSize = kKelMeasurementSize;
  EXPECT_EQ(Image(got), Image(want)) << "satellite " << int{want.satellite};
}

// A field of a packed record as a value (a reference to it may be misaligned).
template <typename T>
T Value(T field) {
  return field;
}

// receiverTime of the epoch that the next KelReadEpoch returns, or -1.
double NextEpochTime(KelWriter* h) {
  KelEpoch e;
  KelMeasurement ms[kMaxChannels];
  return KelReadEpoch(h, &e, ms, &failure) == 0 ? e.receiverTime : -1.0;
}

// Overwrites bytes of a file at an offset.
void Patch(const std::string& path, size_t offset, std::vector<uint8_t> bytes) {
  std::string data = jpstest::ReadFile(path);
  ASSERT_LE(offset + bytes.size(), data.size());
  std::memcpy(&data[offset], bytes.data(), bytes.size());
  jpstest::WriteFile(path, data);
}

std::vector<EpochPlan> Seconds(double first, int count, std::vector<Sat> sats) {
  std::vector<EpochPlan> epochs;
  for (int i = 0; i < count; ++i) epochs.push_back({first + i, sats});
  return epochs;
}

constexpr size_t kFirstEpoch = kKelHeaderSize;

}  // namespace

TEST(KelReader, ReadsBackWhatTheWriterWrote) {
  std::vector<Sat> full;
  for (int i = 0; i < kMaxChannels; ++i) full.push_back({i + 1, 2.1e7 + i});
  std::vector<EpochPlan> epochs = {{504000.0, {{5, 2.2e7}, {45, 1.9e7}}}, {504001.0, {}},
                                   {504002.0, full}};
  std::string path = WriteKel(epochs);

  KelWriter* h = KelOpen(path.c_str(), 4096, &failure);
  ASSERT_NE(h, nullptr) << failure.c_str();
  EXPECT_EQ(h->header.receiverType, kGreisReceiverType);
  EXPECT_EQ(h->header.channelCount, kMaxChannels);
  EXPECT_EQ(h->header.bufferSize, 4096);
  EXPECT_STREQ(h->header.fileName, path.c_str());
  for (const EpochPlan& plan : epochs) {
    KelEpoch e;
    KelMeasurement ms[kMaxChannels];
    ASSERT_EQ(KelReadEpoch(h, &e, ms, &failure), 0) << failure.c_str();
    ExpectSameEpoch(e, Epoch(plan));
    for (size_t i = 0; i < plan.sats.size(); ++i) {
      ExpectSameMeasurement(ms[i], Measurement(plan.sats[i], static_cast<int>(i)));
    }
  }
  KelEpoch e;
  KelMeasurement ms[kMaxChannels];
  EXPECT_EQ(KelReadEpoch(h, &e, ms, &failure), -1);
  EXPECT_STREQ(failure.c_str(), "End of file");
  // Rewinding works on a reader handle too.
  EXPECT_EQ(RewindKelFile(h), 0);
  EXPECT_EQ(NextEpochTime(h), 504000.0);
  EXPECT_EQ(CloseKelFile(h), nullptr);
}

// Bytes laid out here by hand, so that a writer and a reader sharing a
// mistake cannot pass together.
TEST(KelReader, FieldsAtTheirOffsets) {
  std::vector<uint8_t> file(kKelHeaderSize + kKelEpochSize + kKelMeasurementSize, 0);
  StoreI16(&file[0], 202);
  file[7] = 24;
  uint8_t* e = &file[kFirstEpoch];
  StoreI16(e, 68);
  e[2] = 1;
  e[3] = 1;
  StoreF64(e + 8, 52.5);
  StoreF64(e + 16, 13.25);
  StoreF32(e + 24, 40.5f);
  StoreF64(e + 28, 345600.5);
  StoreF64(e + 36, 345600.25);
  StoreF64(e + 44, 74948.1145);
  StoreF64(e + 52, 2.5);
  uint8_t* m = e + kKelEpochSize;
  StoreI16(m, 44);
  m[2] = 50;
  m[3] = 255;
  StoreF64(m + 4, 20000000.5);
  StoreF64(m + 12, -105000000.25);
  StoreF64(m + 20, 1500.5);
  StoreF64(m + 28, 20000003.5);
  StoreF64(m + 36, -81800000.75);
  std::string path = jpstest::TempDir() + "/hand.kel";
  jpstest::WriteFile(path, jpsbuild::Bytes(file.begin(), file.end()));

  KelWriter* h = KelOpen(path.c_str(), 0, &failure);
  ASSERT_NE(h, nullptr) << failure.c_str();
  KelEpoch epoch;
  KelMeasurement ms[kMaxChannels];
  ASSERT_EQ(KelReadEpoch(h, &epoch, ms, &failure), 0) << failure.c_str();
  EXPECT_EQ(epoch.measurementCount, 1);
  EXPECT_EQ(epoch.epochFlags, 1);
  EXPECT_EQ(Value(epoch.latitude), 52.5);
  EXPECT_EQ(Value(epoch.longitude), 13.25);
  EXPECT_EQ(Value(epoch.height), 40.5f);
  EXPECT_EQ(Value(epoch.receiverTime), 345600.5);
  EXPECT_EQ(Value(epoch.correctedTime), 345600.25);
  EXPECT_EQ(Value(epoch.clockOffset), 74948.1145);
  EXPECT_EQ(Value(epoch.clockDrift), 2.5);
  EXPECT_EQ(ms[0].satellite, 50);
  EXPECT_EQ(ms[0].lockCount, 255);
  EXPECT_EQ(Value(ms[0].l1Code), 20000000.5);
  EXPECT_EQ(Value(ms[0].l1Phase), -105000000.25);
  EXPECT_EQ(Value(ms[0].doppler), 1500.5);
  EXPECT_EQ(Value(ms[0].l2Code), 20000003.5);
  EXPECT_EQ(Value(ms[0].l2Phase), -81800000.75);
  CloseKelFile(h);
}

// A file that the converter wrote from a real recording reads back epoch for
// epoch, each field equal to the bytes at its offset in the file.
TEST(KelReader, ReadsAConvertedRecording) {
  std::string input = jpstest::DataFile("receiver-2014-08-29-1s.jps");
  if (input.empty()) GTEST_SKIP() << "recordings folder absent";
  jpstest::HostRun run = jpstest::RunHost(input, jpstest::TempDir() + "/rec.kel");
  ASSERT_GT(run.request.EpochsWritten, 0);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(run.kel.data());

  KelWriter* h = KelOpen(run.kelPath.c_str(), 4096, &failure);
  ASSERT_NE(h, nullptr) << failure.c_str();
  size_t at = kFirstEpoch;
  int epochs = 0;
  KelEpoch e;
  KelMeasurement ms[kMaxChannels];
  int result;
  while ((result = KelReadEpoch(h, &e, ms, &failure)) == 0) {
    ASSERT_LE(at + kKelEpochSize, run.kel.size());
    EXPECT_EQ(e.measurementCount, static_cast<int8_t>(bytes[at + 2]));
    EXPECT_EQ(e.epochFlags, bytes[at + 3]);
    EXPECT_EQ(Value(e.latitude), LoadF64(bytes + at + 8));
    EXPECT_EQ(Value(e.height), LoadF32(bytes + at + 24));
    EXPECT_EQ(Value(e.receiverTime), LoadF64(bytes + at + 28));
    EXPECT_EQ(Value(e.clockOffset), LoadF64(bytes + at + 44));
    at += kKelEpochSize;
    for (int i = 0; i < e.measurementCount; ++i, at += kKelMeasurementSize) {
      EXPECT_EQ(ms[i].satellite, static_cast<int8_t>(bytes[at + 2]));
      EXPECT_EQ(Value(ms[i].l1Code), LoadF64(bytes + at + 4));
      EXPECT_EQ(Value(ms[i].l2Phase), LoadF64(bytes + at + 36));
    }
    ++epochs;
  }
  EXPECT_EQ(result, -1) << failure.c_str();
  EXPECT_EQ(at, run.kel.size());
  EXPECT_EQ(epochs, run.request.EpochsWritten);
  CloseKelFile(h);
}

TEST(KelReader, OpenFailures) {
  std::string dir = jpstest::TempDir();
  std::string missing = dir + "/missing.kel";
  EXPECT_EQ(KelOpen(missing.c_str(), 0, &failure), nullptr);
  EXPECT_EQ(std::string(failure.c_str()), "Error: File " + missing + " not found");

  std::string shortFile = dir + "/short.kel";
  jpstest::WriteFile(shortFile, std::string(201, '\0'));
  EXPECT_EQ(KelOpen(shortFile.c_str(), 4096, &failure), nullptr);
  EXPECT_EQ(std::string(failure.c_str()), "Error: Unable to read header from " + shortFile);

  std::string path = WriteKel({});
  Patch(path, 0, {200, 0});
  EXPECT_EQ(KelOpen(path.c_str(), 0, &failure), nullptr);
  EXPECT_EQ(std::string(failure.c_str()), "Error: Invalid header size in " + path + "  Size: 200   Hsize: 202");
  Patch(path, 0, {0xCA, 0xFF});  // -54 as a signed field
  EXPECT_EQ(KelOpen(path.c_str(), 0, &failure), nullptr);
  EXPECT_EQ(std::string(failure.c_str()), "Error: Invalid header size in " + path + "  Size: -54   Hsize: 202");
}

TEST(KelReader, RefusesDamagedRecords) {
  KelEpoch e;
  KelMeasurement ms[kMaxChannels];
  std::vector<EpochPlan> one = {{100.0, {{3, 2e7}, {4, 2e7}}}};
  const size_t second = kFirstEpoch + kKelEpochSize + kKelMeasurementSize;
  struct Case {
    size_t offset;
    std::vector<uint8_t> bytes;
    std::string text;
  };
  std::vector<Case> cases = {
      {kFirstEpoch, {67, 0}, "Error: Bad position record in %"},
      {kFirstEpoch + 2, {25}, "Error: Epoch 100.0 has 25 measurements 24 channels in %"},
      {kFirstEpoch + 2, {0xFF}, "Error: Epoch 100.0 has -1 measurements 24 channels in %"},
      {kFirstEpoch + 2, {3}, "Error: Pre-mature end of file in % at epoch 100.0"},
      {second, {45, 0}, "Error: Bad measurement record (1) in %"},
  };
  for (const Case& c : cases) {
    std::string path = WriteKel(one);
    Patch(path, c.offset, c.bytes);
    std::string text = c.text;
    text.replace(text.find('%'), 1, path);
    KelWriter* h = KelOpen(path.c_str(), 0, &failure);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(KelReadEpoch(h, &e, ms, &failure), 1) << text;
    EXPECT_EQ(std::string(failure.c_str()), text);
    CloseKelFile(h);
  }
}

TEST(KelFindForward, TimeWindowAndHits) {
  // Satellite 7 is present at 5000 but without a code.
  std::string path = WriteKel({{5000.0, {{3, 2e7}, {7, 0.0}}}, {5001.0, {{3, 2e7}}},
                               {5002.0, {{7, 2.1e7}}}, {5003.0, {}}});
  KelWriter* h = KelOpen(path.c_str(), 0, &failure);
  ASSERT_NE(h, nullptr);
  int64_t start = Tell64(h->stream);

  EXPECT_EQ(KelFindForward(h, 3, 4999.0, &failure), 0);  // the next epoch is later than t
  EXPECT_EQ(Tell64(h->stream), start);
  EXPECT_EQ(KelFindForward(h, 3, 5000.0, &failure), 1);  // d = 0 is examined
  EXPECT_EQ(Tell64(h->stream), start);         // the stream stands at the hit epoch
  EXPECT_EQ(KelFindForward(h, 7, 5002.0, &failure), 3);  // 7 without code at 5000 is no hit
  EXPECT_EQ(NextEpochTime(h), 5002.0);

  RewindKelFile(h);
  EXPECT_EQ(KelFindForward(h, 3, 6000.0, &failure), 1);  // d = 1000 is still examined
  EXPECT_EQ(KelFindForward(h, 3, 6000.5, &failure), 0);  // d = 1000.5 is not
  EXPECT_EQ(Tell64(h->stream), start);

  // Reaching the end without a hit puts the stream back where it stood.
  EXPECT_EQ(KelFindForward(h, 9, 5003.0, &failure), 0);
  EXPECT_STREQ(failure.c_str(), "End of file");
  EXPECT_EQ(NextEpochTime(h), 5000.0);
  CloseKelFile(h);
}

TEST(KelFindForward, SixtyEpochsAtMost) {
  std::vector<EpochPlan> epochs = Seconds(100.0, 70, {{3, 2e7}});
  epochs[59].sats.push_back({12, 2e7});
  epochs[60].sats.push_back({13, 2e7});
  std::string path = WriteKel(epochs);
  KelWriter* h = KelOpen(path.c_str(), 0, &failure);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(KelFindForward(h, 12, 170.0, &failure), 60);
  RewindKelFile(h);
  EXPECT_EQ(KelFindForward(h, 13, 170.0, &failure), 0);
  EXPECT_EQ(NextEpochTime(h), 100.0);
  CloseKelFile(h);
}

TEST(KelFindBackward, WalksTheOffsetTable) {
  std::string path = WriteKel({{5000.0, {{3, 2e7}, {8, 2e7}}}, {5001.0, {{3, 2e7}}},
                               {5002.0, {{3, 0.0}}}, {5003.0, {}}, {5004.0, {{4, 2e7}}}});
  KelWriter* h = KelOpen(path.c_str(), 0, &failure);
  ASSERT_NE(h, nullptr);
  std::vector<int64_t> offsets;
  for (;;) {
    int64_t at = Tell64(h->stream);
    if (NextEpochTime(h) < 0) break;
    offsets.push_back(at);
  }
  ASSERT_EQ(offsets.size(), 5u);

  int32_t index = 4;
  EXPECT_EQ(KelFindBackward(h, &index, offsets.data(), 3, 5001.0, &failure), 4);  // 3 at 5002 has no code
  EXPECT_EQ(index, 1);
  EXPECT_EQ(NextEpochTime(h), 5002.0);  // the stream stands after the hit epoch

  index = 4;
  EXPECT_EQ(KelFindBackward(h, &index, offsets.data(), 3, 5003.5, &failure), 0);  // 5003 is earlier than t
  EXPECT_EQ(index, 4);
  EXPECT_EQ(NextEpochTime(h), 5004.0);  // back at the starting entry
  EXPECT_EQ(KelFindBackward(h, &index, offsets.data(), 3, 4003.5, &failure), 0);  // more than 1000 s after t
  EXPECT_EQ(NextEpochTime(h), 5004.0);

  // Entry 0 is never examined.
  index = 2;
  EXPECT_EQ(KelFindBackward(h, &index, offsets.data(), 8, 5000.0, &failure), 0);
  EXPECT_STREQ(failure.c_str(), "End of file");
  EXPECT_EQ(index, 2);
  EXPECT_EQ(NextEpochTime(h), 5002.0);
  CloseKelFile(h);
}

TEST(KelSearches, RefuseCountsOutsideTheScratch) {
  // channelCount 30 lets the reader take 25 measurements; the searches take 24 at most.
  std::vector<Sat> many;
  for (int i = 0; i < 25; ++i) many.push_back({i + 1, 2e7});
  std::string path = WriteKel({{100.0, many}}, 30);
  KelWriter* h = KelOpen(path.c_str(), 0, &failure);
  ASSERT_NE(h, nullptr);
  KelEpoch e;
  std::vector<KelMeasurement> ms(30);
  EXPECT_EQ(KelReadEpoch(h, &e, ms.data(), &failure), 0) << failure.c_str();
  RewindKelFile(h);
  std::string text = "Error: Epoch 100.0 has more measurements than channels in " + path;
  EXPECT_EQ(KelFindForward(h, 1, 100.0, &failure), -1);
  EXPECT_EQ(std::string(failure.c_str()), text);
  int32_t index = 1;
  int64_t offsets[2] = {kFirstEpoch, kFirstEpoch};
  EXPECT_EQ(KelFindBackward(h, &index, offsets, 1, 100.0, &failure), -1);
  EXPECT_EQ(std::string(failure.c_str()), text);
  CloseKelFile(h);

  // A negative count in a damaged file, and damaged record sizes.
  struct Damage {
    size_t offset;
    std::vector<uint8_t> bytes;
    std::string text;
  };
  std::vector<Damage> damage = {
      {kFirstEpoch + 2, {0xFF}, "Error: Epoch 100.0 has more measurements than channels in "},
      {kFirstEpoch, {60, 0}, "Error: Bad position record in searching "},
      {kFirstEpoch + kKelEpochSize, {40, 0}, "Error: Bad measurement record (2) in "}};
  for (const Damage& d : damage) {
    path = WriteKel({{100.0, {{1, 2e7}}}});
    Patch(path, d.offset, d.bytes);
    h = KelOpen(path.c_str(), 0, &failure);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(KelFindForward(h, 1, 100.0, &failure), -1);
    EXPECT_EQ(std::string(failure.c_str()), d.text + path);
    index = 1;
    EXPECT_EQ(KelFindBackward(h, &index, offsets, 1, 100.0, &failure), -1);
    EXPECT_EQ(std::string(failure.c_str()), d.text + path);
    CloseKelFile(h);
  }
}

TEST(KelAppend, EpochsLandAtTheEnd) {
  for (uint16_t buffer : {0, 4096}) {
    std::string path = WriteKel({{100.0, {{1, 2e7}}}});
    KelWriter* h = KelOpen(path.c_str(), buffer, &failure);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(NextEpochTime(h), 100.0);
    ASSERT_EQ(KelAppend(h, &failure), 0) << failure.c_str();
    KelEpoch e = Epoch({101.0, {{2, 2.5e7}}});
    KelMeasurement m = Measurement({2, 2.5e7}, 0);
    EXPECT_EQ(WriteKelEpoch(h, &e, &m, &failure), 0) << failure.c_str();
    CloseKelFile(h);

    h = KelOpen(path.c_str(), 0, &failure);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(NextEpochTime(h), 100.0);
    KelMeasurement ms[kMaxChannels];
    ASSERT_EQ(KelReadEpoch(h, &e, ms, &failure), 0);
    EXPECT_EQ(Value(e.receiverTime), 101.0);
    ExpectSameMeasurement(ms[0], Measurement({2, 2.5e7}, 0));
    EXPECT_EQ(KelReadEpoch(h, &e, ms, &failure), -1);
    CloseKelFile(h);
  }
}

TEST(KelAppend, RefusesAPathThatFillsTheNameField) {
  // fileName holds 143 characters: a longer path would be cut there, and
  // appending to the cut path would write to another file.
  std::string dir = jpstest::TempDir();
  std::string name(kKelFileNameSize - 1 - dir.size() - 1 + 10, 'k');
  std::string path = WriteKel({{100.0, {}}}, kMaxChannels, name);
  KelWriter* h = KelOpen(path.c_str(), 0, &failure);
  ASSERT_NE(h, nullptr) << failure.c_str();
  EXPECT_EQ(KelAppend(h, &failure), 1);
  EXPECT_EQ(std::string(failure.c_str()), "Error: Unable to append to " + path.substr(0, 143));
  EXPECT_EQ(NextEpochTime(h), 100.0);  // the handle still reads
  CloseKelFile(h);
}
