#include "context/conversion_context.h"

#include <cstdarg>

namespace jps {

// A host without OnMessage costs no formatting.
void ConversionContext::SendV(double time, const char* format, va_list args) {
  if (host_ == nullptr || host_->OnMessage == nullptr) return;
  FormatTextV(message_, sizeof message_, format, args);
  host_->OnMessage(time, message_);
}

void ConversionContext::Report(const char* format, ...) {
  va_list args;
  va_start(args, format);
  SendV(kNoTimeTag, format, args);
  va_end(args);
}

void ConversionContext::Notify(double time, const char* format, ...) {
  va_list args;
  va_start(args, format);
  SendV(time, format, args);
  va_end(args);
}

}  // namespace jps
