// Running jpsconv as a program from the tests, and reading a KEL file's bytes
// back without the converter's own code.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace jpstest {

extern const std::string kProgram;  // the built jpsconv

struct ProgramRun {
  int exit = -1;
  std::string out, err;
};

// Starts a program (argv[0]: a path, or a name looked up on PATH) in the
// folder cwd ("": this process's); its stdout and stderr go to
// dir/stdout.txt and dir/stderr.txt.
pid_t SpawnProgram(const std::vector<std::string>& argv, const std::string& dir,
                   const std::string& cwd = "");
// Runs it to its end.
ProgramRun Run(const std::vector<std::string>& argv, const std::string& dir,
               const std::string& cwd = "");
// True when a program of that name is on PATH.
bool OnPath(const std::string& name);

// Starts jpsconv with the arguments, as SpawnProgram.
pid_t Spawn(const std::vector<std::string>& args, const std::string& dir);
// Waits for it and reads what it wrote.
ProgramRun Finish(pid_t pid, const std::string& dir);
ProgramRun Jpsconv(const std::vector<std::string>& args, const std::string& dir);
// jpsconv simulate -o dir/name with the extra arguments; the path written.
std::string Simulate(const std::string& dir, const std::string& name,
                     const std::vector<std::string>& extra);

bool Exists(const std::string& path);
// How often what stands in text.
int Count(const std::string& text, const std::string& what);
// The number after "key": in a JSON text, or -1.
long JsonNumber(const std::string& json, const std::string& key);

struct Measurement {
  int satellite;
  int lock;
  double l1Code, l1Phase, doppler, l2Code, l2Phase;
};
struct Epoch {
  double time;
  int flags;
  double latitude, longitude;
  std::vector<Measurement> measurements;
  std::string bytes;  // the whole group
};

// Reads a KEL file's epochs from its bytes; fails when the file is not whole.
std::vector<Epoch> DecodeKelEpochs(const std::string& kel);

}  // namespace jpstest
