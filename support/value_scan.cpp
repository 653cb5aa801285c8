#include "support/value_scan.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace jps {
namespace {

constexpr const char* kValueSeparators = " ,\t";

bool IsSeparator(char c) { return c != '\0' && std::strchr(kValueSeparators, c) != nullptr; }

// The value as a terminated text for the number parsers (a longer value is cut).
struct ValueText {
  char text[kScanTextLimit + 1];
  ValueText(const char* begin, size_t length) {
    if (length > kScanTextLimit) length = kScanTextLimit;
    std::memcpy(text, begin, length);
    text[length] = '\0';
  }
};

bool ParseLong(const char* begin, size_t length, long* value) {
  ValueText v(begin, length);
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(v.text, &end, 10);
  if (end == v.text || errno == ERANGE) return false;
  *value = parsed;
  return true;
}

bool ParseDouble(const char* begin, size_t length, double* value) {
  ValueText v(begin, length);
  char* end = nullptr;
  double parsed = std::strtod(v.text, &end);
  if (end == v.text) return false;
  *value = parsed;
  return true;
}

void CopyText(char* out, const char* begin, size_t length, size_t width) {
  size_t limit = width > 0 && width < kScanTextLimit ? width : kScanTextLimit;
  if (length > limit) length = limit;
  std::memcpy(out, begin, length);
  out[length] = '\0';
}

}  // namespace

int ScanValues(const char* text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int stored = ScanValuesV(text, format, args);
  va_end(args);
  return stored;
}

int ScanValuesV(const char* text, const char* format, va_list args) {
  va_list ap;
  va_copy(ap, args);
  int stored = 0;
  const char* p = text;
  for (const char* f = format; *f != '\0'; ++f) {
    if (*f != '%') continue;
    ++f;
    size_t width = 0;
    while (*f >= '0' && *f <= '9') width = width * 10 + static_cast<size_t>(*f++ - '0');
    bool isLong = *f == 'l';
    if (isLong) ++f;
    char conversion = *f;
    if (std::strchr(isLong ? "def" : "cdefsS", conversion) == nullptr || conversion == '\0') {
      stored = -1;
      break;
    }
    while (IsSeparator(*p)) ++p;
    if (*p == '\0') break;
    if (conversion == 'S') {
      CopyText(va_arg(ap, char*), p, std::strlen(p), width);
      ++stored;
      break;
    }
    const char* end = p;
    while (*end != '\0' && !IsSeparator(*end)) ++end;
    size_t length = static_cast<size_t>(end - p);
    bool ok = true;
    if (conversion == 'c') {
      *va_arg(ap, char*) = *p;
    } else if (conversion == 's') {
      CopyText(va_arg(ap, char*), p, length, width);
    } else if (conversion == 'd') {
      long value = 0;
      ok = *p != '.' && ParseLong(p, length, &value);
      if (ok && isLong) *va_arg(ap, long*) = value;
      if (ok && !isLong) {
        ok = value >= INT_MIN && value <= INT_MAX;
        if (ok) *va_arg(ap, int*) = static_cast<int>(value);
      }
    } else {  // e, f
      double value = 0;
      ok = ParseDouble(p, length, &value);
      if (ok && isLong) *va_arg(ap, double*) = value;
      if (ok && !isLong) *va_arg(ap, float*) = static_cast<float>(value);
    }
    if (!ok) break;
    ++stored;
    if (*end == '\0') break;
    p = end;
  }
  va_end(ap);
  return stored;
}

}  // namespace jps
