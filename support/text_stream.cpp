#include "support/text_stream.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace jps {

TextStream::~TextStream() { Close(); }

bool TextStream::Open(const char* path) {
  Close();
  failed_ = false;
  error_ = 0;
  if (path == nullptr) {
    error_ = errno;
    return false;
  }
  file_ = std::fopen(path, "wb");
  if (file_ == nullptr) error_ = errno;
  return file_ != nullptr;
}

void TextStream::Fail() {
  if (!failed_) error_ = errno;
  failed_ = true;
}

void TextStream::Write(const char* text) {
  if (file_ == nullptr) return;
  const char* p = text;
  while (*p != '\0') {
    const char* lf = std::strchr(p, '\n');
    size_t n = lf != nullptr ? static_cast<size_t>(lf - p) : std::strlen(p);
    if (n > 0 && std::fwrite(p, 1, n, file_) != n) Fail();
    if (lf == nullptr) break;
    if (std::fwrite("\r\n", 1, 2, file_) != 2) Fail();
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
  if (std::fflush(file_) != 0 || std::ferror(file_) != 0) Fail();
  if (std::fclose(file_) != 0) Fail();
  file_ = nullptr;
  return !failed_;
}

}  // namespace jps
