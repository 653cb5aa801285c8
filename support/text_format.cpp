#include "support/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace jps {
namespace {

// Bounded appender: keeps the buffer NUL-terminated and drops what does not fit.
struct Out {
  char* data;
  size_t capacity;
  size_t length;

  void Append(const char* text, size_t n) {
    if (capacity == 0) return;
    size_t room = capacity - 1 - length;
    if (n > room) n = room;
    std::memcpy(data + length, text, n);
    length += n;
    data[length] = '\0';
  }
};

// Widens a two-digit exponent at the end of a converted number ("e-05") to
// three digits ("e-005"). Trailing padding from a left-justified width is kept.
size_t WidenExponent(char* text, size_t n, size_t capacity) {
  size_t end = n;
  while (end > 0 && text[end - 1] == ' ') --end;
  size_t digits = 0;
  while (digits < end && text[end - 1 - digits] >= '0' && text[end - 1 - digits] <= '9') ++digits;
  if (digits == 0 || digits >= 3 || end < digits + 2) return n;
  size_t sign = end - digits - 1;
  char mark = text[sign - 1];
  if ((text[sign] != '+' && text[sign] != '-') || (mark != 'e' && mark != 'E')) return n;
  size_t pad = 3 - digits;
  if (n + pad + 1 > capacity) return n;
  std::memmove(text + sign + 1 + pad, text + sign + 1, n - sign - 1 + 1);
  for (size_t i = 0; i < pad; ++i) text[sign + 1 + i] = '0';
  return n + pad;
}

// "%.Ne" and "%.Nf" without flags or width, the converter's own number
// formats, go through std::to_chars: the same digits as printf (both round
// the exact binary value correctly) at a fraction of its cost. Longer
// precisions take printf's path.
constexpr int kMaxFastPrecision = 40;

int FormatFixedOrScientific(char* piece, size_t capacity, double value, bool scientific,
                            int precision) {
  std::to_chars_result r =
      std::to_chars(piece, piece + capacity - 1, value,
                    scientific ? std::chars_format::scientific : std::chars_format::fixed,
                    precision);
  if (r.ec != std::errc()) return -1;
  *r.ptr = '\0';
  return static_cast<int>(r.ptr - piece);
}

}  // namespace

size_t FormatTextV(char* out, size_t capacity, const char* format, va_list args) {
  Out o{out, capacity, 0};
  if (capacity > 0) out[0] = '\0';
  const char* p = format;
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && *p != '%') ++p;
    if (p > start) o.Append(start, static_cast<size_t>(p - start));
    if (*p == '\0') break;

    // One conversion directive: %[flags][width][.precision][length]conv
    const char* directive_begin = p++;
    if (*p == '%') {
      o.Append("%", 1);
      ++p;
      continue;
    }
    const char* flags_begin = p;
    while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
    bool plain = p == flags_begin;  // no flags and no width
    bool star_width = false, star_precision = false;
    if (*p == '*') { star_width = true; ++p; }
    if (*p >= '0' && *p <= '9') plain = false;
    while (*p >= '0' && *p <= '9') ++p;
    int digits_precision = -1;  // a precision written as digits
    if (*p == '.') {
      ++p;
      if (*p == '*') { star_precision = true; ++p; }
      digits_precision = 0;
      while (*p >= '0' && *p <= '9') {
        if (digits_precision < kMaxFastPrecision) {
          digits_precision = digits_precision * 10 + (*p - '0');
        }
        ++p;
      }
    }
    int longs = 0;
    bool short_mod = false;
    while (*p == 'l' || *p == 'h' || *p == 'L' || *p == 'z') {
      if (*p == 'l') ++longs;
      if (*p == 'h') short_mod = true;
      if (*p == 'z') longs = 3;
      ++p;
    }
    char conv = *p;
    if (conv == '\0') break;
    ++p;

    char directive[32];
    size_t directive_len = static_cast<size_t>(p - directive_begin);
    if (directive_len >= sizeof directive) continue;  // absurd directive: skipped
    std::memcpy(directive, directive_begin, directive_len);
    directive[directive_len] = '\0';

    int width = star_width ? va_arg(args, int) : 0;
    int precision = star_precision ? va_arg(args, int) : 0;
    char piece[512];
    int n = 0;
    auto emit = [&](auto value) {
      if (star_width && star_precision) n = std::snprintf(piece, sizeof piece, directive, width, precision, value);
      else if (star_width) n = std::snprintf(piece, sizeof piece, directive, width, value);
      else if (star_precision) n = std::snprintf(piece, sizeof piece, directive, precision, value);
      else n = std::snprintf(piece, sizeof piece, directive, value);
    };
    // A plain "%d", "%ld", "%u" ... in decimal: std::to_chars, the digits printf writes.
    const bool plainDecimal = plain && !star_width && digits_precision < 0 && !star_precision &&
                              !short_mod && (conv == 'd' || conv == 'i' || conv == 'u');
    auto emitInteger = [&](auto value) {
      if (plainDecimal) {
        std::to_chars_result r = std::to_chars(piece, piece + sizeof piece - 1, value);
        *r.ptr = '\0';
        n = static_cast<int>(r.ptr - piece);
      } else {
        emit(value);
      }
    };
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
    switch (conv) {
      case 'd': case 'i': case 'c':
        if (longs >= 2) emitInteger(va_arg(args, long long));
        else if (longs == 1) emitInteger(va_arg(args, long));
        else emitInteger(va_arg(args, int));
        break;
      case 'u': case 'x': case 'X': case 'o':
        if (longs >= 2) emitInteger(va_arg(args, unsigned long long));
        else if (longs == 1) emitInteger(va_arg(args, unsigned long));
        else emitInteger(va_arg(args, unsigned int));
        break;
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A': {
        // A NaN's sign means nothing, and C libraries disagree on showing it
        // ("-nan" or "nan"): it is dropped, so every platform prints "nan".
        double value = va_arg(args, double);
        if (std::isnan(value)) value = std::fabs(value);
        if (plain && !star_width && !star_precision && digits_precision >= 0 &&
            digits_precision < kMaxFastPrecision && (conv == 'e' || conv == 'f')) {
          n = FormatFixedOrScientific(piece, sizeof piece, value, conv == 'e', digits_precision);
          if (n >= 0) break;
        }
        emit(value);
        break;
      }
      case 's': {
        const char* text = va_arg(args, const char*);
        if (text == nullptr) text = "(null)";
        if (directive_len == 2 && !star_width && !star_precision) {
          o.Append(text, std::strlen(text));  // plain %s: any length, cut only by the buffer
          continue;
        }
        emit(text);
        break;
      }
      case 'p':
        emit(va_arg(args, void*));
        break;
      default:
        continue;  // unknown conversion: nothing printed, nothing consumed
    }
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    (void)short_mod;
    if (n < 0) continue;
    size_t len = static_cast<size_t>(n) < sizeof piece ? static_cast<size_t>(n) : sizeof piece - 1;
    if (conv == 'e' || conv == 'E' || conv == 'g' || conv == 'G') {
      len = WidenExponent(piece, len, sizeof piece);
    }
    o.Append(piece, len);
  }
  return o.length;
}

size_t FormatText(char* out, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = FormatTextV(out, capacity, format, args);
  va_end(args);
  return n;
}

}  // namespace jps
