// WriteObservationField: F14.3 and the two indicators built in two 64-bit
// words, byte k of a word the field's character k, without a loop or a
// division by a variable: the whole part as a pair of digits and a block of
// eight digits made of two groups of four from a table, the decimals from a
// table, the leading zeros turned into blanks by masks.
#include <cstdint>
#include <cstring>

#include "support/little_endian.h"
#include "tools/rinex/number_parts.h"
#include "tools/rinex/rinex_numbers.h"

namespace jpsrinex {
namespace {

constexpr FixedFormat kField = kObservationFormat;
constexpr int kWholeDigits = kField.width - kField.decimals - 1;  // before the point
constexpr int kWordBytes = 8;
constexpr uint64_t kDecimalScale = kPow10[kField.decimals];
constexpr uint64_t kBlockScale = kPow10[kWordBytes];
constexpr uint64_t kBlanks = 0x2020202020202020u;
constexpr uint64_t kZeros = 0x3030303030303030u;
constexpr uint64_t kMinuses = 0x2D2D2D2D2D2D2D2Du;
constexpr uint64_t kByteLows = 0x0101010101010101u;
constexpr uint64_t kByte = 0xFFu;
constexpr uint64_t kAllButLast = ~uint64_t{0} >> 8;
static_assert(kField.decimals <= kShortDecimals, "the value is rounded the short way");
static_assert(kWholeDigits == 2 + kWordBytes && kObservationFieldWidth == 2 * kWordBytes,
              "a pair of digits, a block of eight, the decimals and the indicators: two words");

// ".000" to ".999" as words of their four characters.
struct Decimals {
  uint32_t word[1000];
  constexpr Decimals() : word() {
    for (uint32_t i = 0; i < 1000; ++i) {
      word[i] = '.' | ('0' + i / 100) << 8 | ('0' + i / 10 % 10) << 16 | ('0' + i % 10) << 24;
    }
  }
};
constexpr Decimals kDecimals;
static_assert(kDecimalScale == 1000, "the table holds three decimals");

// The characters of the pair of digits of v < 100, the first in the lower byte.
inline uint64_t PairWord(uint32_t v) {
  const char* pair = kDigitPairs.text + 2 * v;
  return static_cast<uint64_t>(static_cast<uint8_t>(pair[0])) |
         static_cast<uint64_t>(static_cast<uint8_t>(pair[1])) << 8;
}

// "0000" to "9999" as words of their four characters, the first in the
// lowest byte (40 KB, of which a body's values use a part).
struct DigitQuads {
  uint32_t word[10000];
  constexpr DigitQuads() : word() {
    for (uint32_t i = 0; i < 10000; ++i) {
      word[i] = ('0' + i / 1000) | ('0' + i / 100 % 10) << 8 | ('0' + i / 10 % 10) << 16 |
                ('0' + i % 10) << 24;
    }
  }
};
constexpr DigitQuads kDigitQuads;
constexpr uint32_t kQuadScale = 10000;

// The eight digits of v < 10^8 as values, a byte each, the first in the
// lowest byte: two quads from the table.
inline uint64_t EightDigits(uint32_t v) {
  uint32_t high = v / kQuadScale, low = v - high * kQuadScale;
  return (kDigitQuads.word[high] | uint64_t{kDigitQuads.word[low]} << 32) ^ kZeros;
}

// The bytes of the leading zeros of EightDigits' digits, all ones; the
// last digit is never one of them.
uint64_t LeadingZeros(uint64_t digits) {
  uint64_t below = (digits & (~digits + 1)) - 1;  // bits under the lowest one; all for 0
  return (below >> 7 & kByteLows) * kByte & kAllButLast;
}

// The word's characters in their order at out, whatever the host's byte order.
void StoreWord(char* out, uint64_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(out, &word, sizeof word);
#else
  jps::StoreU64(reinterpret_cast<uint8_t*>(out), word);
#endif
}

bool BlankField(char* out) {
  StoreWord(out, kBlanks);
  StoreWord(out + kWordBytes, kBlanks);
  return false;
}

inline bool WriteField(char* out, double value, char lli, char strength) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bool negative = (bits >> 63) != 0;
  int biased = static_cast<int>(bits >> kMantissaBits & kExponentAll);
  // 2^52 and more (infinity and NaN too) needs more digits than the field has.
  if (biased >= kExponentBias) return BlankField(out);
  // value = m x 2^-k. Below 2^-11 (zero and the subnormals too) the value
  // rounds to 0: its m there does not matter.
  uint64_t m = (bits & ((uint64_t{1} << kMantissaBits) - 1)) | uint64_t{1} << kMantissaBits;
  int k = kExponentBias - biased;
  if (k >= 64) {
    m = 0;
    k = 63;
  }
  uint64_t scaled = ShortScaledRound(m, k, kField.decimals);
  uint64_t whole = scaled / kDecimalScale;
  uint64_t decimals = scaled - whole * kDecimalScale;
  if (whole >= kPow10[negative ? kWholeDigits - 1 : kWholeDigits]) return BlankField(out);
  uint64_t pair = whole / kBlockScale;  // below 100
  uint64_t digits = EightDigits(static_cast<uint32_t>(whole - pair * kBlockScale));
  uint64_t eight = digits | kZeros;
  uint64_t first;  // the pair and the first six of the eight
  if (pair != 0) {
    first = PairWord(static_cast<uint32_t>(pair));
    if (pair < 10) first = (first & ~kByte) | (negative ? '-' : ' ');
  } else {
    uint64_t lead = LeadingZeros(digits);
    eight = (eight & ~lead) | (kBlanks & lead);
    first = kBlanks & 0xFFFF;
    if (negative && lead != 0) {
      uint64_t sign = lead ^ (lead >> 8);  // the last blank
      eight = (eight & ~sign) | (kMinuses & sign);
    } else if (negative) {
      first = ' ' | uint64_t{'-'} << 8;
    }
  }
  first |= eight << 16;
  uint64_t second = eight >> 48 |
                    static_cast<uint64_t>(kDecimals.word[decimals]) << 16 |
                    static_cast<uint64_t>(static_cast<uint8_t>(lli)) << 48 |
                    static_cast<uint64_t>(static_cast<uint8_t>(strength)) << 56;
  StoreWord(out, first);
  StoreWord(out + kWordBytes, second);
  return true;
}

}  // namespace

bool WriteObservationField(char* out, double value, char lli, char strength) {
  return WriteField(out, value, lli, strength);
}

int WriteObservationFields(const ObservationField* fields, int n) {
  int blank = 0;
  for (int i = 0; i < n; ++i) {
    const ObservationField& f = fields[i];
    blank += WriteField(f.out, f.value, f.lli, f.strength) ? 0 : 1;
  }
  return blank;
}

}  // namespace jpsrinex
