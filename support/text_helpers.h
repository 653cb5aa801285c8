// Small routines over NUL-terminated byte strings: ASCII case, blanks and
// stars, bounded copies, ";"-separated fields, and the hex text form of a byte
// record with its length and sum.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jps {

// Case conversion touches the first 40 characters only.
constexpr size_t kUpperCaseSpan = 40;
// BlanksToStars keeps at most 255 characters.
constexpr size_t kStarTextSize = 256;

// a-z to A-Z in the first 40 characters, in place.
void ToUpperAscii(char* text);
// True when the texts are equal apart from the case of a-z.
bool SameTextIgnoringCase(const char* a, const char* b);
// A copy in one static buffer with every blank turned into "*".
const char* BlanksToStars(const char* text);
// Every "*" and every grave accent turned into a blank, in place.
void StarsToBlanks(char* text);
// At most n characters of text, then a terminator (out holds n + 1 bytes).
void CopyBounded(char* out, const char* text, size_t n);

// Number of ";"-separated fields: 0 for an empty text, and a ";" at the very
// end opens no further field ("a;b;" and "a;b" both have 2).
int CountFields(const char* text);
// The field with the 0-based index, cut to capacity - 1 characters. 0, or -1
// (out empty) when the text has no such field.
int GetField(const char* text, int index, char* out, size_t capacity);

// Hex record text: "%04X%04X" with the byte count and the 16-bit sum of the
// bytes, then each byte as "%02X"; 2 * count + 8 characters. 0, or -1 when
// the count does not fit in four digits or the text does not fit in capacity.
int HexEncodeRecord(const uint8_t* bytes, size_t count, char* out, size_t capacity);
// 0 = good, 1 = the text is not 2 * count + 8 characters long, 2 = the count
// or the sum field is not hex or the count is not this one, 3 = a data digit
// is not hex or the bytes do not add up to the sum.
int HexDecodeRecord(const char* text, uint8_t* bytes, size_t count);
// Value 0-255 of the two hex digits (either case) at text[position], or -1.
int HexPairValue(const char* text, size_t position);

}  // namespace jps
