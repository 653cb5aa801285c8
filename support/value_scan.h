// A small scanner of the values on one text line: blanks, commas and tabs
// separate values, and each conversion of the format takes the next value.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace jps {

// Text conversions store at most this many characters and a terminator,
// unless the format gives a smaller width ("%31s").
constexpr size_t kScanTextLimit = 255;

// Conversions: %c (char*: the value's first character), %d (int*), %ld
// (long*), %e and %f (float*), %le and %lf (double*), %s (char*: the value),
// %S (char*: the whole rest of the text, blanks included; the scan ends).
// Other characters of the format are ignored. The scan stops when the text
// runs out, after the last value of the text, and at a value that is not a
// number where a number is wanted (a value such as ".5" for %d). Returns the
// number of values stored, or -1 at a conversion letter outside the list.
int ScanValues(const char* text, const char* format, ...);
int ScanValuesV(const char* text, const char* format, va_list args);

}  // namespace jps
