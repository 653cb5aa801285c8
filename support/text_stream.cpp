#include "support/text_stream.h"

#include <cstdarg>
#include <cstring>

namespace jps {

TextStream::~TextStream() { Close(); }

bool TextStream::Open(const char* path) {
  Close();
  failed_ = false;
  file_ = std::fopen(path, "wb");
  return file_ != nullptr;
}

void TextStream::Write(const char* text) {
  if (file_ == nullptr) return;
  const char* p = text;
  while (*p != '\0') {
    const char* lf = std::strchr(p, '\n');
    size_t n = lf != nullptr ? static_cast<size_t>(lf - p) : std::strlen(p);
    if (n > 0 && std::fwrite(p, 1, n, file_) != n) failed_ = true;
    if (lf == nullptr) break;
    if (std::fwrite("\r\n", 1, 2, file_) != 2) failed_ = true;
    p = lf + 1;
  }
}

void TextStream::Printf(const char* format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  FormatTextV(line, sizeof line, format, args);
  va_end(args);
  Write(line);
}

bool TextStream::Close() {
  if (file_ == nullptr) return true;
  bool ok = !failed_;
  if (std::fflush(file_) != 0 || std::ferror(file_) != 0) ok = false;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  failed_ = !ok;
  return ok;
}

}  // namespace jps
