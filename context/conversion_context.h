// What a conversion needs besides the decoded stream, handed down from the
// plug-in's entry points, which own the process-wide instances: the routes by
// which text reaches the host, the last-error text that GetErrString hands
// out, the result counters, the switches, the abort count and the continuity
// that outlives a conversion.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "context/continuity.h"
#include "context/conversion_switches.h"
#include "context/host_records.h"
#include "support/failure_text.h"
#include "support/text_format.h"

namespace jps {

// Large enough for every text the converter makes around a 255-character path.
constexpr size_t kMessageBufferSize = 1024;
// Time tag of a message that belongs to no receiver time.
constexpr double kNoTimeTag = -1.0;
// Told to the host at the end of a conversion whose input held no whole
// GREIS message and no rM record (the files are written all the same).
constexpr const char* kNotJpsText = "No GREIS message or rM record found: not a JPS file";

// What ConvertFile hands back in the request.
struct ResultCounters {
  int32_t epochs;
  int32_t ephemerides;
  int32_t stationMarks;
  int32_t eventMarks;
};

// Raised by Abort, from the conversion's own callbacks, from another thread of
// the host or from a signal handler: a lock-free atomic serves all three.
using AbortCounter = std::atomic<int32_t>;
static_assert(AbortCounter::is_always_lock_free, "Abort must be safe in a signal handler");

class ConversionContext {
 public:
  ConversionContext(ContinuityState& continuity, const AbortCounter& abortCount)
      : continuity(continuity), abort_(abortCount) {}
  ConversionContext(const ConversionContext&) = delete;
  ConversionContext& operator=(const ConversionContext&) = delete;

  ContinuityState& continuity;
  ConversionSwitches switches{};
  ResultCounters counters{};
  FailureText lastError;   // what GetErrString hands out

  // The host of the running ConvertFile call; null between calls.
  void SetHost(const HostCallbacks* host) { host_ = host; }
  const HostCallbacks* host() const { return host_; }
  OnProgressFn ProgressCallback() const { return host_ != nullptr ? host_->OnProgress : nullptr; }

  // A text to the host's OnMessage, formatted into the context's own buffer:
  // with the time tag -1 (Report) or a receiver time (Notify). Nothing is
  // sent to a host without OnMessage.
  void Report(const char* format, ...) JPS_PRINTF_LIKE(2, 3);
  // "path: the system's reason" for a file that could not be opened, written
  // or put in place, to the host and into the last error.
  void ReportFileFailure(const char* path, int error);
  void Notify(double time, const char* format, ...) JPS_PRINTF_LIKE(3, 4);

  bool AbortRequested() const { return abort_.load(std::memory_order_relaxed) != 0; }

 private:
  void SendV(double time, const char* format, va_list args);

  const HostCallbacks* host_ = nullptr;
  const AbortCounter& abort_;
  char message_[kMessageBufferSize] = "";
};

}  // namespace jps
