// jpsconv on Linux: child processes, this program started again by
// posix_spawn with its standard output on a pipe.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/jpsconv/platform.h"

extern char** environ;

namespace jpsconv {
namespace platform {
namespace {

constexpr const char* kSelfExecutable = "/proc/self/exe";

}  // namespace

std::string StartChild(const std::vector<std::string>& args, ChildProcess* child) {
  // Without /proc the program is found as it was started (glibc keeps argv[0]).
  const char* path =
      ::access(kSelfExecutable, X_OK) == 0 ? kSelfExecutable : program_invocation_name;
  std::vector<std::string> argv = {program_invocation_name};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(&a[0]);
  raw.push_back(nullptr);

  int fds[2];
  if (::pipe(fds) != 0) return LastErrorText();
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, path, &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return std::strerror(rc);
  }
  child->process = pid;
  child->output = fds[0];
  return "";
}

void WaitForChildren(const std::vector<const ChildProcess*>& children, int milliseconds,
                     std::vector<bool>* ready) {
  std::vector<pollfd> fds;
  for (const ChildProcess* c : children) fds.push_back({static_cast<int>(c->output), POLLIN, 0});
  ready->assign(children.size(), false);
  if (::poll(fds.data(), fds.size(), milliseconds) <= 0) return;
  for (size_t i = 0; i < fds.size(); ++i) (*ready)[i] = fds[i].revents != 0;
}

bool ReadChild(ChildProcess* child, std::string* out) {
  char buffer[4096];
  ssize_t n = ::read(static_cast<int>(child->output), buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) {
    ::close(static_cast<int>(child->output));
    child->output = -1;
    return false;
  }
  out->append(buffer, static_cast<size_t>(n));
  return true;
}

ChildExit ReapChild(ChildProcess* child) {
  int status = 0;
  while (::waitpid(static_cast<pid_t>(child->process), &status, 0) < 0 && errno == EINTR) {
  }
  child->process = -1;
  ChildExit e;
  if (WIFEXITED(status)) {
    e.exited = true;
    e.code = WEXITSTATUS(status);
    e.how = "ended with status " + std::to_string(e.code);
  } else if (WIFSIGNALED(status)) {
    e.interrupted = WTERMSIG(status) == SIGINT;
    e.how = "ended by signal " + std::to_string(WTERMSIG(status));
  }
  return e;
}

void InterruptChild(const ChildProcess& child) {
  if (child.process > 0) ::kill(static_cast<pid_t>(child.process), SIGINT);
}

}  // namespace platform
}  // namespace jpsconv
