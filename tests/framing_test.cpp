// Checksum, length digits, CRC and the framing of candidates in a stream.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "greis/framing.h"
#include "tools/builder/message_builder.h"

using namespace jps;
using namespace jpsbuild;

TEST(GreisChecksum, ReceiverTimeMessageFoldsToZeroAndEveryByteMatters) {
  Bytes m = ReceiverTime(12345678);
  ASSERT_EQ(m.size(), 10u);
  EXPECT_EQ(std::string(m.begin(), m.begin() + 5), "~~005");
  EXPECT_EQ(GreisChecksum(m.data(), 5), 0);
  for (size_t i = 0; i < m.size(); ++i) {
    EXPECT_NE(GreisChecksum(Damaged(m, i, 0x01).data(), 5), 0) << "byte " << i;
  }
  EXPECT_EQ(GreisChecksum(nullptr, 0), 0);
}

TEST(GreisChecksum, KnownAnswer) {
  // A fold of 0x41 before the last byte needs the checksum byte 0x05.
  // "~~005" + 00 00 00 00 folds to a value written out here by hand.
  const uint8_t m[] = {'~', '~', '0', '0', '5', 0, 0, 0, 0, 0};
  uint8_t cs = 0;
  for (int i = 0; i < 9; ++i) cs = static_cast<uint8_t>(((cs << 2) | (cs >> 6)) ^ m[i]);
  uint8_t expected = static_cast<uint8_t>((cs << 2) | (cs >> 6));
  uint8_t copy[10];
  std::memcpy(copy, m, 10);
  copy[9] = expected;
  EXPECT_EQ(GreisChecksum(copy, 5), 0);
  EXPECT_EQ(static_cast<uint8_t>((0x41 << 2) | (0x41 >> 6)), 0x05);
}

TEST(ParseHexLength, DigitsAndItsQuirks) {
  auto parse = [](const char* t) { return ParseHexLength(reinterpret_cast<const uint8_t*>(t)); };
  EXPECT_EQ(parse("FFF"), 4095);
  EXPECT_EQ(parse("0A5"), 165);
  EXPECT_EQ(parse("005"), 5);
  EXPECT_EQ(parse("00a"), 42);   // only the first character of a pair is checked
  EXPECT_EQ(parse("0G1"), 0);    // invalid first character of the low pair
  EXPECT_EQ(parse("g05"), -1);   // the high pair is ("0", "g"): 48 x 256 + 5 is too long
}

TEST(Crc16, XmodemCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(text), 9), 0x31C3);
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(text), 8), 0x9015);  // one whole block
  EXPECT_EQ(Crc16(nullptr, 0), 0);
}

// Eight bytes at a time give what the polynomial gives bit by bit, for every
// length around the block size and every alignment of the data.
TEST(Crc16, BlocksAgreeWithTheBitwiseDefinition) {
  auto bitwise = [](const uint8_t* data, size_t n) {
    uint16_t reg = 0;
    for (size_t i = 0; i < n; ++i) {
      reg ^= static_cast<uint16_t>(data[i] << 8);
      for (int bit = 0; bit < 8; ++bit) {
        reg = static_cast<uint16_t>((reg & 0x8000) != 0 ? (reg << 1) ^ 0x1021 : reg << 1);
      }
    }
    return reg;
  };
  std::vector<uint8_t> data(80);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t n = 0; n + offset <= data.size(); ++n) {
      ASSERT_EQ(Crc16(data.data() + offset, n), bitwise(data.data() + offset, n))
          << offset << " " << n;
    }
  }
}

TEST(RmCrcOk, ComparesLittleEndian) {
  Bytes record = RmRecord(Body().U2(0).U2(0).U4(1000).I2(1).U2(0));
  int L = static_cast<int>(record.size()) - 5;
  EXPECT_TRUE(RmCrcOk(record.data(), L));
  Bytes swapped = record;
  std::swap(swapped[swapped.size() - 1], swapped[swapped.size() - 2]);
  if (swapped != record) {
    EXPECT_FALSE(RmCrcOk(swapped.data(), L));
  }
}

TEST(MessageIds, TableAndLookups) {
  EXPECT_TRUE(IsMessageId('~', '~'));
  EXPECT_TRUE(IsMessageId('N', 'N'));
  EXPECT_TRUE(IsMessageId('r', 'M'));
  EXPECT_FALSE(IsMessageId('R', 'X'));
  EXPECT_TRUE(IsFirstIdChar('|'));
  EXPECT_FALSE(IsFirstIdChar('Z'));
  EXPECT_STREQ(MessageIdTable[0], "~~");
  EXPECT_STREQ(MessageIdTable[kMessageIdCount - 1], "SV");
}

TEST(GreisChecksum, EqualsTheByteByByteFoldForEveryLengthAndAlignment) {
  // The fold as the receiver defines it: rotate left by 2, XOR the byte.
  auto fold = [](const uint8_t* m, int count) {
    uint8_t cs = 0;
    for (int i = 0; i < count + 5; ++i) cs = static_cast<uint8_t>(((cs << 2) | (cs >> 6)) ^ m[i]);
    return static_cast<uint8_t>((cs << 2) | (cs >> 6));
  };
  std::vector<uint8_t> data(400);
  uint32_t x = 12345;
  for (auto& b : data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 24);
  }
  for (int offset = 0; offset < 8; ++offset) {
    for (int count = 1; count <= 300; ++count) {
      ASSERT_EQ(GreisChecksum(data.data() + offset, count), fold(data.data() + offset, count))
          << "offset " << offset << " count " << count;
    }
  }
}
