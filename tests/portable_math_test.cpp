// sin, cos and atan2 with the same bits on every platform: correctly rounded
// known answers (worked out at 200-bit precision), including arguments where
// the C library is an ulp off, and agreement with the library elsewhere.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "support/portable_math.h"
#include "tests/builder/test_random.h"

using namespace jps;

namespace {

int64_t Bits(double v) {
  int64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Distance in ulps between two finite doubles of the same sign.
int64_t UlpsApart(double a, double b) { return std::llabs(Bits(a) - Bits(b)); }

}  // namespace

TEST(PortableMath, CorrectlyRoundedWhereTheLibraryIsAnUlpOff) {
  // glibc gives the neighbouring double for each of these.
  EXPECT_EQ(PortableSin(-0x1.ba93e9ad5b718p-3), -0x1.b7241d1d199e9p-3);
  EXPECT_EQ(PortableSin(0x1.5ad58e7a24ea8p-2), 0x1.543d97c9394b1p-2);
  EXPECT_EQ(PortableSin(-0x1.5ec1dfe14e67ap-1), -0x1.43f51daf524cbp-1);
  EXPECT_EQ(PortableCos(-0x1.c517b6c1e47b0p-1), 0x1.4443f18c73213p-1);
  EXPECT_EQ(PortableCos(-0x1.61bfb5e6269c4p+0), 0x1.80b36d3754729p-3);
  EXPECT_EQ(PortableCos(0x1.3db14378c6d2ep+0), 0x1.4ba2e048c8fc7p-2);
  EXPECT_EQ(PortableAtan2(0x1.9b8ad94fa09e0p+19, 0x1.68d2e8a233424p+22), 0x1.220794aa0cb80p-3);
  EXPECT_EQ(PortableAtan2(0x1.99685e8e0ca5ap+22, -0x1.79a6c93755158p+21), 0x1.00604e0cead1dp+1);
  EXPECT_EQ(PortableAtan2(-0x1.9fd0d9ef8d170p+18, 0x1.82ea6277f2980p+22), -0x1.12b582d963145p-4);
}

TEST(PortableMath, KnownValuesSignsAndSpecialArguments) {
  const double pi = 0x1.921fb54442d18p+1;
  EXPECT_EQ(PortableSin(1.0), 0x1.aed548f090ceep-1);
  EXPECT_EQ(PortableCos(1.0), 0x1.14a280fb5068cp-1);
  EXPECT_EQ(PortableSin(-1.0), -PortableSin(1.0));
  EXPECT_EQ(PortableCos(-1.0), PortableCos(1.0));
  EXPECT_EQ(PortableSin(pi), 0x1.1a62633145c07p-53);  // pi - the double nearest it
  EXPECT_EQ(PortableCos(pi), -1.0);
  EXPECT_EQ(PortableAtan2(1.0, 1.0), pi / 4);
  EXPECT_EQ(PortableAtan2(-3.0, -3.0), -3 * pi / 4);
  EXPECT_EQ(PortableAtan2(0.0, -1.0), pi);
  EXPECT_EQ(PortableAtan2(5.0, 0.0), pi / 2);
  EXPECT_TRUE(std::signbit(PortableSin(-0.0)));
  EXPECT_TRUE(std::isnan(PortableSin(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(PortableCos(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(PortableAtan2(std::numeric_limits<double>::quiet_NaN(), 1.0)));
  // Arguments beyond the exact range are the library's.
  EXPECT_EQ(PortableSin(1e7), std::sin(1e7));
  EXPECT_EQ(PortableAtan2(1e300, 3e299), std::atan2(1e300, 3e299));
}

TEST(PortableMath, WithinAnUlpOfTheLibraryAndMostlyEqual) {
  int equal = 0, total = 0;
  for (int i = -20000; i <= 20000; ++i) {
    double x = i * 1.6e-4 + 1e-9 * (i % 7);  // -3.2 .. 3.2
    for (double v : {x, x * 31.0}) {
      double s = PortableSin(v), c = PortableCos(v);
      if (std::fabs(s) > 1e-300) {
        EXPECT_LE(UlpsApart(s, std::sin(v)), 1) << std::hexfloat << v;
        equal += s == std::sin(v);
        ++total;
      }
      EXPECT_LE(UlpsApart(c, std::cos(v)), 1) << std::hexfloat << v;
      equal += c == std::cos(v);
      ++total;
    }
    // Positions about the Earth: metres in x and y.
    double y = 6.4e6 * std::sin(i * 7.9e-5), z = 6.4e6 * std::cos(i * 7.9e-5) + 0.37 * i;
    double a = PortableAtan2(y, z);
    EXPECT_LE(UlpsApart(a, std::atan2(y, z)), 1) << std::hexfloat << y << " " << z;
    equal += a == std::atan2(y, z);
    ++total;
  }
  EXPECT_GT(equal, total * 99 / 100);
}

// The fast table path must give the bits of the plain Taylor series: random
// arguments over the range the converter meets and beyond, near multiples of
// pi/2, and tiny ones; sin and cos together equal sin and cos apart, and so
// do an angle's sin and cos taken with it from atan2.
TEST(PortableMath, TablePathGivesTheBitsOfTheSeries) {
  jpsbuild::TestRandom random(0x9E3779B97F4A7C15ULL);
  auto next = [&random] { return random.Next(); };
  auto uniform = [&random](double low, double high) { return random.Uniform(low, high); };
  for (int i = 0; i < 200000; ++i) {
    double x = uniform(-8.0, 8.0);
    if (i % 4 == 1) x = std::ldexp(x, -static_cast<int>(next() % 60));
    if (i % 4 == 2) x = uniform(-1e6, 1e6);
    if (i % 4 == 3) {
      double k = static_cast<double>(static_cast<int64_t>(next() % 200000) - 100000);
      x = k * 0x1.921fb54442d18p+0 + std::ldexp(uniform(-1.0, 1.0), -static_cast<int>(next() % 50));
    }
    double s, c;
    PortableSinCos(x, &s, &c);
    ASSERT_EQ(Bits(s), Bits(reference::Sin(x))) << std::hexfloat << x;
    ASSERT_EQ(Bits(c), Bits(reference::Cos(x))) << std::hexfloat << x;
    ASSERT_EQ(Bits(s), Bits(PortableSin(x))) << std::hexfloat << x;
    ASSERT_EQ(Bits(c), Bits(PortableCos(x))) << std::hexfloat << x;

    double y = uniform(-7e6, 7e6), z = uniform(-7e6, 7e6);
    if (i % 5 == 1) y = std::ldexp(y, -static_cast<int>(next() % 80));
    if (i % 5 == 2) z = std::ldexp(z, -static_cast<int>(next() % 80));
    double angle = reference::Atan2(y, z);
    ASSERT_EQ(Bits(PortableAtan2(y, z)), Bits(angle)) << std::hexfloat << y << " " << z;
    double angleSine, angleCosine;
    ASSERT_EQ(Bits(PortableAtan2SinCos(y, z, &angleSine, &angleCosine)), Bits(angle));
    ASSERT_EQ(Bits(angleSine), Bits(reference::Sin(angle))) << std::hexfloat << y << " " << z;
    ASSERT_EQ(Bits(angleCosine), Bits(reference::Cos(angle))) << std::hexfloat << y << " " << z;
  }
}

// atan2 starts from an angle of its own (a table at steps of 1/64 in the
// ratio of the smaller to the larger argument) before refining it: ratios on
// and beside the table's steps, on the diagonal, and in every quadrant.
TEST(PortableMath, Atan2AtTheStartingTablesStepsAndQuadrants) {
  for (int k = 0; k <= 64; ++k) {
    for (double nudge : {-1e-12, 0.0, 1e-12, 1.0 / 256}) {
      double ratio = k / 64.0 + nudge;
      if (ratio <= 0.0) continue;
      for (double big : {6.4e6, 1.0, 3e-9}) {
        for (int quadrant = 0; quadrant < 8; ++quadrant) {
          double a = big, b = big * ratio;
          double y = quadrant & 1 ? a : b, x = quadrant & 1 ? b : a;
          if (quadrant & 2) x = -x;
          if (quadrant & 4) y = -y;
          ASSERT_EQ(Bits(PortableAtan2(y, x)), Bits(reference::Atan2(y, x)))
              << std::hexfloat << y << " " << x;
          double s, c;
          double angle = PortableAtan2SinCos(y, x, &s, &c);
          ASSERT_EQ(Bits(angle), Bits(reference::Atan2(y, x)));
          ASSERT_EQ(Bits(s), Bits(reference::Sin(angle))) << std::hexfloat << y << " " << x;
          ASSERT_EQ(Bits(c), Bits(reference::Cos(angle))) << std::hexfloat << y << " " << x;
        }
      }
    }
  }
}
