#include "tools/jpsconv/interrupt.h"

#include <csignal>

#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"

namespace jpsconv {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// Abort only raises a lock-free counter: safe in a signal handler (the
// program is linked with its symbols bound at start, so the call needs no
// lookup by the dynamic linker here). Both the plug-in's conversions and
// those this program runs through the converter's C++ interface (with more
// outputs) are asked to stop.
extern "C" void OnInterrupt(int) {
  interrupted = 1;
  Abort();
  jps::RequestAbort();
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting parent wakes up
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted != 0; }

}  // namespace jpsconv
