#include "tools/bench_cli.h"

#include <pty.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace jpsbench {

bool RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                   ProgramTiming* timing) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  auto start = std::chrono::steady_clock::now();
  int terminal = -1;
  pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) return false;
  if (pid == 0) {
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  // Read what the program draws until its side of the terminal closes, so
  // that it never waits for room to write.
  char buffer[4096];
  for (;;) {
    ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n > 0) {
      timing->terminalBytes += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;   // EIO once the program has closed the terminal
    }
  }
  int status = 0;
  struct rusage usage {};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  close(terminal);
  timing->wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  timing->cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  timing->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

}  // namespace jpsbench
