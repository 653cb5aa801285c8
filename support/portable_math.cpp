#include "support/portable_math.h"

#include <cfloat>
#include <cmath>

// Double-double arithmetic needs every operation rounded to double: no
// 80-bit x87 intermediates (build 32-bit x86 with -msse2 -mfpmath=sse).
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round each operation to double");

namespace jps {
namespace {

// A double-double: the unevaluated sum hi + lo, |lo| at most half an ulp of hi.
struct Dd {
  double hi;
  double lo;
};

constexpr double kSplitter = 134217729.0;  // 2^27 + 1: splits a double into two 26-bit halves

// pi/2 in three parts (the sum carries about 160 bits), and 2/pi.
constexpr double kHalfPi1 = 1.5707963267948966e+00;   // 0x3FF921FB54442D18
constexpr double kHalfPi2 = 6.123233995736766e-17;    // 0x3C91A62633145C07
constexpr double kHalfPi3 = -1.4973849048591698e-33;  // 0xB91F1976B7ED8FBC
constexpr double kTwoOverPi = 0.6366197723675814;

// Arguments of sin and cos up to this size are reduced exactly enough.
constexpr double kMaxReducedArgument = 1048576.0;  // 2^20
// atan2 arguments refined exactly: 2^-400 to 2^400 in size.
constexpr double kMinRefinedArgument = 0x1p-400;
constexpr double kMaxRefinedArgument = 0x1p+400;
// Taylor terms after the first: the last one is below 2^-110 for |r| <= pi/4.
constexpr int kTaylorTerms = 14;

Dd QuickTwoSum(double a, double b) {
  double s = a + b;
  return {s, b - (s - a)};
}

Dd TwoSum(double a, double b) {
  double s = a + b;
  double v = s - a;
  return {s, (a - (s - v)) + (b - v)};
}

void Split(double a, double* hi, double* lo) {
  double t = kSplitter * a;
  *hi = t - (t - a);
  *lo = a - *hi;
}

// a * b exactly, as a double-double (Dekker).
Dd TwoProduct(double a, double b) {
  double p = a * b;
  double ah, al, bh, bl;
  Split(a, &ah, &al);
  Split(b, &bh, &bl);
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Dd Add(Dd a, Dd b) {
  Dd s = TwoSum(a.hi, b.hi);
  Dd t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = QuickTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return QuickTwoSum(s.hi, s.lo);
}

Dd Negate(Dd a) { return {-a.hi, -a.lo}; }
Dd Subtract(Dd a, Dd b) { return Add(a, Negate(b)); }

Dd Multiply(Dd a, Dd b) {
  Dd p = TwoProduct(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return QuickTwoSum(p.hi, p.lo);
}

Dd Multiply(Dd a, double b) {
  Dd p = TwoProduct(a.hi, b);
  p.lo += a.lo * b;
  return QuickTwoSum(p.hi, p.lo);
}

Dd Divide(Dd a, double b) {
  double q1 = a.hi / b;
  Dd r = Subtract(a, TwoProduct(q1, b));
  double q2 = r.hi / b;
  r = Subtract(r, TwoProduct(q2, b));
  double q3 = r.hi / b;
  return Add(QuickTwoSum(q1, q2), Dd{q3, 0.0});
}

Dd Divide(Dd a, Dd b) {
  double q1 = a.hi / b.hi;
  Dd r = Subtract(a, Multiply(b, q1));
  double q2 = r.hi / b.hi;
  r = Subtract(r, Multiply(b, q2));
  double q3 = r.hi / b.hi;
  return Add(QuickTwoSum(q1, q2), Dd{q3, 0.0});
}

// 1/n! for n = 0 to 2 * kTaylorTerms + 1, as double-doubles, computed once.
struct InverseFactorials {
  Dd value[2 * kTaylorTerms + 2];
  InverseFactorials() {
    value[0] = Dd{1.0, 0.0};
    for (int n = 1; n < 2 * kTaylorTerms + 2; ++n) value[n] = Divide(value[n - 1], n);
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
Dd SinSeries(Dd r) { return Multiply(AlternatingSeries(Multiply(r, r), 1), r); }
Dd CosSeries(Dd r) { return AlternatingSeries(Multiply(r, r), 0); }

// x = quadrant * pi/2 + r, |r| <= about pi/4, quadrant in 0..3.
Dd Reduce(double x, int* quadrant) {
  double k = std::floor(x * kTwoOverPi + 0.5);
  Dd r = Subtract(Dd{x, 0.0}, TwoProduct(k, kHalfPi1));
  r = Subtract(r, TwoProduct(k, kHalfPi2));
  r = Subtract(r, TwoProduct(k, kHalfPi3));
  double m = std::fmod(k, 4.0);  // exact
  if (m < 0) m += 4.0;
  *quadrant = static_cast<int>(m);
  return r;
}

// sin x (cosine false) or cos x (cosine true) as a double-double.
Dd SinOrCos(double x, bool cosine) {
  int quadrant = 0;
  Dd r = Reduce(x, &quadrant);
  if (cosine) quadrant = (quadrant + 1) % 4;  // cos x = sin(x + pi/2)
  switch (quadrant) {
    case 0: return SinSeries(r);
    case 1: return CosSeries(r);
    case 2: return Negate(SinSeries(r));
    default: return Negate(CosSeries(r));
  }
}

// sin x and cos x together, from one reduction.
void SinAndCos(double x, Dd* sine, Dd* cosine) {
  int quadrant = 0;
  Dd r = Reduce(x, &quadrant);
  Dd s = SinSeries(r);
  Dd c = CosSeries(r);
  switch (quadrant) {
    case 0: *sine = s; *cosine = c; break;
    case 1: *sine = c; *cosine = Negate(s); break;
    case 2: *sine = Negate(s); *cosine = Negate(c); break;
    default: *sine = Negate(c); *cosine = s; break;
  }
}

bool Reducible(double x) { return std::fabs(x) < kMaxReducedArgument; }

// atan2 arguments whose products in the refinement neither overflow nor
// lose bits to underflow.
bool Refinable(double v) {
  double a = std::fabs(v);
  return a >= kMinRefinedArgument && a <= kMaxRefinedArgument;
}

}  // namespace

double PortableSin(double x) {
  if (x == 0.0 || !Reducible(x)) return std::sin(x);  // keeps the sign of a zero
  return SinOrCos(x, false).hi;
}

double PortableCos(double x) {
  if (!Reducible(x)) return std::cos(x);
  return SinOrCos(x, true).hi;
}

double PortableAtan2(double y, double x) {
  // The library's angle is within an ulp or two; one Newton step on
  // y cos t - x sin t = 0 in double-double takes it to the exact angle,
  // whichever of the nearby values the library gave.
  double t = std::atan2(y, x);
  if (!Refinable(x) || !Refinable(y)) return t;  // zeros, infinities, NaNs, extremes
  Dd s, c;
  SinAndCos(t, &s, &c);
  Dd along = Add(Multiply(c, x), Multiply(s, y));        // R cos(angle - t)
  Dd across = Subtract(Multiply(c, y), Multiply(s, x));  // R sin(angle - t)
  Dd step = Divide(across, along);                       // tan(angle - t), about angle - t
  return Add(Dd{t, 0.0}, step).hi;
}

}  // namespace jps
