#include "context/conversion_context.h"

#include <cstdarg>

#include "support/output_files.h"

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

void ConversionContext::ReportFileFailure(const char* path, int error) {
  const char* reason = error != 0 ? SystemReason(error) : "the system gave no reason";
  Report("%s: %s", path, reason);
  lastError.Set("%s: %s", path, reason);
}

}  // namespace jps
