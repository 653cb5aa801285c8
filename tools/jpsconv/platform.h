// What jpsconv needs of the operating system, for Linux (platform_posix*.cpp)
// and Windows (platform_windows*.cpp): its command line, the terminal, Ctrl-C,
// the clock in UTC, and child processes running this program again.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace jpsconv {
namespace platform {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// The arguments after the program's name, as the C library's file functions
// and the plug-in's entry points take them. On Windows each argument comes in
// the system's ANSI code page; a path that does not fit it is given by its
// short (8.3) name, and arguments with * or ? in their last part are expanded
// to the names they match (cmd.exe leaves that to the program). "" on
// success, else why the command line cannot be used.
std::string ProgramArguments(int argc, char** argv, std::vector<std::string>* args);

// True when stderr is a terminal that a progress bar may be drawn on.
bool StderrIsTerminal();
// The width of that terminal in columns (80 when it does not say).
int TerminalWidth();
// True when the terminal takes the escape sequence that erases the rest of a
// line; elsewhere the bar overwrites its old text with blanks.
bool TerminalErasesLines();

// Ctrl-C (and SIGTERM, or the console closing) calls stop, once per request;
// stop must be safe in a signal handler and from another thread.
void WatchInterrupts(void (*stop)());

// The UTC calendar time of t.
std::tm UtcTime(std::time_t t);

// The text of the system's last error (errno on Linux, GetLastError on Windows).
std::string LastErrorText();

// This program started again with other arguments (its standard error and
// folder are this one's); what it writes on its standard output comes back
// through a pipe.
struct ChildProcess {
  intptr_t process = -1;  // the process id, or the handle of the process
  intptr_t output = -1;   // the pipe's end to read from
};

struct ChildExit {
  bool exited = false;       // ended by returning code
  bool interrupted = false;  // ended by Ctrl-C before it could take it as a request to stop
  int code = -1;
  std::string how;           // "ended with status 3", "ended by signal 9"
};

// "" when started, else why not.
std::string StartChild(const std::vector<std::string>& args, ChildProcess* child);
// Waits at most milliseconds until one of the children has written something
// or closed its output; ready[i] tells which ones.
void WaitForChildren(const std::vector<const ChildProcess*>& children, int milliseconds,
                     std::vector<bool>* ready);
// Appends what the child wrote to out, with line ends as "\n"; false (and the
// pipe closed) at the end of its output. A line end split between two reads
// is joined when the caller leaves the unfinished line in out.
bool ReadChild(ChildProcess* child, std::string* out);
// Waits for the child to end.
ChildExit ReapChild(ChildProcess* child);
// Asks a running child to stop as Ctrl-C does.
void InterruptChild(const ChildProcess& child);

}  // namespace platform
}  // namespace jpsconv
