#include "tools/jpsconv/interrupt.h"

#include <atomic>

#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"
#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace {

// Set from a signal handler, or on Windows from the console's own thread.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set in a signal handler");

// Abort only raises a lock-free counter: safe in a signal handler and from
// another thread (the program is linked with its symbols bound at start, so
// the call needs no lookup by the dynamic linker here). Both the plug-in's
// conversions and those this program runs through the converter's C++
// interface (with more outputs) are asked to stop.
void Stop() {
  interrupted = true;
  Abort();
  jps::RequestAbort();
}

}  // namespace

void InstallInterruptHandler() { platform::WatchInterrupts(Stop); }

bool Interrupted() { return interrupted; }

}  // namespace jpsconv
