#include "support/key_values.h"

#include <cstring>

#include "support/text_helpers.h"

namespace jps {
namespace {

constexpr char kEquals = '=';
constexpr char kComment = ';';

char KeyValueLine[kKeyValueLineSize];
uint64_t CharactersConsumed = 0;

bool EndsLine(char c) { return c == '\0' || c == '\n' || c == '\r' || c == kComment; }
bool SeparatesValues(char c) { return c == ' ' || c == ',' || c == '\t'; }

// Collects key characters; false once the key would reach 32 characters.
struct KeyBuilder {
  char* key;
  size_t length = 0;
  bool tooLong = false;
  void Add(char c) {
    if (length + 1 >= kKeySize) tooLong = true;
    else key[length++] = c;
    key[length] = '\0';
  }
};

}  // namespace

int ParseKeyValues(const char* line, char (&key)[kKeySize], char* (&values)[kMaxKeyValues]) {
  CopyBounded(KeyValueLine, line, kKeyValueLineSize - 1);
  key[0] = '\0';
  KeyBuilder builder{key};
  bool seenEquals = false;
  int count = 0;
  char* p = KeyValueLine;
  while (!EndsLine(*p)) {
    if (!seenEquals) {
      if (*p == kEquals) seenEquals = true;
      else if (*p != ' ' && *p != '\t') builder.Add(*p);
      if (builder.tooLong) return -1;
      ++p;
    } else if (SeparatesValues(*p)) {
      *p++ = '\0';
    } else {
      if (count == kMaxKeyValues) break;
      values[count++] = p;
      while (!EndsLine(*p) && !SeparatesValues(*p)) ++p;
    }
  }
  *p = '\0';
  ToUpperAscii(key);
  return seenEquals ? count : -1;
}

char* KeyValueBuffer() { return KeyValueLine; }

char* ParseKeyValuesInPlace(char* cursor, char (&key)[kKeySize], char* (&values)[kMaxKeyValues],
                            int* count) {
  key[0] = '\0';
  KeyBuilder builder{key};
  bool seenEquals = false;
  bool inValue = false;
  int n = 0;
  char* p = cursor;
  for (; *p != '\0' && *p != '\n'; ++p, ++CharactersConsumed) {
    if (*p == kComment) {
      for (; *p != '\0' && *p != '\n'; ++p, ++CharactersConsumed) *p = '\0';
      break;
    }
    if (!seenEquals) {
      if (*p == kEquals) seenEquals = true;
      else if (*p != ' ' && *p != '\r') builder.Add(*p);
    } else if (*p == ' ' || *p == ',' || *p == '\r') {
      *p = '\0';
      inValue = false;
    } else if (!inValue) {
      inValue = true;
      if (n < kMaxKeyValues) values[n++] = p;
    }
  }
  if (*p == '\n') {
    *p++ = '\0';
    ++CharactersConsumed;
  }
  ToUpperAscii(key);
  *count = (seenEquals && !builder.tooLong) ? n : -1;
  return p;
}

uint64_t KeyValueCharactersConsumed() { return CharactersConsumed; }

}  // namespace jps
