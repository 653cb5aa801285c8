// The RINEX number fields against the C library's printf, the independent
// oracle: random values over every magnitude the fields meet, and the cases
// where rounding is hardest (halves, carries into a new digit, negative
// zero, the smallest and largest values, values too wide for their field).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "tests/builder/test_random.h"
#include "tools/rinex/rinex_numbers.h"

using jpsrinex::FixedFormat;

namespace {

// The field as printf writes it; "" (blank) when printf needs more room.
std::string PrintfFixed(double v, FixedFormat f) {
  char text[512];
  int n = std::snprintf(text, sizeof text, "%*.*f", f.width, f.decimals, v);
  if (n > f.width || !std::isfinite(v)) return std::string(static_cast<size_t>(f.width), ' ');
  return text;
}

std::string OurFixed(double v, FixedFormat f, bool* fits) {
  char text[64];
  std::memset(text, '#', sizeof text);
  *fits = jpsrinex::WriteFixed(text, v, f);
  EXPECT_EQ(text[f.width], '#') << "wrote beyond the field";
  return std::string(text, static_cast<size_t>(f.width));
}

std::string PrintfNav(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%19.12E", v);
  return text;
}

std::string OurNav(double v) {
  char text[32];
  std::memset(text, '#', sizeof text);
  EXPECT_TRUE(jpsrinex::WriteNavNumber(text, v)) << v;
  EXPECT_EQ(text[jpsrinex::kNavNumberWidth], '#');
  return std::string(text, jpsrinex::kNavNumberWidth);
}

void ExpectFixed(double v, FixedFormat f) {
  bool fits = false;
  std::string ours = OurFixed(v, f, &fits);
  std::string expected = PrintfFixed(v, f);
  EXPECT_EQ(ours, expected) << "%" << f.width << "." << f.decimals << "f of " << v;
  EXPECT_EQ(fits, expected.find_first_not_of(' ') != std::string::npos) << v;
}

// A double from its bits (every mantissa, sign and exponent in range).
double RandomDouble(jpsbuild::TestRandom& r, int minExp, int maxExp) {
  uint64_t bits = r.Next();
  int e = minExp + static_cast<int>(r.Next() % static_cast<uint64_t>(maxExp - minExp + 1));
  bits = (bits & 0x800FFFFFFFFFFFFFull) | (static_cast<uint64_t>(e + 1023) << 52);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

const FixedFormat kFormats[] = {jpsrinex::kObservationFormat, jpsrinex::kClockFormat,
                                jpsrinex::kClockFormat2,      jpsrinex::kEpochSecondFormat,
                                jpsrinex::kHeaderSecondFormat, jpsrinex::kNavSecondFormat2,
                                jpsrinex::kPositionFormat,    jpsrinex::kIntervalFormat,
                                jpsrinex::kBiasFormat,        FixedFormat{19, 0},
                                FixedFormat{20, 15}};

}  // namespace

TEST(RinexNumbers, FixedFieldsAsPrintfWritesThemOverEveryMagnitude) {
  jpsbuild::TestRandom r(20240611);
  for (const FixedFormat& f : kFormats) {
    for (int i = 0; i < 60000; ++i) ExpectFixed(RandomDouble(r, -60, 66), f);
    // Values with few decimals, where a half is met exactly.
    for (int i = 0; i < 20000; ++i) {
      double v = static_cast<double>(static_cast<int64_t>(r.Next() % 2000000001) - 1000000000) /
                 std::ldexp(1.0, static_cast<int>(r.Next() % 24));
      ExpectFixed(v, f);
    }
  }
}

TEST(RinexNumbers, FixedFieldEdgeCases) {
  const FixedFormat obs = jpsrinex::kObservationFormat;
  const double cases[] = {0.0,        -0.0,       0.0005,     0.0015,       0.0025,  -0.0005,
                          0.00049999, 2.5,        0.125,      -0.125,       0.375,   9999999999.9995,
                          999999999.9995, -999999999.9995, 9999999999.999, 1e10, -1e10,
                          123456789.0125, 4.9e-324,  -4.9e-324, 2.2250738585072014e-308,
                          1e300,      -1e300,     0.1,        0.7,          1.0005,  7.0625,
                          std::numeric_limits<double>::max(), 18446744073709551616.0};
  for (const FixedFormat& f : kFormats) {
    for (double v : cases) ExpectFixed(v, f);
    for (double v : cases) ExpectFixed(std::nextafter(v, 0.0), f);
  }
  // The carry of a rounding makes a value one digit wider than its field.
  bool fits = true;
  EXPECT_EQ(OurFixed(9999999999.9995, obs, &fits), "              ");
  EXPECT_FALSE(fits);
  EXPECT_EQ(OurFixed(999999999.9994, obs, &fits), " 999999999.999");
  // Not finite: blank, not written.
  EXPECT_EQ(OurFixed(std::numeric_limits<double>::quiet_NaN(), obs, &fits), std::string(14, ' '));
  EXPECT_FALSE(fits);
  EXPECT_EQ(OurFixed(-std::numeric_limits<double>::infinity(), obs, &fits), std::string(14, ' '));
  // Negative zero keeps its sign, as printf writes it.
  EXPECT_EQ(OurFixed(-0.0, obs, &fits), "        -0.000");
}

// The observation field of the body's lines: F14.3 and the two indicators,
// 16 characters, all blank when the value does not fit.
void ExpectObservationField(double v, char lli, char strength) {
  char text[32];
  std::memset(text, '#', sizeof text);
  bool fits = jpsrinex::WriteObservationField(text, v, lli, strength);
  std::string expected = PrintfFixed(v, jpsrinex::kObservationFormat);
  bool printable = expected.find_first_not_of(' ') != std::string::npos;
  expected += printable ? std::string{lli, strength} : "  ";
  ASSERT_EQ(std::string(text, 16), expected) << "%14.3f of " << v;
  EXPECT_EQ(fits, printable) << v;
  EXPECT_EQ(text[16], '#') << "wrote beyond the field";
}

TEST(RinexNumbers, ObservationFieldsAsPrintfWritesThem) {
  jpsbuild::TestRandom r(4417);
  const char indicators[] = " 0123456789";
  for (int i = 0; i < 400000; ++i) {
    char lli = indicators[r.Next() % 11], strength = indicators[r.Next() % 11];
    ExpectObservationField(RandomDouble(r, -60, 66), lli, strength);
    // Ranges, phases, Dopplers and C/N0 with few decimals: halves and
    // carries; every count of digits and both signs.
    double few = static_cast<double>(static_cast<int64_t>(r.Next() % 20000000001) - 10000000000) /
                 std::ldexp(1.0, static_cast<int>(r.Next() % 24));
    ExpectObservationField(few, lli, strength);
    ExpectObservationField(few * std::ldexp(1.0, -static_cast<int>(r.Next() % 30)), lli, strength);
  }
  const double cases[] = {0.0, -0.0, 0.0005, -0.0005, 0.0015, 0.00049999, 4.9e-324, -4.9e-324,
                          1.0, -1.0, 9.9995, -9.9995, 99999999.9995, 999999999.9994, 999999999.9995,
                          -999999999.9994, -999999999.9995, -99999999.9995, 9999999999.999,
                          9999999999.9995, 4503599627370495.5, 4503599627370496.0, 1e300,
                          std::numeric_limits<double>::quiet_NaN(),
                          -std::numeric_limits<double>::infinity()};
  for (double v : cases) {
    ExpectObservationField(v, '1', '7');
    ExpectObservationField(std::nextafter(v, 0.0), ' ', '5');
    ExpectObservationField(-v, '2', ' ');
  }
}

TEST(RinexNumbers, NavigationNumbersAsPrintfWritesThem) {
  jpsbuild::TestRandom r(777);
  for (int i = 0; i < 200000; ++i) {
    double v = RandomDouble(r, -320, 320);
    if (std::fabs(v) < 1e-99 || std::fabs(v) >= 9.9999999999995e99) continue;
    ASSERT_EQ(OurNav(v), PrintfNav(v)) << v;
  }
  for (int i = 0; i < 50000; ++i) {  // broadcast values: float fields and small integers
    float f = static_cast<float>(RandomDouble(r, -40, 30));
    ASSERT_EQ(OurNav(f), PrintfNav(f)) << f;
    double n = static_cast<double>(r.Next() % 2000000) - 1000000.0;
    ASSERT_EQ(OurNav(n), PrintfNav(n)) << n;
  }
  const double cases[] = {0.0,  -0.0,  1.0, -1.0, 9.9999999999995, 9.99999999999949,
                          0.5e-12, 1e-99, 9.9999999999994e99, 5.0000000000005, 2.0000000000025,
                          511200.0, -2.943641932811e+00, 1.818989404e-12, 604800.0};
  for (double v : cases) EXPECT_EQ(OurNav(v), PrintfNav(v)) << v;
  // Two exponent digits: a magnitude below 1E-99 is written as zero, one
  // of 1E+100 or more leaves the field blank.
  EXPECT_EQ(OurNav(3e-120), " 0.000000000000E+00");
  char text[20];
  EXPECT_FALSE(jpsrinex::WriteNavNumber(text, 1e100));
  EXPECT_EQ(std::string(text, 19), std::string(19, ' '));
  EXPECT_FALSE(jpsrinex::WriteNavNumber(text, std::numeric_limits<double>::quiet_NaN()));
}

TEST(RinexNumbers, IntegerFields) {
  char text[8];
  for (long long v : {0LL, 7LL, -7LL, 99LL, -99LL, 12345LL, 999999LL, -99999LL}) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%6lld", v);
    EXPECT_TRUE(jpsrinex::WriteInteger(text, v, 6));
    EXPECT_EQ(std::string(text, 6), expected);
  }
  EXPECT_FALSE(jpsrinex::WriteInteger(text, 1000000, 6));
  EXPECT_EQ(std::string(text, 6), "      ");
  EXPECT_TRUE(jpsrinex::WriteInteger(text, 5, 2, true));
  EXPECT_EQ(std::string(text, 2), "05");
}
