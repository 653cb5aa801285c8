#include "support/portable_math.h"

#include <cfloat>
#include <cmath>

#include "support/double_double.h"

// Double-double arithmetic needs every operation rounded to double: no
// 80-bit x87 intermediates (build 32-bit x86 with -msse2 -mfpmath=sse).
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round each operation to double");

namespace jps {
namespace {

using dd::Add;
using dd::Dd;
using dd::Multiply;
using dd::Negate;
using dd::QuickTwoSum;
using dd::Subtract;
using dd::TwoProduct;
using dd::TwoSum;

// pi/2 in three parts (the sum carries about 160 bits), and 2/pi.
constexpr double kHalfPi1 = 1.5707963267948966e+00;   // 0x3FF921FB54442D18
constexpr double kHalfPi2 = 6.123233995736766e-17;    // 0x3C91A62633145C07
constexpr double kHalfPi3 = -1.4973849048591698e-33;  // 0xB91F1976B7ED8FBC
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kQuarterPi = 0.7853981633974483;

// Arguments of sin and cos up to this size are reduced exactly enough.
constexpr double kMaxReducedArgument = 1048576.0;  // 2^20
// atan2 arguments refined exactly: 2^-400 to 2^400 in size.
constexpr double kMinRefinedArgument = 0x1p-400;
constexpr double kMaxRefinedArgument = 0x1p+400;

// ---- The series: slow, but good to about 2^-104 --------------------------

// Taylor terms after the first: the last one is below 2^-110 for |r| <= pi/4.
constexpr int kTaylorTerms = 14;

// 1/n! for n = 0 to 2 * kTaylorTerms + 1, as double-doubles, computed once.
struct InverseFactorials {
  Dd value[2 * kTaylorTerms + 2];
  InverseFactorials() {
    value[0] = Dd{1.0, 0.0};
    for (int n = 1; n < 2 * kTaylorTerms + 2; ++n) value[n] = dd::Divide(value[n - 1], n);
  }
};

const InverseFactorials& InverseFactorialTable() {
  static const InverseFactorials table;
  return table;
}

// The sum over k = 0 .. kTaylorTerms of (-1)^k r2^k / (2k + offset)!, by
// Horner's rule: the terms from kDoubleTerms on are below 2^-53 of the sum
// for |r| <= about pi/4, so they are summed in plain doubles, and only the
// leading ones in double-double.
constexpr int kDoubleTerms = 8;

Dd AlternatingSeries(Dd r2, int offset) {
  const Dd* inverse = InverseFactorialTable().value + offset;
  double tail = 0.0;
  for (int k = kTaylorTerms; k >= kDoubleTerms; --k) {
    double c = inverse[2 * k].hi;
    tail = tail * r2.hi + (k % 2 == 1 ? -c : c);
  }
  Dd sum{tail, 0.0};
  for (int k = kDoubleTerms - 1; k >= 0; --k) {
    const Dd& c = inverse[2 * k];
    sum = Add(Multiply(sum, r2), k % 2 == 1 ? Negate(c) : c);
  }
  return sum;
}

// sin r and cos r for |r| <= about pi/4, by their Taylor series.
void SeriesSinCos(Dd r, Dd* sine, Dd* cosine) {
  Dd r2 = Multiply(r, r);
  *sine = Multiply(AlternatingSeries(r2, 1), r);
  *cosine = AlternatingSeries(r2, 0);
}

// x = quadrant * pi/2 + r, |r| <= about pi/4, quadrant in 0..3. k * pi/2 is
// taken off in three exact products; x - k * kHalfPi1 is exact itself, x and
// the product being within a factor of two. When r comes out small (x near a
// multiple of pi/2, where the bits of r lie deep in pi/2) the parts are
// subtracted again one by one in full double-double.
constexpr double kSmallReducedArgument = 0x1p-20;

Dd Reduce(double x, int* quadrant) {
  if (std::fabs(x) <= kQuarterPi) {
    *quadrant = 0;
    return {x, 0.0};
  }
  double scaled = x * kTwoOverPi;
  int n = static_cast<int>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);  // |n| < 2^20
  double k = n;
  Dd p1 = TwoProduct(k, kHalfPi1);
  Dd p2 = TwoProduct(k, kHalfPi2);
  Dd r = TwoSum(x - p1.hi, -p2.hi);
  r.lo -= p1.lo + p2.lo + k * kHalfPi3;
  r = QuickTwoSum(r.hi, r.lo);
  if (std::fabs(r.hi) < kSmallReducedArgument) {
    r = Subtract(Dd{x, 0.0}, p1);
    r = Subtract(r, p2);
    r = Subtract(r, TwoProduct(k, kHalfPi3));
  }
  *quadrant = (n % 4 + 4) % 4;
  return r;
}

// sin x and cos x from sin r and cos r, x = quadrant * pi/2 + r.
void Unfold(int quadrant, Dd s, Dd c, Dd* sine, Dd* cosine) {
  switch (quadrant) {
    case 0: *sine = s; *cosine = c; break;
    case 1: *sine = c; *cosine = Negate(s); break;
    case 2: *sine = Negate(s); *cosine = Negate(c); break;
    default: *sine = Negate(c); *cosine = s; break;
  }
}

// sin x and cos x: x reduced, the reduced argument evaluated by `reduced`.
template <void (*reduced)(Dd, Dd*, Dd*)>
void SinAndCos(double x, Dd* sine, Dd* cosine) {
  int quadrant = 0;
  Dd r = Reduce(x, &quadrant);
  Dd s, c;
  reduced(r, &s, &c);
  Unfold(quadrant, s, c, sine, cosine);
}

void SeriesSinAndCos(double x, Dd* sine, Dd* cosine) { SinAndCos<SeriesSinCos>(x, sine, cosine); }

// ---- The table: fast, good to about 2^-66 --------------------------------
//
// r = a + d with a = j/128 from the table and |d| <= 1/256:
//   sin r = sin a + cos a * d + cos a * (sin d - d) + sin a * (cos d - 1)
//   cos r = cos a - sin a * d - sin a * (sin d - d) + cos a * (cos d - 1)
// The two small corrections are below 2^-26 and 2^-17 of the result, so plain
// doubles carry them well enough; the leading terms are double-doubles.

constexpr double kTableSteps = 128.0;  // entries per radian
constexpr int kTableEntries = 102;     // j = 0 .. 101 covers 0 .. pi/4 and a little more

struct SinCosTable {
  Dd sine[kTableEntries];
  Dd cosine[kTableEntries];
  SinCosTable() {
    for (int j = 0; j < kTableEntries; ++j) {
      SeriesSinCos(Dd{j / kTableSteps, 0.0}, &sine[j], &cosine[j]);
    }
  }
};

const SinCosTable& Table() {
  static const SinCosTable table;
  return table;
}

// The bound, relative to the result, on the error of the table's sin and cos
// (measured below 2^-67; the margin keeps the rounding test honest).
constexpr double kTableRelativeError = 0x1p-63;

void TableSinCos(Dd r, Dd* sine, Dd* cosine) {
  bool negative = r.hi < 0;
  if (negative) r = Negate(r);
  int j = static_cast<int>(r.hi * kTableSteps + 0.5);
  const Dd& sa = Table().sine[j];
  const Dd& ca = Table().cosine[j];
  double dh = r.hi - j / kTableSteps;  // exact
  double dl = r.lo;
  double d2 = dh * dh;
  // sin dh - dh, and cos d - 1:
  double sinTail = dh * d2 * (-1.0 / 6.0 + d2 * (1.0 / 120.0 - d2 * (1.0 / 5040.0)));
  double cosTail = d2 * (-0.5 + d2 * (1.0 / 24.0 - d2 * (1.0 / 720.0))) - dh * dl;

  Dd p = TwoProduct(ca.hi, dh);
  Dd s = TwoSum(sa.hi, p.hi);
  s.lo += sa.lo + p.lo + (ca.lo * dh + ca.hi * dl + ca.hi * sinTail + sa.hi * cosTail);
  s = QuickTwoSum(s.hi, s.lo);

  Dd q = TwoProduct(sa.hi, dh);
  Dd c = TwoSum(ca.hi, -q.hi);
  c.lo += ca.lo - q.lo + (ca.hi * cosTail - sa.lo * dh - sa.hi * dl - sa.hi * sinTail);
  c = QuickTwoSum(c.hi, c.lo);

  *sine = negative ? Negate(s) : s;
  *cosine = c;
}

void TableSinAndCos(double x, Dd* sine, Dd* cosine) { SinAndCos<TableSinCos>(x, sine, cosine); }

// The double nearest to v, when every value within `error` of v rounds to
// the same double; false when v lies too close to a rounding boundary.
bool RoundUnambiguously(Dd v, double error, double* rounded) {
  double lower = v.hi + (v.lo - error);
  double upper = v.hi + (v.lo + error);
  if (lower != upper) return false;
  *rounded = lower;
  return true;
}

bool Reducible(double x) { return std::fabs(x) < kMaxReducedArgument; }

// atan2 arguments whose products in the refinement neither overflow nor
// lose bits to underflow.
bool Refinable(double v) {
  double a = std::fabs(v);
  return a >= kMinRefinedArgument && a <= kMaxRefinedArgument;
}

// A starting angle within about 2^-30 of atan2(y, x), for finite non-zero y
// and x: atan z = atan c + atan u, u = (z - c) / (1 + z c), from a table of
// atan c at c = k/64 and the first two terms of the series of atan u
// (|u| <= 1/128). The refinement below makes it exact; the table comes from
// the C library, whose last bit does not matter here.
constexpr int kAtanSteps = 64;

struct AtanTable {
  double value[kAtanSteps + 1];
  AtanTable() {
    for (int k = 0; k <= kAtanSteps; ++k) value[k] = std::atan(static_cast<double>(k) / kAtanSteps);
  }
};

const AtanTable& Arctangents() {
  static const AtanTable table;
  return table;
}

double StartingAngle(double y, double x) {
  double ay = std::fabs(y), ax = std::fabs(x);
  bool steep = ay > ax;
  double z = steep ? ax / ay : ay / ax;  // 0 .. 1
  int k = static_cast<int>(z * kAtanSteps + 0.5);
  double c = static_cast<double>(k) / kAtanSteps;
  double u = (z - c) / (1.0 + z * c);
  double angle = Arctangents().value[k] + u * (1.0 - u * u * (1.0 / 3.0));
  if (steep) angle = kHalfPi1 - angle;
  if (x < 0) angle = 2.0 * kHalfPi1 - angle;
  return y < 0 ? -angle : angle;
}

// atan2 by one Newton step on y cos t - x sin t = 0 from an angle t close to
// it: the step is tan(angle - t), so angle - t = step - step^3/3 + ..., the
// next term below 2^-140 of the angle.
Dd SeriesRefinedAngle(double t, double y, double x) {
  Dd s, c;
  SeriesSinAndCos(t, &s, &c);
  Dd along = Add(Multiply(c, x), Multiply(s, y));        // R cos(angle - t)
  Dd across = Subtract(Multiply(c, y), Multiply(s, x));  // R sin(angle - t)
  Dd step = dd::Divide(across, along);
  step = Subtract(step, Dd{step.hi * step.hi * step.hi * (1.0 / 3.0), 0.0});
  return Add(Dd{t, 0.0}, step);
}

// The same step from the table's sin and cos of t, which are passed back
// for the caller's use. The step is below 2^-29 of the angle, so plain
// doubles carry it once `across`, the difference of two nearly equal products
// (their difference is exact), has been formed exactly enough.
Dd TableRefinedAngle(double t, double y, double x, Dd* sine, Dd* cosine) {
  Dd s, c;
  TableSinAndCos(t, &s, &c);
  Dd cy = TwoProduct(c.hi, y);
  Dd sx = TwoProduct(s.hi, x);
  double across = (cy.hi - sx.hi) + ((cy.lo - sx.lo) + (c.lo * y - s.lo * x));
  double along = c.hi * x + s.hi * y;
  *sine = s;
  *cosine = c;
  double step = across / along;
  return QuickTwoSum(t, step - step * step * step * (1.0 / 3.0));
}

// The bound, relative to the angle, on the error of the refined angle: about
// twice that of the table's sin and cos (measured below 2^-67).
constexpr double kAngleRelativeError = 0x1p-62;

// The rounded atan2(y, x). True when the table's refinement settled it; then
// t is the starting angle and s, c the table's sin and cos of t. False for
// the C library's angle of arguments that cannot be refined (zeros,
// infinities, NaNs, extremes) and for the series' angle of close cases.
bool Atan2Angle(double y, double x, double* angle, double* t, Dd* s, Dd* c) {
  if (!Refinable(x) || !Refinable(y)) {
    *angle = std::atan2(y, x);
    return false;
  }
  *t = StartingAngle(y, x);
  Dd refined = TableRefinedAngle(*t, y, x, s, c);
  if (RoundUnambiguously(refined, std::fabs(*t) * kAngleRelativeError, angle)) return true;
  *angle = SeriesRefinedAngle(*t, y, x).hi;
  return false;
}

}  // namespace

