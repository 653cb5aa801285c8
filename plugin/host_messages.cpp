#include "plugin/host_messages.h"

#include <cstdarg>

namespace jps {

char ErrorText[kErrorTextSize];
const HostCallbacks* HostCallbackPointer = nullptr;
std::atomic<int32_t> AbortCount{0};
ResultCounters Counters;

namespace {
char MessageBuffer[kMessageBufferSize];
}

void SetErrorText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatTextV(ErrorText, sizeof ErrorText, format, args);
  va_end(args);
}

void ReportMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatTextV(MessageBuffer, sizeof MessageBuffer, format, args);
  va_end(args);
  if (HostCallbackPointer != nullptr && HostCallbackPointer->OnMessage != nullptr) {
    HostCallbackPointer->OnMessage(kNoTimeTag, MessageBuffer);
  }
}

void NotifyHost(double time, const char* text) {
  if (HostCallbackPointer != nullptr && HostCallbackPointer->OnMessage != nullptr) {
    HostCallbackPointer->OnMessage(time, text);
  }
}

}  // namespace jps
