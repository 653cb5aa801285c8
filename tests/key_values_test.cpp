// Configuration lines of a key, an equals sign and values.
#include <gtest/gtest.h>

#include <string>

#include "support/key_values.h"

using namespace jps;

TEST(ParseKeyValues, KeyValuesAndComment) {
  char key[kKeySize];
  char* values[kMaxKeyValues];
  ASSERT_EQ(ParseKeyValues("gain = 1, 2 3 ; trailing comment\r\n", key, values), 3);
  EXPECT_STREQ(key, "GAIN");
  EXPECT_STREQ(values[0], "1");
  EXPECT_STREQ(values[1], "2");
  EXPECT_STREQ(values[2], "3");
  EXPECT_GE(values[0], KeyValueBuffer());
  EXPECT_EQ(ParseKeyValues(" an\ttenna =\t\"x=y\"", key, values), 1);
  EXPECT_STREQ(key, "ANTENNA");
  EXPECT_STREQ(values[0], "\"x=y\"");
  EXPECT_EQ(ParseKeyValues("empty =", key, values), 0);
  EXPECT_EQ(ParseKeyValues("no equals sign", key, values), -1);
  EXPECT_EQ(ParseKeyValues("; gain = 1", key, values), -1);
}

TEST(ParseKeyValues, Limits) {
  char key[kKeySize];
  char* values[kMaxKeyValues];
  EXPECT_EQ(ParseKeyValues((std::string(31, 'k') + "=1").c_str(), key, values), 1);
  EXPECT_EQ(ParseKeyValues((std::string(32, 'k') + "=1").c_str(), key, values), -1);
  std::string many = "k =";
  for (int i = 0; i < 60; ++i) many += " " + std::to_string(i % 10);
  EXPECT_EQ(ParseKeyValues(many.c_str(), key, values), kMaxKeyValues);
  EXPECT_STREQ(values[49], "9");
  // Only 255 characters of the line are kept.
  std::string longLine = "k = " + std::string(300, 'v');
  ASSERT_EQ(ParseKeyValues(longLine.c_str(), key, values), 1);
  EXPECT_EQ(std::string(values[0]).size(), 255u - 4u);
}

TEST(ParseKeyValuesInPlace, LineByLine) {
  char text[] = "gain = 1,2 3 ; comment\r\nmode=fast\r\nplain line\n";
  char key[kKeySize];
  char* values[kMaxKeyValues];
  int count = 0;
  uint64_t before = KeyValueCharactersConsumed();
  char* next = ParseKeyValuesInPlace(text, key, values, &count);
  EXPECT_EQ(count, 3);
  EXPECT_STREQ(key, "GAIN");
  EXPECT_STREQ(values[0], "1");
  EXPECT_STREQ(values[2], "3");
  EXPECT_EQ(next, text + 24);
  EXPECT_EQ(KeyValueCharactersConsumed() - before, 24u);
  next = ParseKeyValuesInPlace(next, key, values, &count);
  EXPECT_EQ(count, 1);
  EXPECT_STREQ(key, "MODE");
  EXPECT_STREQ(values[0], "fast");
  next = ParseKeyValuesInPlace(next, key, values, &count);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(*next, '\0');
  EXPECT_EQ(KeyValueCharactersConsumed() - before, sizeof text - 1);
}
