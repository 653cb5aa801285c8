// The value scanner of keyword lines and text lines.
#include <gtest/gtest.h>

#include <string>

#include "support/value_scan.h"

using namespace jps;

TEST(ScanValues, EveryConversion) {
  char c = 0;
  int i = 0;
  long l = 0;
  float f = 0, e = 0;
  double lf = 0, le = 0;
  char word[256] = "", rest[256] = "";
  EXPECT_EQ(ScanValues("A,12\t-7 1.5 2.5e-3,, 0.25 -1e300 word  rest of it, too", "%c %d %ld %f %e %lf %le %s %S",
                       &c, &i, &l, &f, &e, &lf, &le, word, rest),
            9);
  EXPECT_EQ(c, 'A');
  EXPECT_EQ(i, 12);
  EXPECT_EQ(l, -7);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(e, 2.5e-3f);
  EXPECT_EQ(lf, 0.25);
  EXPECT_EQ(le, -1e300);
  EXPECT_STREQ(word, "word");
  EXPECT_STREQ(rest, "rest of it, too");
}

TEST(ScanValues, WhereTheScanStops) {
  int a = 0, b = 0, c = 0;
  EXPECT_EQ(ScanValues("1 .5 3", "%d %d %d", &a, &b, &c), 1);  // ".5" is no integer
  EXPECT_EQ(ScanValues("x 2", "%d %d", &a, &b), 0);
  EXPECT_EQ(ScanValues("4 5", "%d %d %d", &a, &b, &c), 2);      // the text runs out
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(ScanValues("", "%d", &a), 0);
  EXPECT_EQ(ScanValues(" ,\t", "%d", &a), 0);
  EXPECT_EQ(ScanValues("99999999999", "%d", &a), 0);           // beyond an int
  EXPECT_EQ(ScanValues("7 8", "%x %d", &a, &b), -1);
  EXPECT_EQ(ScanValues("7 8", "%d %lc", &a, &b), -1);
  EXPECT_EQ(ScanValues("7", "%d %x", &a), 1);                    // ends after the last value
}

TEST(ScanValues, TextStaysInItsBuffer) {
  char small[4] = "";
  EXPECT_EQ(ScanValues("abcdef", "%3s", small), 1);
  EXPECT_STREQ(small, "abc");
  std::string longValue(300, 'v');
  char line[256];
  EXPECT_EQ(ScanValues(longValue.c_str(), "%s", line), 1);
  EXPECT_EQ(std::string(line), std::string(255, 'v'));
  EXPECT_EQ(ScanValues(longValue.c_str(), "%S", line), 1);
  EXPECT_EQ(std::string(line), std::string(255, 'v'));
}
