// Formatting of host texts and EPP/STA lines.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "support/text_format.h"
#include "tests/builder/test_random.h"

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

// "%.Ne" and "%.Nf" take a fast path of their own; with a width they take
// printf's. Both must print the same digits: every magnitude, subnormals,
// signed zeros, exact decimal ties, precisions 0 to 20 and beyond the fast
// path's limit.
TEST(FormatText, FastNumberPathPrintsWhatPrintfPrints) {
  jpsbuild::TestRandom random(0x2545F4914F6CDD1DULL);
  auto next = [&random] { return random.Next(); };
  std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1e22, 1e23,
                                5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                                9.5, 0.05, 1.005, 123456.78125};
  for (int i = 0; i < 8000; ++i) {
    uint64_t bits = next();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
    int exponent = -static_cast<int>(next() % 120);
    values.push_back(std::ldexp(static_cast<double>(next() >> 11), exponent));
  }
  char fast[512], slow[512], format[16];
  for (double v : values) {
    for (int precision : {0, 1, 2, 4, 8, 9, 12, 14, 15, 17, 20, 45}) {
      for (char conv : {'e', 'f'}) {
        if (conv == 'f' && std::fabs(v) > 1e200) continue;  // beyond the piece printf fills
        std::snprintf(format, sizeof format, "%%.%d%c", precision, conv);
        FormatText(fast, sizeof fast, format, v);
        std::snprintf(format, sizeof format, "%%1.%d%c", precision, conv);
        FormatText(slow, sizeof slow, format, v);
        ASSERT_STREQ(fast, slow) << std::hexfloat << v << " " << precision << conv;
      }
    }
  }
}

// The same for plain decimal integers, against a width of 1 that takes printf.
TEST(FormatText, FastIntegerPathPrintsWhatPrintfPrints) {
  char fast[64], slow[64];
  const int64_t values[] = {0, 1, -1, 9, 10, -10, 99999, INT32_MAX, INT32_MIN, INT64_MAX, INT64_MIN,
                            4294967295LL, 1234567890123LL};
  for (int64_t v : values) {
    int i = static_cast<int>(v);
    long l = static_cast<long>(v);
    unsigned u = static_cast<unsigned>(v);
    long long ll = static_cast<long long>(v);
    FormatText(fast, sizeof fast, "%d|%i|%ld|%lld|%u|%hd", i, i, l, ll, u, i);
    FormatText(slow, sizeof slow, "%1d|%1i|%1ld|%1lld|%1u|%1hd", i, i, l, ll, u, i);
    EXPECT_STREQ(fast, slow) << v;
  }
  FormatText(fast, sizeof fast, "%hd %c%d", 70000, 'x', -7);
  EXPECT_STREQ(fast, "4464 x-7");
}

TEST(FormatText, LongTextsAreCutNeverOverflowed) {
  char out[8];
  std::string big(100, 'a');
  EXPECT_EQ(FormatText(out, sizeof out, "%s and more", big.c_str()), 7u);
  EXPECT_STREQ(out, "aaaaaaa");
}
