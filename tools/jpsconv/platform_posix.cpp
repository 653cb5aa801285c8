// jpsconv on Linux: the command line, the terminal, signals, the clock,
// errors and files.
#include <signal.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace platform {
namespace {

constexpr int kDefaultWidth = 80;

void (*stopRequested)() = nullptr;

extern "C" void OnInterrupt(int) {
  if (stopRequested != nullptr) stopRequested();
}

}  // namespace

std::string ProgramArguments(int argc, char** argv, std::vector<std::string>* args) {
  args->assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  return "";
}

bool StderrIsTerminal() {
  const char* term = std::getenv("TERM");
  return ::isatty(STDERR_FILENO) == 1 && (term == nullptr || std::strcmp(term, "dumb") != 0);
}

int TerminalWidth() {
  struct winsize ws;
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return kDefaultWidth;
}

bool TerminalErasesLines() { return true; }

void WatchInterrupts(void (*stop)()) {
  stopRequested = stop;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting parent wakes up
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::tm UtcTime(std::time_t t) {
  std::tm utc{};
  gmtime_r(&t, &utc);
  return utc;
}

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace platform

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

}  // namespace jpsconv
