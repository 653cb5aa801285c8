// Case, blanks and stars, bounded copies, fields and hex records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/text_helpers.h"

using namespace jps;

TEST(TextHelpers, CaseStarsAndCopies) {
  char text[64] = "abc xyz 123 [`]";
  ToUpperAscii(text);
  EXPECT_STREQ(text, "ABC XYZ 123 [`]");
  std::string longText(50, 'a');
  std::strcpy(text, longText.c_str());
  ToUpperAscii(text);
  EXPECT_EQ(std::string(text), std::string(40, 'A') + std::string(10, 'a'));
  EXPECT_TRUE(SameTextIgnoringCase("GpsEph", "gpseph"));
  EXPECT_FALSE(SameTextIgnoringCase("GpsEph", "GpsEp"));

  EXPECT_STREQ(BlanksToStars("a b  c"), "a*b**c");
  std::strcpy(text, "a*b`c*");
  StarsToBlanks(text);
  EXPECT_STREQ(text, "a b c ");

  char out[4];
  CopyBounded(out, "abcdef", 3);
  EXPECT_STREQ(out, "abc");
  CopyBounded(out, "ab", 3);
  EXPECT_STREQ(out, "ab");
}

TEST(TextHelpers, Fields) {
  EXPECT_EQ(CountFields("a;b;"), 2);
  EXPECT_EQ(CountFields("a;b"), 2);
  EXPECT_EQ(CountFields(""), 0);
  EXPECT_EQ(CountFields(";"), 1);
  char out[8];
  EXPECT_EQ(GetField("a;b;c", 1, out, sizeof out), 0);
  EXPECT_STREQ(out, "b");
  EXPECT_EQ(GetField("a;b;c", 2, out, sizeof out), 0);
  EXPECT_STREQ(out, "c");
  EXPECT_EQ(GetField("a;;c", 1, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(GetField("a;b;", 2, out, sizeof out), -1);
  EXPECT_EQ(GetField("first;longfieldtext", 1, out, sizeof out), 0);
  EXPECT_STREQ(out, "longfie");
}

TEST(HexRecord, EncodeDecodeAndEachFailure) {
  const uint8_t bytes[] = {0x01, 0x02, 0xFF};
  char text[32];
  ASSERT_EQ(HexEncodeRecord(bytes, 3, text, sizeof text), 0);
  EXPECT_STREQ(text, "000301020102FF");
  char tooSmall[14];
  EXPECT_EQ(HexEncodeRecord(bytes, 3, tooSmall, sizeof tooSmall), -1);

  uint8_t back[4] = {};
  EXPECT_EQ(HexDecodeRecord("000301020102FF", back, 3), 0);
  EXPECT_EQ(std::memcmp(back, bytes, 3), 0);
  EXPECT_EQ(HexDecodeRecord("000301020102ff", back, 3), 0);  // either case
  EXPECT_EQ(HexDecodeRecord("000301020103FF", back, 3), 3);  // one data digit changed
  EXPECT_EQ(HexDecodeRecord("000301020102FF", back, 4), 1);
  EXPECT_EQ(HexDecodeRecord("000401020102FF", back, 3), 2);  // count field of another length
  EXPECT_EQ(HexDecodeRecord("00G301020102FF", back, 3), 2);  // a count digit that is no hex
  EXPECT_EQ(HexDecodeRecord("01ZZ01020102FF", back, 3), 2);  // 256 x 1 - 1 must not pass as 255
  EXPECT_EQ(HexDecodeRecord("00030102010XFF", back, 3), 3);  // a data digit that is no hex
  EXPECT_EQ(HexDecodeRecord("0003010Z0102FF", back, 3), 2);  // a sum digit that is no hex

  EXPECT_EQ(HexPairValue("a5", 0), 0xA5);
  EXPECT_EQ(HexPairValue("x0", 0), -1);
  EXPECT_EQ(HexPairValue("0", 0), -1);
  EXPECT_EQ(HexPairValue("", 0), -1);
}
