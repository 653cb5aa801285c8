// ExactScaledRound: the binary value m x 2^e times 10^s, rounded to an
// integer halves to even, computed on whole numbers of a fixed number of
// 32-bit limbs so that no step rounds.
#include <cstdint>

#include "tools/rinex/rinex_numbers.h"

namespace jpsrinex {
namespace {

// 2^1074 x 10^400 (the smallest double over the largest decimal shift a
// caller uses) fits with room to spare.
constexpr int kLimbs = 96;
constexpr int kLimbBits = 32;
constexpr uint64_t kLimbMask = 0xFFFFFFFFu;
constexpr int kMaxDecimalShift = 400;

// A non-negative whole number, least significant limb first.
struct Whole {
  uint32_t limb[kLimbs] = {};

  static Whole Of(uint64_t v) {
    Whole w;
    w.limb[0] = static_cast<uint32_t>(v & kLimbMask);
    w.limb[1] = static_cast<uint32_t>(v >> kLimbBits);
    return w;
  }
  void MulSmall(uint32_t f) {
    uint64_t carry = 0;
    for (uint32_t& l : limb) {
      uint64_t p = static_cast<uint64_t>(l) * f + carry;
      l = static_cast<uint32_t>(p & kLimbMask);
      carry = p >> kLimbBits;
    }
  }
  // Floor division; returns the remainder.
  uint32_t DivSmall(uint32_t d) {
    uint64_t rest = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
      uint64_t cur = (rest << kLimbBits) | limb[i];
      limb[i] = static_cast<uint32_t>(cur / d);
      rest = cur % d;
    }
    return static_cast<uint32_t>(rest);
  }
  void ShiftLeft(int n) {
    int whole = n / kLimbBits, bits = n % kLimbBits;
    for (int i = kLimbs - 1; i >= 0; --i) {
      uint64_t v = i - whole >= 0 ? limb[i - whole] : 0;
      uint64_t below = i - whole - 1 >= 0 ? limb[i - whole - 1] : 0;
      uint64_t joined = (v << bits) | (bits == 0 ? 0 : below >> (kLimbBits - bits));
      limb[i] = static_cast<uint32_t>(joined & kLimbMask);
    }
  }
  void ShiftRight(int n) {
    int whole = n / kLimbBits, bits = n % kLimbBits;
    for (int i = 0; i < kLimbs; ++i) {
      uint64_t v = i + whole < kLimbs ? limb[i + whole] : 0;
      uint64_t above = i + whole + 1 < kLimbs ? limb[i + whole + 1] : 0;
      uint64_t joined = (v >> bits) | (bits == 0 ? 0 : (above << (kLimbBits - bits)) & kLimbMask);
      limb[i] = static_cast<uint32_t>(joined);
    }
  }
  void Add(const Whole& o) {
    uint64_t carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
      uint64_t s = static_cast<uint64_t>(limb[i]) + o.limb[i] + carry;
      limb[i] = static_cast<uint32_t>(s & kLimbMask);
      carry = s >> kLimbBits;
    }
  }
  void MulU64(uint64_t f) {
    Whole high = *this;
    MulSmall(static_cast<uint32_t>(f & kLimbMask));
    high.MulSmall(static_cast<uint32_t>(f >> kLimbBits));
    high.ShiftLeft(kLimbBits);
    Add(high);
  }
  uint64_t Low64() const { return static_cast<uint64_t>(limb[1]) << kLimbBits | limb[0]; }
};

int Compare(const Whole& a, const Whole& b) {
  for (int i = kLimbs - 1; i >= 0; --i) {
    if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
  }
  return 0;
}

void MulPow10(Whole* w, int n) {
  constexpr uint32_t kBillion = 1000000000u;
  for (; n >= 9; n -= 9) w->MulSmall(kBillion);
  for (; n > 0; --n) w->MulSmall(10);
}

}  // namespace

uint64_t ExactScaledRound(uint64_t mantissa, int exponent, int decimalShift) {
  if (mantissa == 0) return 0;
  if (decimalShift > kMaxDecimalShift) decimalShift = kMaxDecimalShift;
  if (decimalShift < -kMaxDecimalShift) decimalShift = -kMaxDecimalShift;
  // value x 10^s = X / D with X = m 2^max(e,0) 10^max(s,0), D = 2^max(-e,0) 10^max(-s,0).
  Whole x = Whole::Of(mantissa);
  if (exponent > 0) x.ShiftLeft(exponent);
  if (decimalShift > 0) MulPow10(&x, decimalShift);
  int twos = exponent < 0 ? -exponent : 0;
  int tens = decimalShift < 0 ? -decimalShift : 0;
  // q = floor(X / D) = floor(floor(X / 2^a) / 10^b).
  Whole q = x;
  q.ShiftRight(twos);
  for (int i = 0; i < tens; ++i) q.DivSmall(10);
  uint64_t quotient = q.Low64();
  // Round up when 2X > (2q + 1) D; a tie goes to the even quotient.
  Whole twiceX = x;
  twiceX.ShiftLeft(1);
  Whole bound = Whole::Of(1);
  bound.ShiftLeft(twos);
  MulPow10(&bound, tens);
  bound.MulU64(2 * quotient + 1);
  int c = Compare(twiceX, bound);
  if (c > 0 || (c == 0 && (quotient & 1) != 0)) ++quotient;
  return quotient;
}

}  // namespace jpsrinex
