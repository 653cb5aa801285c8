// Configuration lines: a key, an equals sign and values, with an optional
// comment after a ";":   gain = 1, 2 3   ; three values
#pragma once

#include <cstddef>
#include <cstdint>

namespace jps {

constexpr size_t kKeyValueLineSize = 256;   // ParseKeyValues keeps 255 characters
constexpr size_t kKeySize = 32;             // a key of 32 or more characters is refused
constexpr int kMaxKeyValues = 50;

// Copies the line into one static buffer and splits it there: the key (every
// character before the first "=" other than blanks and tabs, in upper case)
// into key, and the values (runs of characters other than blank, comma and
// tab, at most 50) into values, pointing into the buffer. The line ends at a
// line feed, a carriage return or a ";". Returns the number of values, or -1
// when the line has no "=" or its key is too long.
int ParseKeyValues(const char* line, char (&key)[kKeySize], char* (&values)[kMaxKeyValues]);
// The static buffer that the values of the last ParseKeyValues point into.
char* KeyValueBuffer();

// The same on text in memory, one line from cursor, splitting in place: blanks
// and carriage returns are left out of the key, blanks, commas and carriage
// returns separate values, and the rest of the line after a ";" is cleared.
// *count is the number of values or -1. Returns the cursor of the next line.
char* ParseKeyValuesInPlace(char* cursor, char (&key)[kKeySize], char* (&values)[kMaxKeyValues],
                            int* count);
// Characters consumed by ParseKeyValuesInPlace in this process so far.
uint64_t KeyValueCharactersConsumed();

}  // namespace jps
