// The two routes by which text reaches the host, the last-error text, and
// the process-wide counters that ConvertFile hands back.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "plugin/host_records.h"
#include "support/text_format.h"

namespace jps {

// Large enough for every text the converter makes around a 255-character path.
constexpr size_t kErrorTextSize = 1024;
constexpr size_t kMessageBufferSize = 1024;
// Time tag of a message that belongs to no receiver time.
constexpr double kNoTimeTag = -1.0;
// Told to the host at the end of a conversion whose input held no whole
// GREIS message and no rM record (the files are written all the same).
constexpr const char* kNotJpsText = "No GREIS message or rM record found: not a JPS file";

extern char ErrorText[kErrorTextSize];
// HostCallbacks of the latest ConvertFile call; null before the first one.
extern const HostCallbacks* HostCallbackPointer;
// Raised by Abort, from the conversion's own callbacks, from another thread of
// the host or from a signal handler: a lock-free atomic serves all three.
extern std::atomic<int32_t> AbortCount;
static_assert(std::atomic<int32_t>::is_always_lock_free, "Abort must be safe in a signal handler");
inline bool AbortRequested() { return AbortCount.load(std::memory_order_relaxed) != 0; }

struct ResultCounters {
  int32_t epochs;
  int32_t ephemerides;
  int32_t stationMarks;
  int32_t eventMarks;
};
extern ResultCounters Counters;

// Formats into ErrorText (bounded).
void SetErrorText(const char* format, ...) JPS_PRINTF_LIKE(1, 2);
// Formats and hands the text to OnMessage with time tag -1.0.
void ReportMessage(const char* format, ...) JPS_PRINTF_LIKE(1, 2);
// Hands text, unchanged, to OnMessage with the given time tag.
void NotifyHost(double time, const char* text);

}  // namespace jps
