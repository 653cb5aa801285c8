#include "tools/jpsconv/interrupt.h"

#include <csignal>

#include "plugin/jav_dll.h"

namespace jpsconv {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// Abort only raises a lock-free counter: safe in a signal handler (the
// program is linked with its symbols bound at start, so the call needs no
// lookup by the dynamic linker here).
extern "C" void OnInterrupt(int) {
  interrupted = 1;
  Abort();
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
