#include "support/text_helpers.h"

#include <cstring>

#include "support/text_format.h"

namespace jps {
namespace {

constexpr char kGraveAccent = '`';
constexpr char kFieldSeparator = ';';
constexpr size_t kMaxHexRecordCount = 0xFFFF;
constexpr size_t kHexRecordHead = 8;   // count and sum, four digits each

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int HexDigit(char c) {
  c = UpperAscii(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hex digits at text[position] as a 16-bit value, or -1.
int HexWord(const char* text, size_t position) {
  int high = HexPairValue(text, position);
  int low = HexPairValue(text, position + 2);
  if (high < 0 || low < 0) return -1;
  return high * 256 + low;
}

}  // namespace

void ToUpperAscii(char* text) {
  for (size_t i = 0; i < kUpperCaseSpan && text[i] != '\0'; ++i) text[i] = UpperAscii(text[i]);
}

bool SameTextIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (UpperAscii(*a) != UpperAscii(*b)) return false;
  }
  return *a == *b;
}

const char* BlanksToStars(const char* text) {
  static char copy[kStarTextSize];
  CopyBounded(copy, text, sizeof copy - 1);
  for (char* p = copy; *p != '\0'; ++p) {
    if (*p == ' ') *p = '*';
  }
  return copy;
}

void StarsToBlanks(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == '*' || *text == kGraveAccent) *text = ' ';
  }
}

void CopyBounded(char* out, const char* text, size_t n) {
  size_t i = 0;
  for (; i < n && text[i] != '\0'; ++i) out[i] = text[i];
  out[i] = '\0';
}

int CountFields(const char* text) {
  if (*text == '\0') return 0;
  int separators = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == kFieldSeparator) ++separators;
  }
  return text[std::strlen(text) - 1] == kFieldSeparator ? separators : separators + 1;
}

int GetField(const char* text, int index, char* out, size_t capacity) {
  if (capacity == 0) return -1;
  out[0] = '\0';
  if (index < 0 || index >= CountFields(text)) return -1;
  const char* p = text;
  for (int i = 0; i < index; ++i) p = std::strchr(p, kFieldSeparator) + 1;
  size_t length = std::strcspn(p, ";");
  CopyBounded(out, p, length < capacity - 1 ? length : capacity - 1);
  return 0;
}

int HexEncodeRecord(const uint8_t* bytes, size_t count, char* out, size_t capacity) {
  if (count > kMaxHexRecordCount || capacity < 2 * count + kHexRecordHead + 1) return -1;
  uint16_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum = static_cast<uint16_t>(sum + bytes[i]);
  FormatText(out, capacity, "%04X%04X", static_cast<unsigned>(count), static_cast<unsigned>(sum));
  for (size_t i = 0; i < count; ++i) {
    FormatText(out + kHexRecordHead + 2 * i, 3, "%02X", static_cast<unsigned>(bytes[i]));
  }
  return 0;
}

int HexDecodeRecord(const char* text, uint8_t* bytes, size_t count) {
  if (std::strlen(text) != 2 * count + kHexRecordHead) return 1;
  int recordCount = HexWord(text, 0);
  int recordSum = HexWord(text, 4);
  if (recordCount < 0 || static_cast<size_t>(recordCount) != count || recordSum < 0) return 2;
  uint16_t sum = 0;
  for (size_t i = 0; i < count; ++i) {
    int value = HexPairValue(text, kHexRecordHead + 2 * i);
    if (value < 0) return 3;
    bytes[i] = static_cast<uint8_t>(value);
    sum = static_cast<uint16_t>(sum + value);
  }
  return sum == recordSum ? 0 : 3;
}

int HexPairValue(const char* text, size_t position) {
  if (text[position] == '\0') return -1;
  int high = HexDigit(text[position]);
  int low = HexDigit(text[position + 1]);
  if (high < 0 || low < 0) return -1;
  return 16 * high + low;
}

}  // namespace jps
