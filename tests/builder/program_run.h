// Runs the jpsconv program as a user does, and reads the KEL files it writes
// back byte by byte (independently of the converter's own reader).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace jpstest {

extern const char* const kJpsconvProgram;

struct ProgramRun {
  int exit = -1;
  std::string out, err;
};

// Starts jpsconv with args; its stdout and stderr go to files in dir.
pid_t SpawnJpsconv(const std::vector<std::string>& args, const std::string& dir);
// Waits for it and collects its exit status and output.
ProgramRun FinishJpsconv(pid_t pid, const std::string& dir);
ProgramRun Jpsconv(const std::vector<std::string>& args, const std::string& dir);

struct KelFileMeasurement {
  int satellite;
  int lock;
  double l1Code, l1Phase, doppler, l2Code, l2Phase;
};
struct KelFileEpoch {
  double time;
  int flags;
  std::vector<KelFileMeasurement> measurements;
  std::string bytes;  // the whole group
};

// Reads a KEL file's epochs; fails the test when the file is not whole.
std::vector<KelFileEpoch> ReadKelFile(const std::string& kel);

}  // namespace jpstest
