// printf-style formatting into a bounded buffer, with two differences from
// the C library: exponent forms (%e, %E, and %g when it picks an exponent)
// always print a signed exponent of at least three digits (1.50000000e-005),
// the way the host platform's runtime prints them, and a NaN prints without
// its sign ("nan"), which C libraries disagree on. The EPP and STA writers
// and the host messages all format through here, so every platform writes
// the same bytes. The result is always NUL-terminated; a longer text is cut.
#pragma once

#include <cstdarg>
#include <cstddef>

#if defined(__GNUC__) || defined(__clang__)
#define JPS_PRINTF_LIKE(fmt_index, first_arg) \
  __attribute__((format(printf, fmt_index, first_arg)))
#else
#define JPS_PRINTF_LIKE(fmt_index, first_arg)
#endif

namespace jps {

// Returns the number of characters stored (not counting the NUL).
size_t FormatTextV(char* out, size_t capacity, const char* format, va_list args);
size_t FormatText(char* out, size_t capacity, const char* format, ...) JPS_PRINTF_LIKE(3, 4);

}  // namespace jps
