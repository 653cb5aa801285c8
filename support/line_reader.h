// Bounded reading of text lines, from a stream or from text in memory.
#pragma once

#include <cstddef>
#include <cstdio>

namespace jps {

// A line buffer: 255 characters and a terminator.
constexpr size_t kTextLineSize = 256;

// Reads one line into buffer. The line feed ends the line and is not kept,
// nor is a carriage return just before it (the files this converter writes
// end their lines in CR LF). The first 255 characters of a longer line are
// kept and the rest of it is dropped. Returns the number of characters stored,
// or -1 at the end of the file when nothing was read.
int ReadTextLine(std::FILE* stream, char (&buffer)[kTextLineSize]);

// Reads one line and scans its values as ScanValues does; -1 at the end of
// the file.
int ReadLineValues(std::FILE* stream, const char* format, ...);

// Copies from *cursor up to and including the next line feed (at most
// size - 1 characters, or up to the end of the text) into out and moves the
// cursor past what was copied. -1 and an empty out when the text is exhausted.
int NextTextLine(const char** cursor, char* out, size_t size);

}  // namespace jps
