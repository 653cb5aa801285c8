// Keyword blocks of the EPP file: a line "Name { key values..." opens a
// block, each further line holds a key and its values, and "}" closes it:
//
//   GpsEph { Prn: 5
//           El1: 1807 432000 ...
//   }
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace jps {

constexpr int kKeywordTextSize = 32;       // block names and keys: 31 characters
constexpr int kKeywordMaxLines = 32;       // line records kept per block
constexpr int kKeywordMaxValues = 15;      // values kept per line (16 tokens with the key)
constexpr int kKeywordValueSize = 256;     // 255 characters
// The "{" that opens a block stands among the first 16 characters of its line.
constexpr int kBlockOpenSpan = 16;
// Stands for a blank inside a quoted value, so that the value stays one token.
constexpr char kQuotedBlank = '`';

struct KeywordLine {
  char key[kKeywordTextSize];
  int16_t valueCount;
  int16_t consumed;       // 1 once GetKeywordValues has returned the line
  char values[kKeywordMaxValues][kKeywordValueSize];
};

struct KeywordBlock {
  char name[kKeywordTextSize];
  int32_t lineCount;
  KeywordLine lines[kKeywordMaxLines];
};

// Reads up to and through the next block. Lines without a "{" before them are
// passed over; the first one with a "{" (outside a ";" comment) must open a
// block: the "{" among its first 16 characters with a blank or tab and some
// other character before it. 0 = a block was read, 1 = that line does not
// open a block, -1 = the file ended first. A ";" starts a comment; a double
// quote toggles a quoted state in which blanks stand as grave accents; a "}"
// closes the block and what stands before it on its line is not kept. Lines
// past the 32nd and tokens past the 16th are dropped.
int ReadKeywordBlock(std::FILE* stream, KeywordBlock* block);

// The values of the first line with this key (any case) that no call has
// returned yet, joined with blanks, quotes removed, and converted by
// ScanValues with the format. Returns the number of values converted (0 when
// the format has a conversion that ScanValues refuses), or -1 when no such
// line is left. The line then counts as returned, so that repeated calls
// give a repeated key's lines in order.
int GetKeywordValues(const char* key, KeywordBlock* block, const char* format, ...);
int GetKeywordValuesV(const char* key, KeywordBlock* block, const char* format, va_list args);

// Turns every grave accent back into a blank, in place.
void RestoreBlanks(char* text);

}  // namespace jps
