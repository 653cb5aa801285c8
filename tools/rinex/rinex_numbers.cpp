#include "tools/rinex/rinex_numbers.h"

#include <cmath>
#include <cstring>

#include "tools/rinex/number_parts.h"

namespace jpsrinex {
namespace {

constexpr int kNavExponentLimit = 99;  // two exponent digits

// a x b in 128 bits.
void Multiply(uint64_t a, uint64_t b, uint64_t* hi, uint64_t* lo) {
#if defined(__SIZEOF_INT128__)
  unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  *lo = static_cast<uint64_t>(p);
  *hi = static_cast<uint64_t>(p >> 64);
#else
  uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  *lo = (middle << 32) | (p00 & 0xFFFFFFFFu);
  *hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
#endif
}

// round-half-even(m x 2^e x 10^d) for 0 <= d < 20; false when it exceeds 64 bits.
bool ScaledRound(uint64_t m, int e, int d, uint64_t* out) {
  if (m == 0) {
    *out = 0;
    return true;
  }
  if (e < 0 && d <= kShortDecimals) {
    *out = ShortScaledRound(m, -e, d);
    return true;
  }
  if (e >= 0) {
    if (e > 11) return false;  // 2^63 and more
    uint64_t v = m << e;
    if (v > UINT64_MAX / kPow10[d]) return false;
    *out = v * kPow10[d];
    return true;
  }
  uint64_t hi, lo;
  Multiply(m, kPow10[d], &hi, &lo);  // below 2^117
  int k = -e;
  if (k >= 128) {  // far below one half
    *out = 0;
    return true;
  }
  uint64_t q, restHi, restLo, halfHi, halfLo;
  if (k < 64) {
    if ((hi >> k) != 0) return false;
    q = (lo >> k) | (hi << (64 - k));
    restHi = 0;
    restLo = lo & ((uint64_t{1} << k) - 1);
    halfHi = 0;
    halfLo = uint64_t{1} << (k - 1);
  } else if (k == 64) {
    q = hi;
    restHi = 0;
    restLo = lo;
    halfHi = 0;
    halfLo = uint64_t{1} << 63;
  } else {
    q = hi >> (k - 64);
    restHi = hi & ((uint64_t{1} << (k - 64)) - 1);
    restLo = lo;
    halfHi = uint64_t{1} << (k - 65);
    halfLo = 0;
  }
  bool above = restHi > halfHi || (restHi == halfHi && restLo > halfLo);
  bool tie = restHi == halfHi && restLo == halfLo;
  if (above || (tie && (q & 1) != 0)) ++q;
  *out = q;
  return true;
}


// The decimal digits of v, at least minDigits of them (leading zeros), at
// the end of buffer; returns where they start.
char* Digits(uint64_t v, int minDigits, char* end) {
  char* p = end;
  while (v >= 100) {
    const char* pair = kDigitPairs.text + 2 * (v % 100);
    v /= 100;
    *--p = pair[1];
    *--p = pair[0];
  }
  if (v >= 10) {
    const char* pair = kDigitPairs.text + 2 * v;
    *--p = pair[1];
    *--p = pair[0];
  } else {
    *--p = static_cast<char>('0' + v);
  }
  while (end - p < minDigits) *--p = '0';
  return p;
}

// A field of blanks; the usual widths with two overlapping stores.
constexpr char kEightBlanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
void Blank(char* out, int width) {
  constexpr int kStore = static_cast<int>(sizeof kEightBlanks);
  if (width >= kStore && width <= 2 * kStore) {
    std::memcpy(out, kEightBlanks, kStore);
    std::memcpy(out + width - kStore, kEightBlanks, kStore);
    return;
  }
  std::memset(out, ' ', static_cast<size_t>(width));
}

// The digits of a scaled value with the point before its last decimals
// (at least one digit before it), at the end of buffer; returns the start.
char* PointedDigits(uint64_t v, int decimals, char* end) {
  if (decimals == 0) return Digits(v, 1, end);
  char* p = end;
  int d = decimals;
  for (; d >= 2; d -= 2) {
    const char* pair = kDigitPairs.text + 2 * (v % 100);
    v /= 100;
    *--p = pair[1];
    *--p = pair[0];
  }
  if (d == 1) {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  *--p = '.';
  return Digits(v, 1, p);
}

}  // namespace

bool WriteFixed(char* out, double value, FixedFormat f) {
  Binary b;
  uint64_t scaled = 0;
  if (f.width > kMaxFixedWidth || f.decimals > kMaxFixedDecimals || !Decompose(value, &b) ||
      !ScaledRound(b.mantissa, b.exponent, f.decimals, &scaled)) {
    Blank(out, f.width);
    return false;
  }
  // The digits the field has room for: all but the point and the sign.
  int room = f.width - (f.decimals > 0 ? 1 : 0) - (b.negative ? 1 : 0);
  if (room < f.decimals + 1 || (room < kMaxDigits && scaled >= kPow10[room])) {
    Blank(out, f.width);
    return false;
  }
  Blank(out, f.width);
  char* start = PointedDigits(scaled, f.decimals, out + f.width);
  if (b.negative) start[-1] = '-';
  return true;
}

namespace {

// round-half-even(m x 2^e x 10^s) for a navigation number: in 128 bits
// where the compiler has them and m x 10^s fits them with room for the
// rounding (m below 2^53, 10^22 below 2^74), else on whole numbers of many
// limbs (ExactScaledRound).
uint64_t NavScaledRound(uint64_t m, int e, int s) {
#if defined(__SIZEOF_INT128__)
  using U128 = unsigned __int128;
  constexpr int kMaxShift = 22;
  constexpr int kWord = 64;
  if (s >= 0 && s <= kMaxShift && e < 0 && e > -2 * kWord) {
    constexpr int kLargestPower = kMaxDigits - 1;
    U128 p = static_cast<U128>(m) * kPow10[s < kLargestPower ? s : kLargestPower];
    if (s > kLargestPower) p *= kPow10[s - kLargestPower];
    int k = -e;
    // As ShortScaledRound: one less than the half, and the quotient's lowest bit.
    U128 q = (p + (static_cast<U128>(1) << (k - 1)) - 1 + (p >> k & 1)) >> k;
    if ((q >> kWord) == 0) return static_cast<uint64_t>(q);
  }
#endif
  return ExactScaledRound(m, e, s);
}

}  // namespace

bool WriteNavNumber(char* out, double value) {
  Binary b;
  if (!Decompose(value, &b)) {
    Blank(out, kNavNumberWidth);
    return false;
  }
  const uint64_t low = kPow10[kNavNumberDecimals], high = kPow10[kNavNumberDecimals + 1];
  int e10 = 0;
  uint64_t digits = 0;
  if (b.mantissa != 0) {
    e10 = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    digits = NavScaledRound(b.mantissa, b.exponent, kNavNumberDecimals - e10);
    if (digits >= high) {
      ++e10;
      digits = NavScaledRound(b.mantissa, b.exponent, kNavNumberDecimals - e10);
    } else if (digits < low) {
      --e10;
      digits = NavScaledRound(b.mantissa, b.exponent, kNavNumberDecimals - e10);
    }
    if (e10 > kNavExponentLimit) {
      Blank(out, kNavNumberWidth);
      return false;
    }
    if (e10 < -kNavExponentLimit) {
      e10 = 0;
      digits = 0;
    }
  }
  char mantissa[kMaxDigits];
  char* first = Digits(digits, kNavNumberDecimals + 1, mantissa + kMaxDigits);
  char* p = out;
  *p++ = b.negative ? '-' : ' ';
  *p++ = *first;
  *p++ = '.';
  std::memcpy(p, first + 1, kNavNumberDecimals);
  p += kNavNumberDecimals;
  *p++ = 'E';
  *p++ = e10 < 0 ? '-' : '+';
  int magnitude = e10 < 0 ? -e10 : e10;
  *p++ = static_cast<char>('0' + magnitude / 10);
  *p++ = static_cast<char>('0' + magnitude % 10);
  return true;
}

bool WriteInteger(char* out, int64_t value, int width, bool zeroPad) {
  char text[kMaxDigits + 2];
  char* end = text + sizeof text;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  int sign = value < 0 ? 1 : 0;
  char* start = Digits(magnitude, zeroPad ? width - sign : 1, end);
  if (value < 0) *--start = '-';
  int length = static_cast<int>(end - start);
  if (length > width) {
    Blank(out, width);
    return false;
  }
  Blank(out, width - length);
  std::memcpy(out + width - length, start, static_cast<size_t>(length));
  return true;
}

}  // namespace jpsrinex
