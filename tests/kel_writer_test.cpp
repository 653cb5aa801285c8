// KEL file layout, written byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "epoch/kel_writer.h"
#include "context/conversion_context.h"
#include "tests/builder/test_host.h"

using namespace jps;

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Where the writer leaves the reason of a failure.
FailureText failure;

}  // namespace

TEST(KelWriter, HeaderAndOneEpochGroupByteForByte) {
  std::string path = jpstest::TempDir() + "/a.kel";
  KelWriter* w = CreateKelFile(path.c_str(), 22, 1.0f, 4096, 24, &failure);
  ASSERT_NE(w, nullptr);

  KelEpoch epoch{};
  epoch.recordSize = 7;   // the writer sets 68 whatever the caller left
  epoch.measurementCount = 1;
  epoch.epochFlags = 3;
  epoch.latitude = 1.5;
  epoch.longitude = -2.0;
  epoch.height = 100.25f;
  epoch.receiverTime = 432000.0;
  epoch.correctedTime = 431999.5;
  epoch.clockOffset = 0.0;
  epoch.clockDrift = 0.0;
  KelMeasurement m[1]{};
  m[0].satellite = 45;
  m[0].lockCount = 255;
  m[0].l1Code = 1.0;
  m[0].l1Phase = -2.0;
  m[0].doppler = 0.5;
  m[0].l2Code = 0.0;
  m[0].l2Phase = 4.0;
  ASSERT_EQ(WriteKelEpoch(w, &epoch, m, &failure), 0);
  EXPECT_EQ(epoch.recordSize, 68);
  EXPECT_EQ(m[0].recordSize, 44);
  bool ok = false;
  EXPECT_EQ(CloseKelFile(w, &ok, &failure), nullptr);
  EXPECT_TRUE(ok);

  std::string kel = jpstest::ReadFile(path);
  ASSERT_EQ(kel.size(), 202u + 68u + 44u);
  std::string header = kel.substr(0, 202);
  // headerSize 202, version 1.01 (0x3F8147AE), type 22, 24 channels.
  EXPECT_EQ(Hex(header.substr(0, 8)), "ca00ae47813f1618");
  // Creation stamp: month 0..11, day 1..31, year - 1900.
  int month = static_cast<unsigned char>(header[8]) | (static_cast<unsigned char>(header[9]) << 8);
  int year = static_cast<unsigned char>(header[12]) | (static_cast<unsigned char>(header[13]) << 8);
  EXPECT_LE(month, 11);
  EXPECT_GE(year, 120);
  EXPECT_EQ(Hex(header.substr(20, 4)), "0000803f");                 // interval 1.0
  EXPECT_EQ(header.substr(24, path.size()), path);
  EXPECT_EQ(header[24 + path.size()], '\0');
  EXPECT_EQ(Hex(header.substr(168, 4)), "00000000");                // stream slot
  EXPECT_EQ(Hex(header.substr(172, 2)), "0010");                    // buffer 4096
  EXPECT_EQ(Hex(header.substr(174, 28)), std::string(56, '0'));    // buffer slot, reserved

  EXPECT_EQ(Hex(kel.substr(202, 68)),
            "4400" "01" "03" "00000000"
            "000000000000f83f"     // latitude 1.5
            "00000000000000c0"     // longitude -2.0
            "0080c842"             // height 100.25f
            "00000000005e1a41"     // receiverTime 432000
            "00000000fe5d1a41"     // correctedTime 431999.5
            "0000000000000000" "0000000000000000" "0000000000000000");
  EXPECT_EQ(Hex(kel.substr(270, 44)),
            "2c00" "2d" "ff"
            "000000000000f03f"     // 1.0
            "00000000000000c0"     // -2.0
            "000000000000e03f"     // 0.5
            "0000000000000000"
            "0000000000001040");   // 4.0
}

TEST(KelWriter, EmptyEpochIsSixtyEightBytesAndTooManyMeasurementsAreRefused) {
  std::string path = jpstest::TempDir() + "/b.kel";
  KelWriter* w = CreateKelFile(path.c_str(), 22, 1.0f, 4096, 24, &failure);
  ASSERT_NE(w, nullptr);
  KelEpoch epoch{};
  KelMeasurement m[25]{};
  epoch.receiverTime = 12.5;
  ASSERT_EQ(WriteKelEpoch(w, &epoch, m, &failure), 0);
  epoch.measurementCount = 24;
  ASSERT_EQ(WriteKelEpoch(w, &epoch, m, &failure), 0);
  epoch.measurementCount = 25;
  EXPECT_EQ(WriteKelEpoch(w, &epoch, m, &failure), 1);
  EXPECT_EQ(std::string(failure.c_str()),
            "Error: Epoch 12.5 has 25 measurements 24 channels in " + path);
  CloseKelFile(w);
  EXPECT_EQ(jpstest::ReadFile(path).size(), 202u + 68u + 68u + 24u * 44u);
}

TEST(KelWriter, FailuresToCreateAndToWrite) {
  EXPECT_EQ(CreateKelFile("/nonexistent-folder/x.kel", 22, 1.0f, 4096, 24, &failure),
            nullptr);
  EXPECT_STREQ(failure.c_str(), "Error: Unable to open /nonexistent-folder/x.kel for writing");

  // /dev/full takes the header into the stream buffer; the flush fails.
  KelWriter* w = CreateKelFile("/dev/full", 22, 1.0f, 4096, 24, &failure);
  ASSERT_NE(w, nullptr);
  bool ok = true;
  CloseKelFile(w, &ok, &failure);
  EXPECT_FALSE(ok);
  EXPECT_STREQ(failure.c_str(), "Error: Unable to write to /dev/full");

  KelWriter other{};
  other.header.headerSize = 201;
  EXPECT_EQ(CloseKelFile(&other), &other);
}

TEST(KelWriter, LongPathIsCutInTheHeader) {
  std::string dir = jpstest::TempDir();
  std::string path = dir + "/" + std::string(200 - dir.size(), 'k') + ".kel";
  KelWriter* w = CreateKelFile(path.c_str(), 22, 1.0f, 4096, 24, &failure);
  ASSERT_NE(w, nullptr);
  CloseKelFile(w);
  std::string kel = jpstest::ReadFile(path);
  EXPECT_EQ(kel.substr(24, 143), path.substr(0, 143));
  EXPECT_EQ(kel[24 + 143], '\0');
}
