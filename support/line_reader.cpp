#include "support/line_reader.h"

#include <cstdarg>

#include "support/value_scan.h"

namespace jps {

int ReadTextLine(std::FILE* stream, char (&buffer)[kTextLineSize]) {
  size_t length = 0;
  bool readAny = false;
  bool dropped = false;
  int c;
  while ((c = std::fgetc(stream)) != EOF) {
    readAny = true;
    if (c == '\n') break;
    if (length < kTextLineSize - 1) {
      buffer[length++] = static_cast<char>(c);
    } else {
      dropped = true;
    }
  }
  if (!readAny) {
    buffer[0] = '\0';
    return -1;
  }
  if (c == '\n' && !dropped && length > 0 && buffer[length - 1] == '\r') --length;
  buffer[length] = '\0';
  return static_cast<int>(length);
}

int ReadLineValues(std::FILE* stream, const char* format, ...) {
  char line[kTextLineSize];
  if (ReadTextLine(stream, line) < 0) return -1;
  va_list args;
  va_start(args, format);
  int stored = ScanValuesV(line, format, args);
  va_end(args);
  return stored;
}

int NextTextLine(const char** cursor, char* out, size_t size) {
  if (size == 0) return -1;
  const char* p = *cursor;
  if (*p == '\0') {
    out[0] = '\0';
    return -1;
  }
  size_t n = 0;
  while (p[n] != '\0' && n < size - 1) {
    out[n] = p[n];
    if (p[n++] == '\n') break;
  }
  out[n] = '\0';
  *cursor = p + n;
  return 0;
}

}  // namespace jps
