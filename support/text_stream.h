// Output text file in the host's text mode: every line feed written is stored
// as CR LF, on every platform. Formatting goes through FormatText, so exponents
// carry three digits. Errors are remembered and reported by Close and Failed.
#pragma once

#include <cstdio>

#include "support/text_format.h"

namespace jps {

class TextStream {
 public:
  TextStream() = default;
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;

  // Creates or truncates the file. Returns false when it cannot be opened
  // (a null path: errno tells why the caller has none).
  bool Open(const char* path);
  bool IsOpen() const { return file_ != nullptr; }

  // Writes text as it stands (never interpreted as a format), LF → CR LF.
  void Write(const char* text);
  // Formats with FormatText, then writes like Write.
  void Printf(const char* format, ...) JPS_PRINTF_LIKE(2, 3);

  // True once any write failed.
  bool Failed() const { return failed_; }
  // The system's error number of the first failure (open, write, flush or
  // close); 0 without one.
  int error() const { return error_; }
  // Flushes and closes; false when a write, the flush or the close failed.
  // Closing a stream that is not open returns true.
  bool Close();

 private:
  void Fail();

  std::FILE* file_ = nullptr;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace jps
