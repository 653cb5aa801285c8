// Double-double arithmetic: a value held as the unevaluated sum hi + lo of
// two doubles, |lo| at most half an ulp of hi, good for about 106 bits. Built
// from additions and multiplications alone, which IEEE 754 rounds exactly
// the same way on every platform, so the results have the same bits
// everywhere (given double arithmetic without extended intermediates and
// without fused multiply-add contraction).
#pragma once

namespace jps {
namespace dd {

struct Dd {
  double hi;
  double lo;
};

constexpr double kSplitter = 134217729.0;  // 2^27 + 1: splits a double into two 26-bit halves

// a + b exactly, when |a| >= |b| or a is zero.
inline Dd QuickTwoSum(double a, double b) {
  double s = a + b;
  return {s, b - (s - a)};
}

// a + b exactly (Knuth).
inline Dd TwoSum(double a, double b) {
  double s = a + b;
  double v = s - a;
  return {s, (a - (s - v)) + (b - v)};
}

inline void Split(double a, double* hi, double* lo) {
  double t = kSplitter * a;
  *hi = t - (t - a);
  *lo = a - *hi;
}

// a * b exactly (Dekker).
inline Dd TwoProduct(double a, double b) {
  double p = a * b;
  double ah, al, bh, bl;
  Split(a, &ah, &al);
  Split(b, &bh, &bl);
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline Dd Add(Dd a, Dd b) {
  Dd s = TwoSum(a.hi, b.hi);
  Dd t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = QuickTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return QuickTwoSum(s.hi, s.lo);
}

inline Dd Negate(Dd a) { return {-a.hi, -a.lo}; }
inline Dd Subtract(Dd a, Dd b) { return Add(a, Negate(b)); }

inline Dd Multiply(Dd a, Dd b) {
  Dd p = TwoProduct(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return QuickTwoSum(p.hi, p.lo);
}

inline Dd Multiply(Dd a, double b) {
  Dd p = TwoProduct(a.hi, b);
  p.lo += a.lo * b;
  return QuickTwoSum(p.hi, p.lo);
}

inline Dd Divide(Dd a, double b) {
  double q1 = a.hi / b;
  Dd r = Subtract(a, TwoProduct(q1, b));
  double q2 = r.hi / b;
  r = Subtract(r, TwoProduct(q2, b));
  double q3 = r.hi / b;
  return Add(QuickTwoSum(q1, q2), Dd{q3, 0.0});
}

inline Dd Divide(Dd a, Dd b) {
  double q1 = a.hi / b.hi;
  Dd r = Subtract(a, Multiply(b, q1));
  double q2 = r.hi / b.hi;
  r = Subtract(r, Multiply(b, q2));
  double q3 = r.hi / b.hi;
  return Add(QuickTwoSum(q1, q2), Dd{q3, 0.0});
}

}  // namespace dd
}  // namespace jps
