#include "support/failure_text.h"

#include <cstdarg>

namespace jps {

void FailureText::Set(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatTextV(text_, sizeof text_, format, args);
  va_end(args);
}

}  // namespace jps