double PortableSin(double x) {
  double s = 0.0, c = 0.0;
  PortableSinCos(x, &s, &c);
  return s;
}

double PortableCos(double x) {
  double s = 0.0, c = 0.0;
  PortableSinCos(x, &s, &c);
  return c;
}

void PortableSinCos(double x, double* sine, double* cosine) {
  if (!Reducible(x)) {
    *sine = std::sin(x);
    *cosine = std::cos(x);
    return;
  }
  if (x == 0.0) {  // keeps the sign of a zero
    *sine = x;
    *cosine = 1.0;
    return;
  }
  Dd s, c;
  TableSinAndCos(x, &s, &c);
  bool sineRounded = RoundUnambiguously(s, std::fabs(s.hi) * kTableRelativeError, sine);
  bool cosineRounded = RoundUnambiguously(c, std::fabs(c.hi) * kTableRelativeError, cosine);
  if (sineRounded && cosineRounded) return;
  SeriesSinAndCos(x, &s, &c);
  *sine = s.hi;
  *cosine = c.hi;
}

double PortableAtan2(double y, double x) {
  double a = 0.0, t = 0.0;
  Dd s, c;
  Atan2Angle(y, x, &a, &t, &s, &c);
  return a;
}

double PortableAtan2SinCos(double y, double x, double* sine, double* cosine) {
  double a = 0.0, t = 0.0;
  Dd s, c;
  if (!Atan2Angle(y, x, &a, &t, &s, &c)) {
    PortableSinCos(a, sine, cosine);
    return a;
  }
  // sin a and cos a from those of t: d = a - t is exact (the two lie within
  // a factor of two), below 2^-29 of the angle, and its cube negligible:
  //   sin a = sin t + cos t * d - sin t * d^2/2,  cos a = cos t - sin t * d - cos t * d^2/2.
  // The products with d are exact. The error bounds count the terms before
  // they cancel (near a right angle cos t and sin t * d nearly do).
  double d = a - t;
  double halfSquare = 0.5 * d * d;
  Dd cd = TwoProduct(c.hi, d);
  Dd sa = TwoSum(s.hi, cd.hi);
  sa = QuickTwoSum(sa.hi, sa.lo + (cd.lo + s.lo + c.lo * d - s.hi * halfSquare));
  Dd sd = TwoProduct(s.hi, d);
  Dd ca = TwoSum(c.hi, -sd.hi);
  ca = QuickTwoSum(ca.hi, ca.lo + (c.lo - sd.lo - s.lo * d - c.hi * halfSquare));
  double sineError = (std::fabs(s.hi) + std::fabs(cd.hi)) * kTableRelativeError;
  double cosineError = (std::fabs(c.hi) + std::fabs(sd.hi)) * kTableRelativeError;
  if (!RoundUnambiguously(sa, sineError, sine) || !RoundUnambiguously(ca, cosineError, cosine)) {
    PortableSinCos(a, sine, cosine);
  }
  return a;
}

namespace reference {

double Sin(double x) {
  if (x == 0.0 || !Reducible(x)) return std::sin(x);
  Dd s, c;
  SeriesSinAndCos(x, &s, &c);
  return s.hi;
}

double Cos(double x) {
  if (!Reducible(x)) return std::cos(x);
  Dd s, c;
  SeriesSinAndCos(x, &s, &c);
  return c.hi;
}

double Atan2(double y, double x) {
  double t = std::atan2(y, x);
  if (!Refinable(x) || !Refinable(y)) return t;
  return SeriesRefinedAngle(t, y, x).hi;
}

}  // namespace reference
}  // namespace jps
