// Formatting of host texts and EPP/STA lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "support/text_format.h"

using namespace jps;

TEST(FormatText, ExponentsHaveASignAndThreeDigits) {
  char out[128];
  FormatText(out, sizeof out, "%.8e", 1.5e-5);
  EXPECT_STREQ(out, "1.50000000e-005");
  FormatText(out, sizeof out, "%.14le|%.9le", -2.5e100, 0.0);
  EXPECT_STREQ(out, "-2.50000000000000e+100|0.000000000e+000");
  FormatText(out, sizeof out, "%ld %d %.2lf %s%%", 7L, -3, 1.005, "x%sy");
  EXPECT_STREQ(out, "7 -3 1.00 x%sy%");
}

TEST(FormatText, NanPrintsWithoutSignInfinityWithIt) {
  // Bit patterns as a receiver may send them: negative quiet NaNs included.
  auto bits = [](uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
  };
  char out[128];
  FormatText(out, sizeof out, "%.8e|%.14le|%.4lf|%E|%12.2e|", bits(0xFFF8000000000000),
             bits(0xFFF8000000000001), bits(0x7FF8000000000000), bits(0xFFF0000000000001),
             bits(0xFFF8000000000000));
  EXPECT_STREQ(out, "nan|nan|nan|NAN|         nan|");
  FormatText(out, sizeof out, "%.8e %.1lf", bits(0xFFF0000000000000), bits(0x7FF0000000000000));
  EXPECT_STREQ(out, "-inf inf");
}

TEST(FormatText, LongTextsAreCutNeverOverflowed) {
  char out[8];
  std::string big(100, 'a');
  EXPECT_EQ(FormatText(out, sizeof out, "%s and more", big.c_str()), 7u);
  EXPECT_STREQ(out, "aaaaaaa");
}
