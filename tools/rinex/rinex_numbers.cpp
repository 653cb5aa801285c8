#include "tools/rinex/rinex_numbers.h"

#include <cmath>
#include <cstring>

namespace jpsrinex {
namespace {

constexpr int kMantissaBits = 52;
constexpr int kExponentBias = 1075;  // value = mantissa x 2^(biased exponent - 1075)
constexpr int kExponentAll = 0x7FF;  // infinity or NaN
constexpr int kMaxDigits = 20;       // of a uint64_t
constexpr uint64_t kPow10[kMaxDigits] = {1u,
                                         10u,
                                         100u,
                                         1000u,
                                         10000u,
                                         100000u,
                                         1000000u,
                                         10000000u,
                                         100000000u,
                                         1000000000u,
                                         10000000000u,
                                         100000000000u,
                                         1000000000000u,
                                         10000000000000u,
                                         100000000000000u,
                                         1000000000000000u,
                                         10000000000000000u,
                                         100000000000000000u,
                                         1000000000000000000u,
                                         10000000000000000000u};
constexpr int kNavExponentLimit = 99;  // two exponent digits

// A double as sign, mantissa and power of two; false for infinity and NaN.
struct Binary {
  bool negative;
  uint64_t mantissa;
  int exponent;
};

bool Decompose(double value, Binary* b) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  b->negative = (bits >> 63) != 0;
  int biased = static_cast<int>((bits >> kMantissaBits) & kExponentAll);
  uint64_t fraction = bits & ((uint64_t{1} << kMantissaBits) - 1);
  if (biased == kExponentAll) return false;
  if (biased == 0) {  // zero and the subnormals
    b->mantissa = fraction;
    b->exponent = 1 - kExponentBias;
  } else {
    b->mantissa = fraction | (uint64_t{1} << kMantissaBits);
    b->exponent = biased - kExponentBias;
  }
  return true;
}

// a x b in 128 bits.
void Multiply(uint64_t a, uint64_t b, uint64_t* hi, uint64_t* lo) {
  uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  *lo = (middle << 32) | (p00 & 0xFFFFFFFFu);
  *hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

// round-half-even(m x 2^e x 10^d) for 0 <= d < 20; false when it exceeds 64 bits.
bool ScaledRound(uint64_t m, int e, int d, uint64_t* out) {
  if (m == 0) {
    *out = 0;
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

// "00" to "99".
struct DigitPairs {
  char text[200];
  constexpr DigitPairs() : text() {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kDigitPairs;

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

void Blank(char* out, int width) { std::memset(out, ' ', static_cast<size_t>(width)); }

}  // namespace

bool WriteFixed(char* out, double value, FixedFormat f) {
  Binary b;
  uint64_t scaled = 0;
  if (f.width > kMaxFixedWidth || f.decimals > kMaxFixedDecimals || !Decompose(value, &b) ||
      !ScaledRound(b.mantissa, b.exponent, f.decimals, &scaled)) {
    Blank(out, f.width);
    return false;
  }
  char text[kMaxDigits + kMaxFixedDecimals + 4];
  char* end = text + sizeof text;
  char* digits = Digits(scaled, f.decimals + 1, end);
  // Insert the point before the last `decimals` digits.
  char* start = digits;
  if (f.decimals > 0) {
    char* point = end - f.decimals;
    std::memmove(digits - 1, digits, static_cast<size_t>(point - digits));
    *(point - 1) = '.';
    start = digits - 1;
  }
  if (b.negative) *--start = '-';
  int length = static_cast<int>(end - start);
  if (length > f.width) {
    Blank(out, f.width);
    return false;
  }
  Blank(out, f.width - length);
  std::memcpy(out + f.width - length, start, static_cast<size_t>(length));
  return true;
}

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
    digits = ExactScaledRound(b.mantissa, b.exponent, kNavNumberDecimals - e10);
    if (digits >= high) {
      ++e10;
      digits = ExactScaledRound(b.mantissa, b.exponent, kNavNumberDecimals - e10);
    } else if (digits < low) {
      --e10;
      digits = ExactScaledRound(b.mantissa, b.exponent, kNavNumberDecimals - e10);
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
