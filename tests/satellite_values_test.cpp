// Entries of the per-satellite messages read as numbers: the families
// without a marker, the entry types of every identifier, and where the KEL
// conversion's float tests differ from the receiver's marker. (Every family's
// marker is checked end to end in observation_collector_test.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "greis/framing.h"
#include "greis/satellite_messages.h"
#include "greis/satellite_values.h"
#include "tools/builder/message_builder.h"

using namespace jps;
using namespace jpsbuild;

namespace {

const SatelliteMessageKind& Kind(const char* id) {
  const uint8_t header[2] = {static_cast<uint8_t>(id[0]), static_cast<uint8_t>(id[1])};
  const SatelliteMessageKind* kind = FindSatelliteMessage(header);
  EXPECT_NE(kind, nullptr) << id;
  return *kind;
}

// The entries of a built message, read with the message's kind.
std::vector<EntryValue> ReadAll(const char* id, const Body& body) {
  Bytes m = Message(id, body);
  int L = static_cast<int>(m.size()) - kFrameHeaderSize;
  const SatelliteMessageKind& kind = Kind(id);
  int count = EntryCount(kind, L);
  EXPECT_GE(count, 0) << id;
  std::vector<EntryValue> out;
  for (int i = 0; i < count; ++i) out.push_back(ReadEntry(kind, m.data() + kFrameHeaderSize, i));
  return out;
}

uint8_t* Bytes4(uint32_t bits, uint8_t (&b)[4]) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  return b;
}
uint8_t* Bytes8(uint64_t bits, uint8_t (&b)[8]) {
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  return b;
}

}  // namespace

TEST(SatelliteValues, LoopFlagsAndLockTimeHaveNoMarker) {
  for (const char* id : {"FC", "F1", "F2", "F3", "F5", "Fl", "TC"}) {
    std::vector<EntryValue> e = ReadAll(id, Body().U2(65535).U2(0));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_TRUE(e[0].present && e[1].present) << id;
    EXPECT_EQ(e[0].value, 65535.0) << id;
    EXPECT_EQ(e[1].value, 0.0) << id;
  }
}

TEST(SatelliteValues, EntryTypesSpanEachIdentifiersEntry) {
  for (const SatelliteMessageKind& kind : kSatelliteMessages) {
    std::string id(kind.id, 2);
    int size = EntryTypeSize(EntryTypeOf(kind.family));
    // A smoothing entry is its f4 correction and a u2 interval.
    int expected = kind.family == SatelliteFamily::kSmoothing ? size + 2 : size;
    EXPECT_EQ(expected, kind.entrySize) << id;
  }
}

TEST(SatelliteValues, TheKelTestsOfFloatsAreKeptBesideTheReceiversMarker) {
  uint8_t b4[4], b8[8];
  // Quiet NaNs of either sign: a marker to both.
  EXPECT_TRUE(IsNoValue<float>(Bytes4(0x7FC00000u, b4)) && KelF4Absent(b4));
  EXPECT_TRUE(IsNoValue<float>(Bytes4(0xFFC00000u, b4)) && KelF4Absent(b4));
  EXPECT_TRUE(IsNoValue<double>(Bytes8(0x7FF8000000000000ULL, b8)) && KelF8Absent(b8));
  EXPECT_TRUE(IsNoValue<double>(Bytes8(0xFFF8000000000001ULL, b8)) && KelF8Absent(b8));
  // A quiet NaN with a payload in the next fraction bits: a marker to the
  // receiver, a number to the KEL conversion (which leaves it to its
  // finiteness tests).
  EXPECT_TRUE(IsNoValue<float>(Bytes4(0x7FD00000u, b4)));
  EXPECT_FALSE(KelF4Absent(b4));
  // Infinities and signalling NaNs: absent to the KEL conversion's f8 test,
  // no marker of the receiver's.
  EXPECT_FALSE(IsNoValue<double>(Bytes8(0x7FF0000000000000ULL, b8)));
  EXPECT_TRUE(KelF8Absent(b8));
  EXPECT_FALSE(IsNoValue<double>(Bytes8(0x7FF0000000000001ULL, b8)));
  EXPECT_TRUE(KelF8Absent(b8));
  EXPECT_FALSE(IsNoValue<float>(Bytes4(0x7F800000u, b4)) || KelF4Absent(b4));
  // Ordinary numbers: neither.
  EXPECT_FALSE(IsNoValue<double>(Bytes8(0x3FF0000000000000ULL, b8)) || KelF8Absent(b8));
  EXPECT_FALSE(IsNoValue<float>(Bytes4(0x3F800000u, b4)) || KelF4Absent(b4));
}
