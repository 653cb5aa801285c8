// The command-line program timed as a user runs it: in a process of its own
// on a terminal (a pseudo-terminal here), so that it draws its progress bar.
#pragma once

#include <string>
#include <vector>

namespace jpsbench {

struct ProgramTiming {
  double wall = 0;   // seconds on the clock
  double cpu = 0;    // processor seconds of the program (user and system)
  int exitStatus = -1;
  size_t terminalBytes = 0;   // what the program wrote to its terminal
};

// Runs program with args on a new pseudo-terminal and waits for it; false
// when it could not be started.
bool RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                   ProgramTiming* timing);

}  // namespace jpsbench
